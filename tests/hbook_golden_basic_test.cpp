// The explicit call sequence behind the package's golden-basic.hbook, made
// through our upper-case entries and written by HRPUT, must leave the same
// file word for word: first with the package file's own date, so that even
// the date words agree, then with another date and the date words masked.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>

#include "hbook/hbook.h"
#include "hbook/memory/store.h"
#include "hbook/rz/date.h"
#include "support/hbookcompare.h"
#include "support/scratchdir.h"
#include "textout/console.h"

namespace {

using testsupport::compare;
using testsupport::differingWords;
using testsupport::RECORD_WORDS;
using testsupport::readBytes;
using testsupport::words;

const std::string DATA_DIR = std::string(TARN_TEST_DATA) + "/hbook/";

// Runs each test in a fresh temporary directory with an empty histogram
// memory, the generator at its start and the console captured.
class GoldenBasic : public ::testing::Test {
 protected:
  void SetUp() override {
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

  std::filesystem::path home_;
  testsupport::ScratchDir scratch_{"hbook-golden-basic"};
  std::string dir_ = scratch_.str();
  std::ostringstream console_;
};

// The calls, as the package was given them (single-precision arithmetic).
void goldenBasicCalls() {
  HLIMIT(1000000);
  HBOOK1(10, "golden a", 10, 0.0f, 1.0f, 0.0f);
  for (int i = 1; i <= 10; ++i) HF1(10, 0.1f * static_cast<float>(i) - 0.05f, static_cast<float>(i));
  HF1(10, -0.5f, 2.0f);
  HF1(10, 1.0f, 3.0f);
  HBOOK1(20, "Path length (cm) DeB", 200, 83.15f, 83.25f, 0.0f);
  for (int k = 0; k <= 196; k += 7) HF1(20, 83.15f + 0.0005f * (static_cast<float>(k) + 0.5f), 1.0f);
  HBOOK1(-5, " ", 1, -1.0f, 1.0f, 0.0f);
  HF1(-5, 0.0f, -1.5f);
  HBOOK1(3005, "E (meV) DetB", 1000, 0.0f, 40.0f, 0.0f);
  for (int k = 0; k <= 999; ++k) HF1(3005, 0.04f * static_cast<float>(k) + 0.02f, static_cast<float>(k % 7 + 1));
  HBOOK1(4017, "th-0 (deg)", 200, 0.0f, 10.0f, 0.0f);
}

TEST_F(GoldenBasic, CallsLeaveThePackageFile) {
  const std::vector<std::uint32_t> real = words(readBytes(DATA_DIR + "golden-basic.hbook"));
  ASSERT_EQ(real.size() % RECORD_WORDS, 0u);
  ASSERT_GT(real.size(), 3 * RECORD_WORDS);
  hbook::setFileDate(hbook::decodeFileDate(real[RECORD_WORDS + 9], true));  // directory word 10

  goldenBasicCalls();
  ASSERT_EQ(HRPUT(0, "golden-basic.hbook", "N"), hbook::FileStatus::Ok);
  EXPECT_EQ(console_.str(), "");

  const std::vector<std::uint32_t> ours = words(readBytes("golden-basic.hbook"));
  compare(real, ours, false);  // dates included
  compare(real, ours, true);
}

TEST_F(GoldenBasic, AnotherDateDiffersOnlyInTheDateWords) {
  const std::vector<std::uint32_t> real = words(readBytes(DATA_DIR + "golden-basic.hbook"));
  ASSERT_GT(real.size(), 3 * RECORD_WORDS);
  hbook::setFileDate({2031, 2, 3, 4, 5});

  goldenBasicCalls();
  ASSERT_EQ(HRPUT(0, "golden-basic.hbook", "N"), hbook::FileStatus::Ok);
  const std::vector<std::uint32_t> ours = words(readBytes("golden-basic.hbook"));
  compare(real, ours, true);
  // Unmasked, exactly the date words differ: directory words 10, 11 and 43
  // and word 2 of each of the five cycles (the cycle offsets follow the
  // directory's key list, words 1044, 1047, ...).
  std::vector<std::size_t> dates = {RECORD_WORDS + 9, RECORD_WORDS + 10, RECORD_WORDS + 42};
  ASSERT_EQ(real[RECORD_WORDS + 30], 5u);  // keys
  for (std::size_t key = 0; key < 5; ++key) dates.push_back(RECORD_WORDS + real[RECORD_WORDS + 1043 + 3 * key]);
  std::sort(dates.begin(), dates.end());
  EXPECT_EQ(differingWords(real, ours, false), dates);
}

TEST_F(GoldenBasic, ComparisonSeesOneFillMore) {
  const std::vector<std::uint32_t> real = words(readBytes(DATA_DIR + "golden-basic.hbook"));
  ASSERT_GT(real.size(), 3 * RECORD_WORDS);
  hbook::setFileDate(hbook::decodeFileDate(real[RECORD_WORDS + 9], true));

  goldenBasicCalls();
  HF1(3005, 20.0f, 1.0f);  // bin 501, which holds 4 (k = 500: weight 500 mod 7 + 1)
  ASSERT_EQ(HRPUT(0, "golden-basic.hbook", "N"), hbook::FileStatus::Ok);
  const std::vector<std::uint32_t> ours = words(readBytes("golden-basic.hbook"));
  const std::vector<std::size_t> differing = differingWords(real, ours, false);
  ASSERT_EQ(differing.size(), 2u);
  EXPECT_EQ(real[differing[0]], 1000u);  // entries
  EXPECT_EQ(ours[differing[0]], 1001u);
  EXPECT_EQ(real[differing[1]], std::bit_cast<std::uint32_t>(4.0f));
  EXPECT_EQ(ours[differing[1]], std::bit_cast<std::uint32_t>(5.0f));
}

TEST_F(GoldenBasic, ExistingFileIsLeftAlone) {
  const std::vector<std::uint32_t> real = words(readBytes(DATA_DIR + "golden-basic.hbook"));
  hbook::setFileDate(hbook::decodeFileDate(real[RECORD_WORDS + 9], true));
  goldenBasicCalls();
  ASSERT_EQ(HRPUT(0, "golden-basic.hbook", "N"), hbook::FileStatus::Ok);
  HF1(10, 0.5f, 1.0f);
  // Unlike the package, a second HRPUT to the same name keeps the first file.
  EXPECT_EQ(HRPUT(0, "golden-basic.hbook", "N"), hbook::FileStatus::Exists);
  compare(real, words(readBytes("golden-basic.hbook")), false);
}

}  // namespace
