// The name every message of pagepack starts with.
#include "message.h"

const char program_name[] = "pagepack";
