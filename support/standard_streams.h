// The standard descriptors and standard output of a program: descriptors 0 to
// 2 are always open, and a failed write to standard output is never silent.
#pragma once

// Opens /dev/null on each of descriptors 0, 1 and 2 that is closed, so that no
// file opened later takes one of them and receives what was meant for the
// terminal. Called first thing in main.
void open_standard_descriptors();

// Flushes standard output. False, after "PROGRAM: standard output: reason"
// on standard error, when any write to it failed.
bool finish_standard_output();
