// The browser preview of a database (-p DIR): index.html with the launcher
// view and a table of every record, an HTML page per page record and a PNG
// file per image record and launcher icon, all named by record position.
#pragma once

#include "pi-file.h"

// Creates dir when it is missing; refuses (message, false) when it exists
// and is not an empty folder, or is the working directory, where the
// extracted files go.
bool open_preview_dir(const char* dir);

// Writes the preview of the open database into dir (made by open_preview_dir).
void write_preview(pi_file_t* pf, const DBInfo& info, const char* dir);
