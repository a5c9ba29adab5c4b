// The progress line of long runs, with an injected clock and terminal
// decision, and once through a pseudo-terminal.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "transport/run/progress.h"

namespace {

// Feeds `total` events at `rate` events per second of the fake clock and
// returns what the progress wrote.
std::string simulate(std::int64_t total, double rate, bool enabled, std::int64_t step = 1) {
  double now = 100.0;
  std::ostringstream out;
  tarn::Progress progress(total, enabled, out, [&now] { return now; });
  for (std::int64_t done = step; done <= total; done += step) {
    now = 100.0 + static_cast<double>(done) / rate;
    progress.update(done);
  }
  progress.clear();
  return out.str();
}

std::vector<std::string> shownLines(const std::string& text) {
  std::vector<std::string> out;
  std::string current;
  for (char c : text) {
    if (c == '\r') {
      if (current.find_first_not_of(' ') != std::string::npos) out.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  return out;
}

}  // namespace

TEST(Progress, NothingWhenDisabledOrWhenTheRunIsShort) {
  EXPECT_EQ(simulate(100000, 1000.0, false), "");  // 100 s, but not a terminal
  EXPECT_EQ(simulate(2000, 1000.0, true), "");     // 2 s in all: never 2 s left after the first second
}

TEST(Progress, ALongRunShowsDoneRateAndTimeLeftAtMostOnceASecondThenClears) {
  const std::string text = simulate(10000, 1000.0, true);  // 10 s
  const std::vector<std::string> shown = shownLines(text);
  ASSERT_GE(shown.size(), 7u);
  EXPECT_LE(shown.size(), 9u);  // seconds 1 .. 9 at the most
  // The first line once a second has passed (the clock is read about every
  // 0.05 s), with what is left then.
  const long long first = std::atoll(shown.front().c_str());
  EXPECT_GE(first, 1000);
  EXPECT_LE(first, 1060);
  EXPECT_EQ(shown.front(), "  " + std::to_string(first) + " of 10000 events, 1000 events/s, 9 s left");
  // The line is erased at the end: blanks over it and the cursor back at the start.
  const std::string tail = text.substr(text.rfind('\r', text.size() - 2));
  EXPECT_EQ(tail, "\r" + std::string(tail.size() - 2, ' ') + "\r");
  EXPECT_GE(tail.size() - 2, shown.back().size());
}

TEST(Progress, EventCountsBeyond32Bits) {
  const std::vector<std::string> shown = shownLines(simulate(6000000000LL, 1e9, true, 1000000));
  ASSERT_FALSE(shown.empty());
  const long long first = std::atoll(shown.front().c_str());
  EXPECT_GE(first, 1000000000LL);
  EXPECT_LE(first, 1060000000LL);
  EXPECT_EQ(shown.front(), "  " + std::to_string(first) + " of 6000000000 events, 1000000000 events/s, 5 s left");
}

TEST(Progress, TimeLeftReadsAsSecondsMinutesOrHours) {
  EXPECT_EQ(tarn::durationText(45.2), "45 s");
  EXPECT_EQ(tarn::durationText(187.0), "3 min 07 s");
  EXPECT_EQ(tarn::durationText(7500.0), "2 h 05 min");
}

TEST(Progress, EachUnitStepOfTheTimeLeft) {
  struct Step {
    double seconds;
    const char* text;
  };
  const Step steps[] = {
      {-3.0, "0 s"},           {0.0, "0 s"},           {0.49, "0 s"},          {0.5, "1 s"},
      {59.0, "59 s"},          {59.49, "59 s"},        {59.5, "1 min 00 s"},   {60.0, "1 min 00 s"},
      {61.0, "1 min 01 s"},    {65.0, "1 min 05 s"},   {599.0, "9 min 59 s"},  {600.0, "10 min 00 s"},
      {3599.0, "59 min 59 s"}, {3599.5, "1 h 00 min"}, {3600.0, "1 h 00 min"}, {3659.0, "1 h 00 min"},
      {3660.0, "1 h 01 min"},  {3900.0, "1 h 05 min"}, {7199.0, "1 h 59 min"}, {7200.0, "2 h 00 min"},
      {36000.0, "10 h 00 min"}, {90061.0, "25 h 01 min"},
  };
  for (const Step& step : steps) EXPECT_EQ(tarn::durationText(step.seconds), step.text) << step.seconds;
}

// Updates every 1/8 s of the fake clock at 8 events per second: what was shown.
std::vector<std::string> eighths(std::int64_t total) {
  double now = 0.0;
  std::ostringstream out;
  tarn::Progress progress(total, true, out, [&now] { return now; });
  for (std::int64_t done = 1; done <= total; ++done) {
    now = static_cast<double>(done) / 8.0;
    progress.update(done);
  }
  progress.clear();
  return shownLines(out.str());
}

TEST(Progress, TheFirstLineComesAfterOneSecondWithAtLeastTwoSecondsLeft) {
  // 24 events: after one second 8 done and exactly 2 s left, shown then.
  const std::vector<std::string> shown = eighths(24);
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.front(), "  8 of 24 events, 8 events/s, 2 s left");
  // 23 events: 1.875 s left after the first second, never shown.
  EXPECT_TRUE(eighths(23).empty());
  // Once shown, the line goes on to the end, below two seconds left too.
  EXPECT_EQ(shown.back(), "  16 of 24 events, 8 events/s, 1 s left");
}

TEST(Progress, ALineWithNothingDoneYetHasAnUnknownTimeLeft) {
  double now = 0.0;
  std::ostringstream out;
  tarn::Progress progress(100, true, out, [&now] { return now; });
  now = 1.5;
  progress.update(0);
  EXPECT_EQ(out.str(), "\r  0 of 100 events, 0 events/s, unknown time left");
}

TEST(Progress, AShorterLineIsPaddedOverTheLongerOneBeforeIt) {
  // 160 events at 8 per second: "10 s left" after 10 s, then "9 s left",
  // one character shorter, padded with one blank.
  double now = 0.0;
  std::ostringstream out;
  tarn::Progress progress(160, true, out, [&now] { return now; });
  for (std::int64_t done = 1; done <= 96; ++done) {
    now = static_cast<double>(done) / 8.0;
    progress.update(done);
  }
  const std::string text = out.str();
  EXPECT_NE(text.find("\r  80 of 160 events, 8 events/s, 10 s left\r  88 of 160 events, 8 events/s, 9 s left \r"),
            std::string::npos)
      << text;
}

TEST(Progress, StandardErrorOnAPseudoTerminalIsATerminal) {
  EXPECT_FALSE(isatty(-1));
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  const std::string slave = ptsname(master);
  const pid_t pid = fork();
  if (pid == 0) {
    const int fd = open(slave.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0 || dup2(fd, STDERR_FILENO) < 0) _exit(2);
    _exit(tarn::stderrIsTerminal() ? 0 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  close(master);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  // Under the test runner standard error is a pipe or a file.
  if (!isatty(STDERR_FILENO)) {
    EXPECT_FALSE(tarn::stderrIsTerminal());
  }
}
