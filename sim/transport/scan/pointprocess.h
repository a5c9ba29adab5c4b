// A point's run as a process of its own: the tarn program started with the
// point's options, its standard output and error appended to a file, in a
// process group of its own (a Ctrl-C at the terminal reaches the scan
// alone, which passes it on once), and stopped with a SIGTERM if the scan
// dies (PR_SET_PDEATHSIG): it then keeps its checkpoint as a stopped run does.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace tarn::scan {

// Starts `argv` (argv[0] the program); -1 with `why` when it cannot.
pid_t startProcess(const std::vector<std::string>& argv, const std::string& consoleFile, std::string& why);

// "exit status 3", "killed by signal 9 (Killed)".
std::string describeExit(int waitStatus);

}  // namespace tarn::scan
