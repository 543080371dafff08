// The application-info block: "lnch", the launcher's version and title, and
// the large and small icon from LgIcon.pnm and SmIcon.pnm (--icon, --small-icon).
#pragma once

#include <cstddef>

// Version and title are cut to this many bytes, so that icons keep room.
constexpr size_t kLauncherStringMax = 255;

// Assembles the block in `block` (kAppInfoMax bytes) and returns its length.
int build_app_info(unsigned char* block, const char* version, const char* title);

// How many icons build_app_info left out, missing or unreadable (each named
// in a message): a failure when --icon or --small-icon named them.
int icons_left_out();
