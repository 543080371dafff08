#include "probe_state.h"

const char* progname = "pageprobe";
int vflag = 0;
int lflag = 0;
int fflag = 0;
int sflag = 0;
const char* preview_dir = nullptr;
const char* database_name = "database";
int record_index = -1;
std::vector<std::string> htmls;
std::vector<std::string> bit_coded_files;
