// peak_rss PROGRAM [ARG...]: runs PROGRAM with its output discarded and
// prints its peak resident memory in kB (or nothing if it fails). Address
// space randomisation is off for it, so that the same run gives the same
// figure.
//
// A process started directly by a large one (a benchmark) inherits that
// process's high-water mark of resident memory across exec, so the
// benchmark starts this small program, which starts the one to measure.
#include <fcntl.h>
#include <sys/personality.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const pid_t pid = fork();
  if (pid == 0) {
    const int devNull = open("/dev/null", O_WRONLY);
    dup2(devNull, 1);
    personality(ADDR_NO_RANDOMIZE);
    execv(argv[1], argv + 1);
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (pid < 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return 1;
  std::printf("%ld\n", usage.ru_maxrss);
  return 0;
}
