#include "transport/scan/pointprocess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

namespace tarn::scan {

pid_t startProcess(const std::vector<std::string>& argv, const std::string& consoleFile, std::string& why) {
  const int console = open(consoleFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (console < 0) {
    why = "cannot open " + consoleFile + ": " + std::strerror(errno);
    return -1;
  }
  std::vector<std::string> words = argv;
  std::vector<char*> args;
  for (std::string& w : words) args.push_back(w.data());
  args.push_back(nullptr);
  std::cout.flush();
  std::cerr.flush();
  std::fflush(nullptr);
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid < 0) {
    why = std::string("cannot start a process: ") + std::strerror(errno);
    close(console);
    return -1;
  }
  if (pid == 0) {
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(1);
    const int none = open("/dev/null", O_RDONLY);
    if (none >= 0) dup2(none, 0);
    dup2(console, 1);
    dup2(console, 2);
    for (int s : {SIGPIPE, SIGXFSZ, SIGTERM, SIGINT, SIGHUP}) signal(s, SIG_DFL);
    execv(args[0], args.data());
    const std::string message = std::string("tarn scan: cannot run ") + args[0] + ": " + std::strerror(errno) + "\n";
    if (write(2, message.data(), message.size()) < 0) _exit(127);
    _exit(127);
  }
  close(console);
  return pid;
}

std::string describeExit(int status) {
  if (WIFSIGNALED(status))
    return "killed by signal " + std::to_string(WTERMSIG(status)) + " (" + strsignal(WTERMSIG(status)) + ")";
  if (WIFEXITED(status)) return "exit status " + std::to_string(WEXITSTATUS(status));
  return "status " + std::to_string(status);
}

}  // namespace tarn::scan
