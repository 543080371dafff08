// The browser preview of a database (-p DIR): index.html with the launcher
// view and a table of every record, an HTML page per page record and a PNG
// file per image record and launcher icon, all named by record position.
#pragma once

#include "pi-file.h"

// Creates dir (relative to the folder base, or the working directory when
// base is -1) when it is missing and opens it; refuses (message, -1) when it
// exists and is not an empty folder, or is the working directory, where the
// extracted files go. The descriptor is the folder every preview file is
// made in, new, so a link planted there later is never followed.
int open_preview_dir(int base, const char* dir);

// Writes the preview of the open database into the folder dir_fd (from
// open_preview_dir), named dir in messages.
void write_preview(pi_file_t* pf, const DBInfo& info, const char* dir, int dir_fd);
