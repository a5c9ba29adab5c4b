// The run log: made in its output folder (made first when missing), never
// over an existing log, each refusal said on standard error with its
// status; lines reach the file at once.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>

#include "support/scratchdir.h"
#include "transport/run/exitstatus.h"
#include "transport/run/runlog.h"
#include "transport/run/runstamp.h"

namespace {

struct Opened {
  int status;
  std::string err;
};

Opened open(tarn::RunLog& log, const std::string& outputDir, const std::string& path) {
  testing::internal::CaptureStderr();
  const int status = tarn::openRunLog(log, outputDir, path);
  return {status, testing::internal::GetCapturedStderr()};
}

std::string readText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(RunLogFile, AMissingFolderIsMadeAndEachLineReachesTheFileAtOnce) {
  testsupport::ScratchDir dir("runlog");
  const std::string folder = (dir.path() / "a" / "b").string();
  const std::string path = folder + "/tarn-0307-0905.o";
  tarn::RunLog log;
  const Opened o = open(log, folder, path);
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.err, "");
  ASSERT_TRUE(log.isOpen());
  log.write(" ranNo is           42");
  EXPECT_EQ(readText(path), " ranNo is           42\n");  // before the log is closed
  log.close();
  EXPECT_FALSE(log.failed());
  EXPECT_FALSE(log.isOpen());
}

TEST(RunLogFile, EachWayTheLogCannotBeMadeIsSaidWithTheStatus) {
  testsupport::ScratchDir dir("runlog");
  const std::string path = dir.str() + "/tarn-0307-0905.o";
  std::ofstream(path) << "the log of a run before\n";
  tarn::RunLog again;
  Opened o = open(again, dir.str(), path);
  EXPECT_EQ(o.status, tarn::STATUS_NO_RUN_LOG);
  EXPECT_EQ(o.err, "cannot overwrite existing file, unit 3, file " + path +
                       "\ntarn: a run started in the same minute wrote that log here (a run refused at its start "
                       "leaves its log too): wait for the next minute, remove the log if its run was refused, or "
                       "give --output-dir DIR\n");
  EXPECT_EQ(readText(path), "the log of a run before\n");

  const std::string missing = dir.str() + "/none/tarn-0307-0905.o";
  tarn::RunLog nowhere;
  o = open(nowhere, "", missing);
  EXPECT_EQ(o.status, tarn::STATUS_NO_RUN_LOG);
  EXPECT_EQ(o.err, "cannot create run log " + missing + ": No such file or directory\n");

  const std::string file = dir.str() + "/a-file";
  std::ofstream(file) << "in the way\n";
  tarn::RunLog inFile;
  o = open(inFile, file + "/sub", file + "/sub/tarn-0307-0905.o");
  EXPECT_EQ(o.status, tarn::STATUS_NO_RUN_LOG);
  EXPECT_EQ(o.err.rfind("cannot create the output directory " + file + "/sub: ", 0), 0u) << o.err;
  EXPECT_FALSE(inFile.isOpen());
}

// A worker's lines are kept for the run to write in block order.
TEST(RunLogFile, KeptLinesGoToTheirStringNotTheFile) {
  testsupport::ScratchDir dir("runlog");
  const std::string path = dir.str() + "/tarn-0307-0905.o";
  tarn::RunLog log;
  ASSERT_EQ(open(log, "", path).status, 0);
  std::string kept;
  log.keepLinesIn(&kept);
  log.write("one");
  log.write("two");
  log.keepLinesIn(nullptr);
  log.write("three");
  log.close();
  EXPECT_EQ(kept, "one\ntwo\n");
  EXPECT_EQ(readText(path), "three\n");
}

// The stamp's date and time fields, the log's name and the clock seed, with
// digits that would show a field cut or run together.
TEST(RunStampNames, FieldsLogNameAndSeedFromTheClock) {
  const tarn::RunStamp s = tarn::makeStamp(2026, 3, 7, 9, 5, 16, 345);
  EXPECT_EQ(s.date, "20260307");
  EXPECT_EQ(s.time, "090516.345");
  EXPECT_EQ(s.zone, "+0000");
  EXPECT_EQ(tarn::logFileName(s), "tarn-0307-0905.o");
  EXPECT_EQ(tarn::seedFromStamp(s), 5 * 16 * 345 + 16 + 345);  // 27961
  const tarn::RunStamp late = tarn::makeStamp(2026, 12, 31, 23, 59, 58, 999);
  EXPECT_EQ(late.date, "20261231");
  EXPECT_EQ(late.time, "235958.999");
  EXPECT_EQ(tarn::logFileName(late), "tarn-1231-2359.o");
  EXPECT_EQ(tarn::seedFromStamp(late), 59 * 58 * 999 + 58 + 999);
  EXPECT_EQ(tarn::makeStamp(2026, 1, 1, 0, 0, 0, 5).time, "000000.005");
  EXPECT_EQ(tarn::makeStamp(2026, 1, 1, 0, 0, 0, 50).time, "000000.050");
  EXPECT_EQ(tarn::seedFromStamp(tarn::makeStamp(2026, 1, 1, 0, 0, 0, 0)), 0);
  EXPECT_EQ(tarn::clockField("235958.999"), "235958.999  ");
  EXPECT_EQ(tarn::clockField("0123456789abcdef"), "0123456789ab");
  EXPECT_EQ(tarn::clockField(""), std::string(12, ' '));
}

// The clock's stamp in the local zone: the zone's offset as sign, hours and
// minutes, and in minutes among the values; the fields as the calendar has them.
TEST(RunStampNames, TheClocksZoneEastAndWestOfGreenwich) {
  const char* before = std::getenv("TZ");
  const std::string saved = before ? before : "";
  const auto stampIn = [](const char* zone) {
    setenv("TZ", zone, 1);
    tzset();
    return tarn::DATE_AND_TIME();
  };
  const tarn::RunStamp east = stampIn("<+0530>-5:30");
  EXPECT_EQ(east.zone, "+0530");
  EXPECT_EQ(east.values[3], 330);
  const tarn::RunStamp west = stampIn("<-0345>3:45");
  EXPECT_EQ(west.zone, "-0345");
  EXPECT_EQ(west.values[3], -225);
  const tarn::RunStamp greenwich = stampIn("UTC0");
  EXPECT_EQ(greenwich.zone, "+0000");
  EXPECT_EQ(greenwich.values[3], 0);
  // The fields against the calendar, read just before and after.
  std::tm a{}, b{};
  std::time_t t = std::time(nullptr);
  gmtime_r(&t, &a);
  const tarn::RunStamp now = stampIn("UTC0");
  t = std::time(nullptr);
  gmtime_r(&t, &b);
  if (a.tm_min == b.tm_min && a.tm_hour == b.tm_hour) {
    EXPECT_EQ(now.values[0], a.tm_year + 1900);
    EXPECT_EQ(now.values[1], a.tm_mon + 1);
    EXPECT_EQ(now.values[2], a.tm_mday);
    EXPECT_EQ(now.values[4], a.tm_hour);
    EXPECT_EQ(now.values[5], a.tm_min);
    EXPECT_EQ(now.date, tarn::makeStamp(a.tm_year + 1900, a.tm_mon + 1, a.tm_mday, 0, 0, 0, 0).date);
  }
  EXPECT_GE(now.values[7], 0);
  EXPECT_LE(now.values[7], 999);
  if (before)
    setenv("TZ", saved.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();
}

}  // namespace
