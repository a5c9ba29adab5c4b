// The run log.
#include "transport/run/runlog.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>

#include "textout/console.h"
#include "transport/run/exitstatus.h"

namespace tarn {

bool RunLog::create(const std::string& name) {
  file_ = std::fopen(name.c_str(), "wx");  // fails when the name exists
  return file_ != nullptr;
}

// Each line reaches the file at once, so that a run that is killed leaves
// its log up to that point.
void RunLog::write(const std::string& line) {
  if (kept_) {
    *kept_ += line;
    *kept_ += '\n';
    return;
  }
  if (!file_) return;
  if (std::fputs(line.c_str(), file_) == EOF || std::fputc('\n', file_) == EOF || std::fflush(file_) != 0)
    failed_ = true;
}

void RunLog::close() {
  if (file_ && std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
}

void printAndLog(RunLog& log, const textout::Line& line) {
  textout::print(line);
  log.write(line.str());
}

int openRunLog(RunLog& log, const std::string& outputDir, const std::string& logPath) {
  if (!outputDir.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(outputDir, ec);
    if (ec) {
      std::cerr << "cannot create the output directory " << outputDir << ": " << ec.message() << '\n';
      return STATUS_NO_RUN_LOG;
    }
  }
  if (log.create(logPath)) return 0;
  if (errno == EEXIST) {
    std::cerr << "cannot overwrite existing file, unit 3, file " << logPath << '\n';
    std::cerr << "tarn: a run started in the same minute wrote that log here (a run refused at its start leaves "
                 "its log too): wait for the next minute, remove the log if its run was refused, or give "
                 "--output-dir DIR\n";
  } else
    std::cerr << "cannot create run log " << logPath << ": " << std::strerror(errno) << '\n';
  return STATUS_NO_RUN_LOG;
}

// The console and the log are checked last: whatever failed is said on
// standard error, and a run that was otherwise fine gets its own status.
int closeRun(RunLog& log, const std::string& logName, int status) {
  const bool consoleOk = textout::consoleWritten();
  log.close();
  if (!consoleOk) {
    std::cerr << "tarn: the console report could not be written to standard output"
              << (log.failed() ? "" : "; the run log " + logName + " holds it") << '\n';
  }
  if (log.failed()) std::cerr << "tarn: the run log " << logName << " could not be written completely\n";
  if (status == STATUS_DONE && (!consoleOk || log.failed())) status = STATUS_OUTPUT_INCOMPLETE;
  return status;
}

}  // namespace tarn
