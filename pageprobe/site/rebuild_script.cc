#include "site/rebuild_script.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <set>

#include "app_info_block.h"
#include "message.h"
#include "output_file.h"
#include "safe_files.h"
#include "site/extracted_files.h"
#include "site/link_rewrite.h"

// The kind pagepack gives an input by its name: a page unless the letter
// after the first '.' of its file name (after the last '/') says otherwise.
static bool page_by_name(const std::string& name) {
  const size_t slash = name.rfind('/');
  const size_t dot = name.find('.', slash == std::string::npos ? 0 : slash + 1);
  return dot == std::string::npos || name[dot + 1] == 'h' || name[dot + 1] == 'H';
}

std::string rebuild_script(const std::string& database, const std::string& version,
                           const std::string& title, const std::vector<rebuild_input>& inputs,
                           const std::string& folder, const std::vector<std::string>& options) {
  std::string s =
      "#!/bin/sh\n"
      "# Builds the database again from the files beside this script, which\n"
      "# pageprobe -s wrote: sh rebuild.sh (PAGEPACK=path names another pagepack).\n"
      "cd \"$(dirname -- \"$0\")\" || exit 1\n";
  if (!folder.empty()) {
    // URLs climb with "..": pagepack runs deep enough for them, and writes
    // the database there.
    s += "cd " + shell_word(folder) + " || exit 1\n";
  }
  s += "exec \"${PAGEPACK:-pagepack}\"";
  for (const std::string& option : options) s += " \\\n  " + shell_word(option);
  std::set<std::string> given;
  for (const rebuild_input& in : inputs) {
    if (in.gap && given.insert(in.name).second)
      s += " \\\n  " + shell_word("--gap=" + in.name);
    else if (in.bitmap && given.insert(in.name).second)
      s += " \\\n  " + shell_word("--bitmap=" + in.name);
    else if (!in.gap && !in.bitmap && in.page != page_by_name(in.name) &&
             given.insert(in.name).second)
      s += " \\\n  " + shell_word((in.page ? "--page=" : "--image=") + in.name);
  }
  s += " \\\n  -- " + shell_word(database) + " " + shell_word(version) + " " + shell_word(title);
  for (const rebuild_input& in : inputs) s += " \\\n  " + shell_word(in.name);
  return s + "\n";
}

// A name for the script while it is written: new in the folder dir.
static bool create_hidden_script(int dir, output_file* file, std::string* name) {
  std::random_device random;
  for (int tries = 0; tries < 100; tries++) {
    *name = ".rebuild.sh-" + std::to_string(random() % 1000000);
    if (file->create(dir, name->c_str(), "rebuild.sh")) return true;
    if (errno != EEXIST) return false;
  }
  return false;
}

void write_rebuild_script(pi_file_t* pf) {
  const app_info_fields f = read_app_info(app_info_view(pf));
  DBInfo info{};
  pi_file_get_info(pf, &info);
  const std::vector<rebuild_input> inputs = planned_inputs();
  const std::string text =
      rebuild_script(planned_database_name(info), f.version, f.title, inputs, planned_work_folder(),
                     planned_options());
  // Written whole under a hidden name, then named rebuild.sh: a script that
  // could not be written whole is never left to run.
  const int dir = open_folder(".");
  output_file file;
  std::string hidden;
  if (dir < 0 || !create_hidden_script(dir, &file, &hidden)) {
    message("rebuild.sh: %s", strerror(errno));
    exit_status = 1;
  } else {
    fwrite(text.data(), 1, text.size(), file.get());
    if (!file.finish()) {
      unlinkat(dir, hidden.c_str(), 0);
    } else if (rename_to_new_name(dir, hidden.c_str(), "rebuild.sh") != 0) {
      const int err = errno;
      unlinkat(dir, hidden.c_str(), 0);
      message("rebuild.sh: %s", err == EEXIST ? "exists already, not overwritten" : strerror(err));
      exit_status = 1;
    }
  }
  if (dir >= 0) close(dir);
}

void write_no_room_page() {
  const std::string path = used_no_room_page();
  output_file file;
  if (path.empty() || !create_extracted_file(&file, path, "the page of links without a target"))
    return;
  fputs("<!DOCTYPE html>\n<html><head><meta charset=windows-1252><title>No room</title></head>"
        "<body>\n<p>The database was full when the links to this page were packed: they lead "
        "nowhere.\n</body></html>\n",
        file.get());
  file.finish();
}
