// Shared set-up of the fuzz targets: a scratch directory to work in, and
// quiet standard output, so that files the code under test writes land there.
#pragma once

#include <string>

// Makes a fresh scratch directory (in /dev/shm where it can, removed at exit),
// changes into it and sends standard output to /dev/null. Call once, from
// LLVMFuzzerInitialize.
void enter_scratch_dir();

// Writes bytes to a file in the working directory; false on failure.
bool write_scratch_file(const char* name, const unsigned char* data, size_t size);
