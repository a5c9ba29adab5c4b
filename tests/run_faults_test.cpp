// A run under faults: signals during the event loop and during the
// histogram-file write, a file-size limit, a console that cannot be written.
// Each run that may be stopped goes on in a child process, so that a fault
// that kills it fails the test instead of the test program.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <functional>
#include <thread>

#include "hbook/rz/writestop.h"
#include "support/runs.h"

using namespace testsupport;

namespace {

const tarn::RunStamp START = tarn::makeStamp(2026, 3, 7, 9, 5, 16, 345);  // ranNo 27961
const std::string LOG = "tarn-0307-0905.o";

// Runs `body` in a child whose standard output and error go to console.txt
// and stderr.txt in `dir`; returns the child's wait status.
int inChild(const fs::path& dir, const std::function<int()>& body, const char* stdoutPath = nullptr) {
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    const std::string out = stdoutPath ? stdoutPath : (dir / "console.txt").string();
    if (!std::freopen(out.c_str(), "w", stdout) || !std::freopen((dir / "stderr.txt").c_str(), "w", stderr)) _exit(99);
    _exit(body());
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return status;
}

// A run in `dir` on the console (standard output unless redirected) with the
// test's clock.
int runOnStdout(const fs::path& dir, int events, std::function<void(const tarn::DetectedNeutron&)> observer = {}) {
  fs::current_path(dir);
  tarn::RunOptions options;
  options.nEvents = events;
  options.observer = std::move(observer);
  int reading = 0;
  options.clock = [&reading] {
    if (reading++ == 0) return START;
    tarn::RunStamp end = START;
    end.time = "095916.345";
    return end;
  };
  return tarn::runTarn(options);
}

std::string lastLine(const std::string& text) {
  const auto all = lines(text);
  return all.empty() ? "" : all.back();
}

// Names in `dir` other than the inputs, the log and the captured streams.
std::vector<std::string> leftovers(const fs::path& dir) {
  std::vector<std::string> out;
  for (const auto& entry : fs::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    if (name != "lam.hbook" && name != "sq.hbook" && name != "gradx.hbook" && name != LOG && name != "console.txt" &&
        name != "stderr.txt" && name != "event.txt")
      out.push_back(name);
  }
  return out;
}

int exitStatus(int waitStatus) {
  EXPECT_TRUE(WIFEXITED(waitStatus)) << "killed by signal " << (WIFSIGNALED(waitStatus) ? WTERMSIG(waitStatus) : 0);
  return WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1;
}

}  // namespace

TEST(RunLogOnDisk, EachLineIsInTheFileOnceWritten) {
  ScratchDir dir("log-flush");
  dir.copyShippedInputs();
  std::string seen;
  const fs::path previous = fs::current_path();
  std::ostringstream console;
  textout::setConsole(&console);
  runOnStdout(dir.path(), 50, [&](const tarn::DetectedNeutron&) {
    if (seen.empty()) seen = readText(dir.path() / LOG);
  });
  textout::setConsole(nullptr);
  fs::current_path(previous);
  EXPECT_NE(seen.find(" ranNo is        27961\n"), std::string::npos) << seen;
  EXPECT_NE(seen.find("  ! Running with No x gradient !\n"), std::string::npos) << seen;
}

TEST(RunSignals, ASignalInTheEventLoopStopsBeforeTheNextEventWithItsStatus) {
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    ScratchDir dir("signal-loop");
    dir.copyShippedInputs();
    // The signal arrives while the fifth detected neutron is tallied.
    const int status = inChild(dir.path(), [&] {
      int detected = 0;
      return runOnStdout(dir.path(), 3000, [&](const tarn::DetectedNeutron& n) {
        if (++detected != 5) return;
        std::ofstream(dir.path() / "event.txt") << n.event;
        std::raise(signal);
      });
    });
    EXPECT_EQ(exitStatus(status), 128 + signal);
    const int event = std::stoi(readText(dir.path() / "event.txt"));
    const std::string name = signal == SIGINT ? "SIGINT" : signal == SIGTERM ? "SIGTERM" : "SIGHUP";
    const std::string expected =
        "  Interrupted by " + name + " before event " + std::to_string(event + 1) + " of 3000: no histogram file written";
    EXPECT_EQ(lastLine(readText(dir.path() / LOG)), expected);
    EXPECT_EQ(lastLine(readText(dir.path() / "console.txt")), expected);
    EXPECT_EQ(leftovers(dir.path()), std::vector<std::string>{});
  }
}

