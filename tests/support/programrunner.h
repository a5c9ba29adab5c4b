// Running the built programs (tarn, tarn-summary, hbook) as a user does:
// a shell command in a directory, its exit status, standard output and error.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <map>
#include <string>

#include "support/files.h"
#include "support/runs.h"
#include "support/scratchdir.h"

namespace testsupport {

namespace fs = std::filesystem;

struct Outcome {
  int status = -1;
  std::string out, err;
};

// Runs `command` (a shell command line) in `dir`.
inline Outcome runCommand(const fs::path& dir, const std::string& command) {
  const fs::path out = dir / ".stdout", err = dir / ".stderr";
  const std::string line =
      "cd '" + dir.string() + "' && " + command + " > '" + out.string() + "' 2> '" + err.string() + "'";
  const int raw = std::system(line.c_str());
  Outcome o;
  o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
  o.out = readText(out);
  o.err = readText(err);
  fs::remove(out);
  fs::remove(err);
  return o;
}

// The files in `dir` by extension: ".o" (run logs), ".hbook" and the rest.
inline std::map<std::string, int> filesByKind(const fs::path& dir) {
  std::map<std::string, int> kinds;
  for (const auto& entry : fs::directory_iterator(dir)) ++kinds[entry.path().extension().string()];
  return kinds;
}

inline fs::path onlyFile(const fs::path& dir, const std::string& extension) {
  for (const auto& entry : fs::directory_iterator(dir))
    if (entry.path().extension() == extension) return entry.path();
  return {};
}

}  // namespace testsupport
