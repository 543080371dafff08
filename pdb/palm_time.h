// Conversion between Unix times and Palm times (unsigned 32-bit seconds
// since 1904-01-01 00:00:00, no time-zone correction).
#pragma once

#include <cstdint>
#include <ctime>

// Seconds from the Palm epoch (1904) to the Unix epoch (1970).
constexpr int64_t kPalmEpochOffset = 2082844800;

// The Palm time of a Unix time; false when the time lies outside the range
// that 32 unsigned bits can hold (before 1904 or after early 2040).
bool unix_to_palm_time(time_t unix_time, uint32_t* palm_time);

// The Unix time of a Palm time. A Palm time of 0 ("never", as in a database
// that was never backed up) comes back as 1904-01-01, that is -2082844800,
// so that writing the value again stores 0.
time_t palm_to_unix_time(uint32_t palm_time);
