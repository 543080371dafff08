#include "site/link_rewrite.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "message.h"

// The replacement side of s/// takes \, & and the delimiter / literally only
// behind a backslash; a newline is continued with a backslash.
static std::string sed_replacement(const std::string& name) {
  std::string r;
  for (char c : name) {
    if (c == '\\' || c == '&' || c == '/' || c == '\n') r += '\\';
    r += c;
  }
  return r;
}

std::string rewrite_script(const std::vector<std::string>& pages) {
  std::string script;
  char index[32];
  for (size_t k = 0; k < pages.size(); k++) {
    if (pages[k].empty()) continue;
    // Later substitutions also see the names that earlier ones put in; a
    // name holding link text of its own would not stay literal.
    if (pages[k].find("index=\"") != std::string::npos) {
      message("%s: name holds index link text, left out of the link rewrite", pages[k].c_str());
      continue;
    }
    snprintf(index, sizeof index, "%02zx", k);
    script += "s/index=\"";
    script += index;
    script += "\" flags=04/HREF=\"";
    script += sed_replacement(pages[k]);
    script += "\"/g\n";
  }
  // Every pattern holds flags=04, and a line without it is never changed, so
  // sed may skip such lines without trying each substitution on them.
  if (!script.empty()) script = "/flags=04/{\n" + script + "}\n";
  return script;
}

std::string shell_word(const std::string& word) {
  std::string q = "'";
  for (char c : word) {
    if (c == '\'')
      q += "'\\''";
    else
      q += c;
  }
  return q + "'";
}

std::string rewrite_command(const std::string& script_path, const std::string& list_path) {
  // The names reach sed through xargs, which reads them from the list file
  // (each ended by a zero byte) and runs one sed over as many as a command
  // line holds, editing each in place; sed replaces a file only when it has
  // read it through. No name is ever part of the command's text.
  return "LC_ALL=C xargs -0 sed -i -f " + shell_word(script_path) + " -- < " +
         shell_word(list_path);
}

// Runs sed with the script over the named files, in batches, without a
// shell; false when sed could not be started.
static bool run_sed(const std::string& script_path, const std::vector<std::string>& files) {
  constexpr size_t kBatch = 256;
  for (size_t first = 0; first < files.size(); first += kBatch) {
    std::vector<const char*> argv = {"sed", "-i", "-f", script_path.c_str(), "--"};
    for (size_t i = first; i < files.size() && i < first + kBatch; i++)
      argv.push_back(files[i].c_str());
    argv.push_back(nullptr);
    fflush(stdout);
    fflush(stderr);
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
      setenv("LC_ALL", "C", 1);
      execvp("sed", const_cast<char* const*>(argv.data()));
      _exit(127);
    }
    int status;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
  }
  return true;
}

// Writes text to a new temporary file; its name in *path, or false after a
// message.
static bool write_temporary(const char* stem, const std::string& text, std::string* path) {
  const char* tmp = getenv("TMPDIR");
  *path = std::string(tmp && *tmp ? tmp : "/tmp") + "/pageprobe-" + stem + "-XXXXXX";
  int fd = mkstemp(&(*path)[0]);
  if (fd < 0) {
    message("%s: %s, links not rewritten", path->c_str(), strerror(errno));
    path->clear();
    return false;
  }
  bool written;
  errno = 0;
  FILE* f = fdopen(fd, "wb");
  if (f) {
    written = fwrite(text.data(), 1, text.size(), f) == text.size();
    written = fclose(f) == 0 && written;
  } else {
    close(fd);
    written = false;
  }
  if (!written)
    message("%s: %s, links not rewritten", path->c_str(), errno ? strerror(errno) : "write error");
  return written;
}

void rewrite_links(const std::vector<std::string>& pages, const std::vector<std::string>& files,
                   bool through_shell) {
  if (files.empty()) return;
  std::string script_path, list_path, list;
  for (const std::string& f : files) list += f + '\0';
  if (write_temporary("sed", rewrite_script(pages), &script_path) &&
      (!through_shell || write_temporary("pages", list, &list_path))) {
    if (!through_shell) {
      if (!run_sed(script_path, files)) message("sed: %s, links not rewritten", strerror(errno));
    } else {
      fflush(stdout);
      int status = system(rewrite_command(script_path, list_path).c_str());
      (void)status;  // a failing shell leaves the pages as they were written
    }
  }
  if (!script_path.empty()) unlink(script_path.c_str());
  if (!list_path.empty()) unlink(list_path.c_str());
}