TEST(RunSignals, SigtermFromOutsideDuringALongRun) {
  ScratchDir dir("signal-outside");
  dir.copyShippedInputs();
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    if (!std::freopen((dir.path() / "console.txt").c_str(), "w", stdout)) _exit(99);
    _exit(runOnStdout(dir.path(), 20000000));
  }
  // Once the run has started its events (the log's first notice is on disk).
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (readText(dir.path() / LOG).find("No x gradient") == std::string::npos &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  kill(pid, SIGTERM);
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      FAIL() << "the run went on after SIGTERM";
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  // A run of 200 blocks: the block it was in is finished (it takes well
  // under the limit), and the checkpoint and a partial file keep the blocks
  // done; no temporary file is left.
  EXPECT_EQ(exitStatus(status), 143);
  const std::string log = readText(dir.path() / LOG);
  EXPECT_NE(log.find("  Interrupted by SIGTERM ("), std::string::npos) << log;
  EXPECT_NE(log.find("  Partial histogram file h27961.partial.hbook: blocks 0"), std::string::npos) << log;
  EXPECT_EQ(lastLine(log), "  Go on with: tarn --resume .");
  EXPECT_EQ(leftovers(dir.path()), (std::vector<std::string>{"h27961.checkpoint", "h27961.partial.hbook"}));
}

namespace {
int g_raiseAtRecord = 0, g_raiseCount = 1;
void raiseDuringWrite(std::int64_t record) {
  if (record != g_raiseAtRecord) return;
  for (int i = 0; i < g_raiseCount; ++i) std::raise(SIGTERM);
}
}  // namespace

TEST(RunSignals, ASignalDuringTheHistogramFileWriteLeavesNoFile) {
  ScratchDir dir("signal-write");
  dir.copyShippedInputs();
  const int status = inChild(dir.path(), [&] {
    g_raiseAtRecord = 3;
    hbook::setRecordHook(raiseDuringWrite);
    return runOnStdout(dir.path(), 300);
  });
  EXPECT_EQ(exitStatus(status), 143);
  const std::string log = readText(dir.path() / LOG);
  EXPECT_NE(log.find(" det in"), std::string::npos);
  EXPECT_EQ(lastLine(log),
            "  Interrupted by SIGTERM while writing the histogram file after the last event: no histogram file written");
  EXPECT_EQ(leftovers(dir.path()), std::vector<std::string>{});
}

TEST(RunSignals, ASecondSignalLeavesAtOnceAndStillRemovesTheTemporaryFile) {
  ScratchDir dir("signal-twice");
  dir.copyShippedInputs();
  const int status = inChild(dir.path(), [&] {
    g_raiseAtRecord = 2;
    g_raiseCount = 2;
    hbook::setRecordHook(raiseDuringWrite);
    return runOnStdout(dir.path(), 300);
  });
  EXPECT_EQ(exitStatus(status), 143);
  EXPECT_EQ(readText(dir.path() / LOG).find("Interrupted"), std::string::npos);
  EXPECT_EQ(leftovers(dir.path()), std::vector<std::string>{});
}

TEST(RunFileSizeLimit, AWriteBeyondTheLimitIsAFailedWriteNotASignal) {
  ScratchDir dir("fsize");
  dir.copyShippedInputs();
  // The histogram file takes 16 records of 4 KiB; the log and console stay small.
  const int status = inChild(dir.path(), [&] {
    const rlimit limit{32768, 32768};
    setrlimit(RLIMIT_FSIZE, &limit);
    return runOnStdout(dir.path(), 300);
  });
  EXPECT_EQ(exitStatus(status), 4);
  EXPECT_NE(readText(dir.path() / "console.txt")
                .find(" ***** ERROR in HRPUT : h27961.hbook: writing record 9 failed: File too large\n"),
            std::string::npos);
  EXPECT_NE(readText(dir.path() / LOG).find(" the histogram file h27961.hbook could not be written\n"), std::string::npos);
  EXPECT_EQ(leftovers(dir.path()), std::vector<std::string>{});
}

TEST(RunConsole, AConsoleThatCannotBeWrittenGivesStatus5AndTheFilesStayComplete) {
  ScratchDir dir("dev-full");
  dir.copyShippedInputs();
  const int status = inChild(dir.path(), [&] { return runOnStdout(dir.path(), 300); }, "/dev/full");
  EXPECT_EQ(exitStatus(status), 5);
  EXPECT_EQ(readText(dir.path() / "stderr.txt"),
            "tarn: the console report could not be written to standard output; the run log " + LOG + " holds it\n");
  EXPECT_NE(readText(dir.path() / LOG).find("   End time: "), std::string::npos);
  EXPECT_EQ(hbook::readFile((dir.path() / "h27961.hbook").string()).histograms.size(), 51u);  // with the run record
}

TEST(RunConsole, AConsolePipedIntoAReaderThatHasGoneIsAFailedConsoleNotASignal) {
  ScratchDir dir("closed-pipe");
  dir.copyShippedInputs();
  const int status = inChild(dir.path(), [&] {
    int ends[2];
    if (pipe(ends) != 0 || close(ends[0]) != 0 || dup2(ends[1], STDOUT_FILENO) < 0) return 99;
    return runOnStdout(dir.path(), 300);
  });
  EXPECT_EQ(exitStatus(status), 5);
  EXPECT_NE(readText(dir.path() / "stderr.txt").find("could not be written to standard output"), std::string::npos);
  EXPECT_EQ(hbook::readFile((dir.path() / "h27961.hbook").string()).histograms.size(), 51u);  // with the run record
}
