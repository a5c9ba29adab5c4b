// The run's line about its blocks, for each of its forms: none for a run of
// the clock run's shape, one block, every block of a run whose last block is
// short, and some blocks of a run.
#include <gtest/gtest.h>

#include "support/runs.h"

using namespace testsupport;

namespace {

const tarn::RunStamp START = tarn::makeStamp(2026, 11, 2, 15, 3, 7, 9);

std::string consoleOf(const char* name, std::int64_t events, std::int64_t first = 0, std::int64_t last = -1) {
  ScratchDir dir(name);
  tarn::RunOptions options;
  options.nEvents = events;
  options.seed = 5;
  options.firstBlock = first;
  options.lastBlock = last;
  options.blocksGiven = last >= 0;
  options.inputDir = TARN_DATA_DIR;
  options.extendedReport = true;
  options.clock = [] { return START; };
  const RunResult r = runWithOptions(dir.path(), options, START);
  EXPECT_EQ(r.status, 0) << r.console;
  return r.console;
}

}  // namespace

TEST(RunBlocksLine, EachFormOfTheLine) {
  // A run of the clock run's shape has none; one event fewer has it.
  EXPECT_EQ(consoleOf("blocksline-clock", 100000, 0, 0).find(" Blocks "), std::string::npos);
  const std::string one = consoleOf("blocksline-one", 99999);
  EXPECT_NE(one.find("\n Blocks 0: one block of 99999 events\n"), std::string::npos) << one;
  const std::string two = consoleOf("blocksline-two", 100001);
  EXPECT_NE(two.find("\n Blocks 0-1: 100000 events each (the last 1), each with random streams of its own\n"),
            std::string::npos)
      << two;
  const std::string some = consoleOf("blocksline-some", 250000, 2, 2);
  EXPECT_NE(some.find("\n Blocks 2 of the run's 0-2: 50000 of its 250000 events\n"), std::string::npos) << some;
}
