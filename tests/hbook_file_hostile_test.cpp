// Damaged files: truncations, bit flips and overwritten words of genuine
// files must either load or throw FileError - never crash, never read out of
// bounds (run this under the sanitizers as well).
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>

#include "hbook/rz/reader.h"
#include "support/files.h"

namespace {

using testsupport::SplitMix64;
using testsupport::readBytes;

const std::string DATA_DIR = std::string(TARN_TEST_DATA) + "/hbook/";

class Hostile : public ::testing::Test {
 protected:
  void SetUp() override { path_ = "/tmp/hbook-hostile-" + std::to_string(getpid()) + ".hbook"; }
  void TearDown() override { std::remove(path_.c_str()); }

  // Returns true when the file loaded, false when it threw FileError.
  bool tryRead(const std::vector<unsigned char>& bytes) {
    {
      std::ofstream out(path_, std::ios::binary | std::ios::trunc);
      out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    try {
      hbook::readFile(path_);
      return true;
    } catch (const hbook::FileError& e) {
      message_ = e.what();
      EXPECT_EQ(message_.rfind(path_ + ": ", 0), 0u) << message_;  // names the file first
      return false;
    }
  }
  std::string path_;
  std::string message_;  // of the last refusal
};

TEST_F(Hostile, RandomDamageLoadsOrThrowsFileError) {
  SplitMix64 rng{20261208};
  int loaded = 0, refused = 0;
  for (const char* name : {"lam.hbook", "errors.hbook", "mixed.hbook", "golden-basic.hbook", "pawtut.hbook",
                           "roothbk_write_hbk.hb"}) {
    const std::vector<unsigned char> original = readBytes(DATA_DIR + name);
    ASSERT_FALSE(original.empty());
    for (int variant = 0; variant < 120; ++variant) {
      std::vector<unsigned char> b = original;
      const int kind = variant % 4;
      // Most damage goes to the directory and the first data record, where
      // every pointer lives.
      const std::size_t hot = std::min<std::size_t>(b.size(), 4 * 4096);
      if (kind == 0) {
        b.resize(rng.below(b.size()));  // truncation anywhere
      } else if (kind == 1) {
        for (int k = 0, n = 1 + static_cast<int>(rng.below(4)); k < n; ++k) {
          b[4096 + rng.below(hot - 4096)] ^= static_cast<unsigned char>(1u << rng.below(8));
        }
      } else {
        static const std::uint32_t values[] = {0u, 1u, 2u, 0xFFFFFFFFu, 0x7FFFFFFFu, 0x80000000u, 1024u, 4096u, 0xFFFFu, 12u};
        const std::size_t at = 4 * (1024 + rng.below(hot / 4 - 1024));
        const std::uint32_t v = kind == 2 ? values[rng.below(10)] : static_cast<std::uint32_t>(rng.next());
        for (int k = 0; k < 4; ++k) b[at + k] = static_cast<unsigned char>(v >> (24 - 8 * k));
      }
      (tryRead(b) ? loaded : refused) += 1;
    }
  }
  // Both outcomes must occur: damage to unused words loads, damage to pointers is refused.
  EXPECT_GT(loaded, 50);
  EXPECT_GT(refused, 50);
}

TEST_F(Hostile, EveryRecordBoundaryTruncation) {
  const std::vector<unsigned char> original = readBytes(DATA_DIR + "mixed.hbook");
  for (std::size_t size = 0; size < original.size(); size += 1024) {
    std::vector<unsigned char> b(original.begin(), original.begin() + static_cast<std::ptrdiff_t>(size));
    EXPECT_FALSE(tryRead(b)) << size;  // mixed.hbook uses every record, so any cut loses data
  }
}

TEST_F(Hostile, MessagesNameRecordAndField) {
  std::vector<unsigned char> b = readBytes(DATA_DIR + "lam.hbook");
  // Cycle of key 1 (directory word 2045 = record 3 word 1021): point IR1 past the file.
  const std::size_t at = 4 * (2 * 1024 + 1020 + 2);
  b[at] = 0x00;
  b[at + 1] = 0x63;  // IR1 = 99
  try {
    tryRead(b);
    hbook::readFile(path_);
    FAIL();
  } catch (const hbook::FileError& e) {
    const std::string what = e.what();
    EXPECT_NE(what.find("record 3"), std::string::npos) << what;
    EXPECT_NE(what.find("cycle"), std::string::npos) << what;
    EXPECT_NE(what.find("99"), std::string::npos) << what;
  }
  std::vector<unsigned char> odd = readBytes(DATA_DIR + "lam.hbook");
  odd.push_back(0);
  EXPECT_FALSE(tryRead(odd));
  EXPECT_FALSE(tryRead({}));
  std::vector<unsigned char> zeros(16384, 0);
  EXPECT_FALSE(tryRead(zeros));
}

// A file is whole words (1 to 3 bytes more are refused as such) and whole
// records (a word more is a whole number of words, refused for the records).
TEST_F(Hostile, AFileIsWholeWordsAndWholeRecords) {
  const std::vector<unsigned char> original = readBytes(DATA_DIR + "lam.hbook");
  ASSERT_TRUE(tryRead(original)) << message_;
  for (std::size_t extra = 1; extra <= 4; ++extra) {
    std::vector<unsigned char> b = original;
    b.resize(b.size() + extra, 0);
    message_.clear();
    EXPECT_FALSE(tryRead(b)) << extra;
    EXPECT_EQ(message_.find("bytes is not a whole number of words") != std::string::npos, extra < 4) << message_;
    EXPECT_EQ(message_.find("bytes is not a whole number of 1024-word records") != std::string::npos, extra == 4)
        << message_;
  }
}

}  // namespace
