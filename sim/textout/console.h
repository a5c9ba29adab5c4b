// The program's console and the hook that ends a run from deep inside a
// routine.
//
// Every line the program and its libraries print goes through console(), which
// is standard output unless a test or a tool redirects it. A routine that has
// to stop the whole run (a temperature outside the density table) calls
// abortRun(), which runs the cleanup the run driver registered (flush and
// close the run log) and exits with the given status.
#pragma once

#include <functional>
#include <ostream>

namespace textout {

std::ostream& console();

// Redirect the console; nullptr restores standard output.
void setConsole(std::ostream* out);

// Flush the console; false when any line could not be written since the
// start (a full disk, a closed pipe): the stream's state and, for standard
// output, the C stream's error flag.
bool consoleWritten();

// The cleanup abortRun() performs before exiting; empty by default.
void setAbortCleanup(std::function<void()> cleanup);

[[noreturn]] void abortRun(int status);

}  // namespace textout
