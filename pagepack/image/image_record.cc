#include "image/image_record.h"

#include <cstdio>

#include "command_line.h"
#include "image/bitmap_encoder.h"
#include "image/palm_bitmap_input.h"
#include "message.h"
#include "record_writer.h"
#include "run_summary.h"

int build_image_record(const needed_record* rec) {
  int data_offset = begin_record(rec->filename, rec->type);
  if (data_offset < 0) return kRecordNameTooLong;
  size_t room = record_data_room(static_cast<size_t>(data_offset) - kPqaHeaderSize);
  std::string why, note;
  image_options o;
  o.dither = options.dither;
  o.colour_depth = options.colour_depth;
  o.compress = options.compress;
  o.fit_width = fit_width_in_force(options);
  int d = options.bitmap_inputs.count(rec->filename)
              ? read_palm_bitmap_file(rec->filename, RecordBuffer + data_offset, room, &why)
              : conv_image(rec->filename, RecordBuffer + data_offset, room, o, &why, &note);
  if (!note.empty()) message("%s: image %s", rec->filename, note.c_str());
  if (d < 0) {
    message("%s: image %s, stored empty", rec->filename, why.c_str());
    RecordBuffer[data_offset] = RecordBuffer[data_offset + 1] = 0;
    d = 2;
  }
  return static_cast<int>(finish_record(static_cast<size_t>(d)));
}

int compile_image(pi_file_t* pf, const needed_record* rec, int uid) {
  int size = build_image_record(rec);
  if (size == kRecordNameTooLong) {
    message("%s: name too long for a record, left out", rec->filename);
    return -1;
  }
  int result = pi_file_append_record(pf, RecordBuffer, static_cast<size_t>(size), 0, 0,
                                     static_cast<recordid_t>(uid));
  record_appended(RecordBuffer, static_cast<size_t>(size), result);
  return 0;
}
