// Running the built programs (tarn, tarn-summary, hbook) as a user does:
// a shell command in a directory, its exit status, standard output and error.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>

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

// Starts `command` (a shell command line) in `dir`, its standard output and
// error to `out` and `err` there (the same file when they are equal); its
// pid (the shell execs it), for a signal and waitFor.
inline pid_t startCommand(const fs::path& dir, const std::string& command, const std::string& out = "out.txt",
                          const std::string& err = "err.txt") {
  const std::string line = "exec " + command + " > " + out + (out == err ? " 2>&1" : " 2> " + err);
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir.c_str()) != 0) _exit(127);
    execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  return pid;
}

// Its exit status, or 128 + the signal that ended it.
inline int waitFor(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Waits until `file` exists (at most `seconds`).
inline bool appears(const fs::path& file, int seconds = 30) {
  for (int i = 0; i < seconds * 100; ++i) {
    if (fs::exists(file)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

inline fs::path onlyFile(const fs::path& dir, const std::string& extension) {
  for (const auto& entry : fs::directory_iterator(dir))
    if (entry.path().extension() == extension) return entry.path();
  return {};
}

}  // namespace testsupport
