// The fields of a PQA application-info block, read once for the listing and
// the preview alike: the version and title strings, then the large and the
// small launcher icon entries.
#pragma once

#include <string>

#include "byte_view.h"
#include "pi-file.h"

struct app_info_fields {
  // How many fields lie inside the block, in order: 0 (the version runs past
  // it) to 4 (both icon entries are there). A field past the end and every
  // field after it are missing: their place is not known.
  int fields = 0;
  std::string version, title;  // up to the first zero byte of the field
  byte_view large_icon, small_icon;  // the entries' bitmaps, without their word counts
};

enum { kAppVersion = 1, kAppTitle = 2, kAppLargeIcon = 3, kAppSmallIcon = 4 };

app_info_fields read_app_info(byte_view block);

// The database's application-info block, empty when it has none.
byte_view app_info_view(pi_file_t* pf);
