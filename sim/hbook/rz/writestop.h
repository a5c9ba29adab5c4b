// Stopping a histogram-file write from outside, for a program that handles
// signals.
//
// The program registers a check that returns the number of a signal that
// asked it to stop (0 when none). writeFile consults it after each record and
// before it renames the temporary file into place; when the check reports a
// signal it removes the temporary file and throws WriteStopped. The name of
// the temporary file being written is also kept where a signal handler may
// remove it (removeTemporaryFile is async-signal-safe), for a program that
// has to leave at once.
#pragma once

#include <cstdint>
#include <string>

#include "hbook/rz/fileerror.h"

namespace hbook {

// A write given up because a signal asked the program to stop; nothing is
// left under the file's name or the temporary name.
class WriteStopped : public FileError {
 public:
  WriteStopped(const std::string& what, int signal) : FileError(what), signal_(signal) {}
  int signal() const { return signal_; }

 private:
  int signal_;
};

using StopCheck = int (*)();

// nullptr (the default) never stops a write.
void setStopCheck(StopCheck check);
int stopRequested();

// Async-signal-safe: unlink the temporary file now being written, if any.
void removeTemporaryFile() noexcept;

// Tests only: called with the number of each record once it is written.
void setRecordHook(void (*hook)(std::int64_t record));

// The writer's side: announce the temporary file (nullptr when it is gone)
// and each record written.
void setTemporaryFile(const char* path) noexcept;
void recordWritten(std::int64_t record);

}  // namespace hbook
