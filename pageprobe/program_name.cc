// The name every message of pageprobe starts with.
#include "message.h"

const char program_name[] = "pageprobe";
