#include "app_info_block.h"

#include "common/pqa_record.h"

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
