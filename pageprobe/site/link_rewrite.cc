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

std::string rewrite_command(const std::string& script_path) {
  // One sed edits a batch of files in place, so that the script is read once a
  // batch rather than once a file; batches keep the argument list short. sed
  // replaces a file only when it has read it through. Names are quoted so that
  // files with blanks work.
  const std::string sed = "LC_ALL=C sed -i -f " + shell_word(script_path) + " -- \"$@\"";
  // A symbolic link is left alone: sed would read the file it points to.
  return "set -- ; for i in *.html ; do [ -f \"$i\" ] && [ ! -h \"$i\" ] || continue ; "
         "set -- \"$@\" \"$i\" ; "
         "if [ $# -ge 256 ] ; then " + sed + " ; set -- ; fi ; done ; "
         "if [ $# -gt 0 ] ; then " + sed + " ; fi";
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

void rewrite_links(const std::vector<std::string>& pages, const std::vector<std::string>* files) {
  const char* tmp = getenv("TMPDIR");
  std::string path = std::string(tmp && *tmp ? tmp : "/tmp") + "/pageprobe-sed-XXXXXX";
  int fd = mkstemp(&path[0]);
  if (fd < 0) {
    message("%s: %s, links not rewritten", path.c_str(), strerror(errno));
    return;
  }
  std::string script = rewrite_script(pages);
  bool written;
  errno = 0;
  FILE* f = fdopen(fd, "wb");
  if (f) {
    written = fwrite(script.data(), 1, script.size(), f) == script.size();
    written = fclose(f) == 0 && written;
  } else {
    close(fd);
    written = false;
  }
  const int err = errno;
  if (!written) {
    message("%s: %s, links not rewritten", path.c_str(), err ? strerror(err) : "write error");
  } else if (files) {
    if (!run_sed(path, *files)) message("sed: %s, links not rewritten", strerror(errno));
  } else {
    fflush(stdout);
    int status = system(rewrite_command(path).c_str());
    (void)status;  // a failing shell leaves the pages as they were written
  }
  unlink(path.c_str());
}
