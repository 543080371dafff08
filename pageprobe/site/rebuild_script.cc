#include "site/rebuild_script.h"

#include <set>

#include "app_info_block.h"
#include "site/extracted_files.h"
#include "site/link_rewrite.h"

// The kind pagepack gives an input by its name: a page unless the letter
// after the first '.' says otherwise.
static bool page_by_name(const std::string& name) {
  const size_t dot = name.find('.');
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
    if (in.bitmap && given.insert(in.name).second)
      s += " \\\n  " + shell_word("--bitmap=" + in.name);
    else if (!in.bitmap && in.page != page_by_name(in.name) && given.insert(in.name).second)
      s += " \\\n  " + shell_word((in.page ? "--page=" : "--image=") + in.name);
  }
  s += " \\\n  -- " + shell_word(database) + " " + shell_word(version) + " " + shell_word(title);
  for (const rebuild_input& in : inputs) s += " \\\n  " + shell_word(in.name);
  return s + "\n";
}

void write_rebuild_script(pi_file_t* pf) {
  const app_info_fields f = read_app_info(app_info_view(pf));
  DBInfo info{};
  pi_file_get_info(pf, &info);
  const std::vector<rebuild_input> inputs = planned_inputs();
  const std::string text =
      rebuild_script(planned_database_name(info), f.version, f.title, inputs, planned_work_folder(),
                     planned_options());
  output_file file;
  if (!create_extracted_file(&file, "rebuild.sh", "the rebuild command")) return;
  fwrite(text.data(), 1, text.size(), file.get());
  file.finish();
}
