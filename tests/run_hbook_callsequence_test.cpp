// A run-shaped call sequence - the inputs read with HRGET from the package's
// own files, the program's 44 result bookings, HRNDM1 draws, the copies of
// S(q) made with HCOPYR, a few fills and HRPUT - made through our upper-case
// entries must leave the same file as the package left for the same calls
// (golden-run.hbook), word for word apart from what the package leaves to
// chance (see support/hbookcompare.h).
#include <gtest/gtest.h>

#include <stdlib.h>

#include <bit>
#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "hbook/hbook.h"
#include "hbook/memory/store.h"
#include "hbook/rz/date.h"
#include "support/hbookcompare.h"
#include "support/scratchdir.h"
#include "textout/console.h"
#include "transport/event/catalogue.h"

namespace {

using testsupport::compare;
using testsupport::differingWords;
using testsupport::RECORD_WORDS;
using testsupport::readBytes;
using testsupport::words;

const std::string DATA_DIR = std::string(TARN_TEST_DATA) + "/hbook/";

// Runs each test in a fresh temporary directory holding copies of the three
// input files, with an empty histogram memory, the generator at its start
// and the console captured.
class GoldenRun : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"lam.hbook", "gradx.hbook", "sq.hbook"})
      std::filesystem::copy_file(DATA_DIR + name, dir_ + "/" + name);
    home_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
    textout::setConsole(&console_);
    hbook::memory().clear();
    hbook::resetRndm();
  }
  void TearDown() override {
    textout::setConsole(nullptr);
    hbook::useClockDate();
    hbook::memory().clear();
    hbook::resetRndm();
    std::filesystem::current_path(home_);
  }

  // The calls, as the package was given them, up to (not including) HRPUT.
  void goldenRunCalls() {
    HLIMIT(1000000);
    EXPECT_EQ(HRGET(100, "lam.hbook", " "), hbook::FileStatus::Ok);
    EXPECT_EQ(HRGET(151, "gradx.hbook", " "), hbook::FileStatus::Ok);
    EXPECT_EQ(HRGET(152, "gradx.hbook", " "), hbook::FileStatus::Ok);
    EXPECT_EQ(HRGET(301, "sq.hbook", " "), hbook::FileStatus::Ok);
    EXPECT_EQ(console_.str(), "");  // HRGET is silent on success
    tarn::bookResultHistograms();
    EXPECT_EQ(hbook::memory().size(), 4u + 44u);
    for (int i = 0; i < 3; ++i) HRNDM1(100);
    HDELET(302);  // not there yet
    EXPECT_EQ(console_.str(), " ***** ERROR in HDELET : Unknown histogram : ID=     302 \n");
    HCOPYR(301, 302, " ", 0, 77, 0, 0, " ");
    for (int i = 0; i < 3; ++i) HRNDM1(302);
    HCOPYR(301, 402, " ", 0, 60, 0, 0, " ");
    for (int i = 0; i < 3; ++i) HRNDM1(402);
    HF1(1, 0.5f, 1.0f);
    HF1(3005, 5.0f, 1.0f);
    HF1(3005, 40.0f, 1.0f);
    HF1(3006, 83.2f, 1.0f);
    HF1(5021, -10.0f, 1.0f);
    HF1(4017, 0.0f, 1.0f);
  }

  std::filesystem::path home_;
  testsupport::ScratchDir scratch_{"golden-run"};
  std::string dir_ = scratch_.str();
  std::ostringstream console_;
};

TEST_F(GoldenRun, CallsLeaveThePackageFile) {
  const std::vector<std::uint32_t> real = words(readBytes(DATA_DIR + "golden-run.hbook"));
  ASSERT_EQ(real.size() % RECORD_WORDS, 0u);
  ASSERT_GT(real.size(), 3 * RECORD_WORDS);
  hbook::setFileDate(hbook::decodeFileDate(real[RECORD_WORDS + 9], true));  // directory word 10

  goldenRunCalls();
  ASSERT_EQ(HRPUT(0, "golden-run.hbook", "N"), hbook::FileStatus::Ok);
  // The HDELET line is the only thing printed by the whole sequence.
  EXPECT_EQ(console_.str(), " ***** ERROR in HDELET : Unknown histogram : ID=     302 \n");

  const std::vector<std::uint32_t> ours = words(readBytes("golden-run.hbook"));
  ASSERT_EQ(real[RECORD_WORDS + 30], 50u);  // keys: 4 inputs, 44 results, 302 and 402
  EXPECT_EQ(ours[RECORD_WORDS + 30], 50u);
  compare(real, ours, false);  // dates included
  compare(real, ours, true);
}

TEST_F(GoldenRun, ComparisonSeesADrawTooMany) {
  const std::vector<std::uint32_t> real = words(readBytes(DATA_DIR + "golden-run.hbook"));
  ASSERT_GT(real.size(), 3 * RECORD_WORDS);
  hbook::setFileDate(hbook::decodeFileDate(real[RECORD_WORDS + 9], true));

  goldenRunCalls();
  // One draw more changes no histogram (all three were integrated already),
  // one fill more does: its entries word and one bin word.
  HRNDM1(402);
  HF1(5022, 180.0f, 1.0f);
  ASSERT_EQ(HRPUT(0, "golden-run.hbook", "N"), hbook::FileStatus::Ok);
  const std::vector<std::uint32_t> ours = words(readBytes("golden-run.hbook"));
  const std::vector<std::size_t> differing = differingWords(real, ours, false);
  ASSERT_EQ(differing.size(), 2u);
  EXPECT_EQ(real[differing[0]], 0u);  // 5022 had no entries
  EXPECT_EQ(ours[differing[0]], 1u);
  EXPECT_EQ(real[differing[1]], 0u);
  EXPECT_EQ(ours[differing[1]], std::bit_cast<std::uint32_t>(1.0f));
}

}  // namespace
