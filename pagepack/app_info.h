// The application-info block: "lnch", the launcher's version and title, and
// the large and small icon from LgIcon.pnm and SmIcon.pnm (--icon, --small-icon).
#pragma once

#include <cstddef>

// Version and title are cut to this many bytes, so that icons keep room.
constexpr size_t kLauncherStringMax = 255;

// Assembles the block in `block` (kAppInfoMax bytes) and returns its length.
int build_app_info(unsigned char* block, const char* version, const char* title);

// How many icon files build_app_info found missing (each named in a message).
int icons_missing();
