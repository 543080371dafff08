#include "probe_state.h"

const char* progname = "pageprobe";
int vflag = 0;
std::vector<std::string> htmls;
