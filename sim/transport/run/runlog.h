// The run log: created new for each run, one line at a time, each flushed
// at once; and its opening and closing with the run's exit status.
#pragma once

#include <cstdio>
#include <string>

#include "textout/freeformat.h"

namespace tarn {

class RunLog {
 public:
  // Creates the file; fails when it exists. Returns false with errno set.
  bool create(const std::string& name);
  void write(const std::string& line);  // one line, newline added, flushed
  // From now on the lines go to `kept` instead (a worker process, whose
  // lines the run writes in block order; null: back to the file).
  void keepLinesIn(std::string* kept) { kept_ = kept; }
  void close();
  bool isOpen() const { return file_ != nullptr; }
  bool failed() const { return failed_; }  // a line or the close failed
  ~RunLog() { close(); }

 private:
  std::FILE* file_ = nullptr;
  std::string* kept_ = nullptr;
  bool failed_ = false;
};

// A line on the console and in the run log.
void printAndLog(RunLog& log, const textout::Line& line);

// Makes the output directory if needed ("": none) and creates the run log
// at logPath; 0, or STATUS_NO_RUN_LOG with the reason on standard error.
int openRunLog(RunLog& log, const std::string& outputDir, const std::string& logPath);

// Closes the log at the end of a run and checks the console and the log:
// what failed is said on standard error, and a run that was otherwise fine
// (STATUS_DONE) gets STATUS_OUTPUT_INCOMPLETE. Returns the exit status.
int closeRun(RunLog& log, const std::string& logName, int status);

}  // namespace tarn
