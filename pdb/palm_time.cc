#include "palm_time.h"

bool unix_to_palm_time(time_t unix_time, uint32_t* palm_time) {
  const int64_t t = static_cast<int64_t>(unix_time) + kPalmEpochOffset;
  if (t < 0 || t > static_cast<int64_t>(UINT32_MAX)) return false;
  *palm_time = static_cast<uint32_t>(t);
  return true;
}

time_t palm_to_unix_time(uint32_t palm_time) {
  return static_cast<time_t>(static_cast<int64_t>(palm_time) - kPalmEpochOffset);
}
