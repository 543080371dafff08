#include "app_info_block.h"

#include "common/pqa_record.h"

byte_view app_info_view(pi_file_t* pf) {
  void* data = nullptr;
  size_t size = 0;
  pi_file_get_app_info(pf, &data, &size);
  return make_view(data, size);
}

app_info_fields read_app_info(byte_view block) {
  app_info_fields f;
  size_t pos = kAppInfoVersionOffset;
  byte_view* const entries[] = {nullptr, nullptr, &f.large_icon, &f.small_icon};
  for (byte_view* entry : entries) {
    byte_view field;
    if (!view_counted(block, pos, &field)) break;
    pos += 2 + field.length;
    f.fields++;
    if (entry)
      *entry = field;
    else
      (f.fields == kAppVersion ? f.version : f.title) = view_text(field);
  }
  return f;
}
