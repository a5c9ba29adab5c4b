// The start word of an object (IP1 of its cycle) outside the record: 0, or
// beyond the record length, is refused with a message naming it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "hbook/rz/reader.h"

namespace {

const std::string DATA_DIR = std::string(TARN_TEST_DATA) + "/hbook/";

std::vector<unsigned char> readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

// lam.hbook (1024-word records, old cycle format): the cycle of its one key
// is at directory word 2046 (record 3, word 1023 counted from 1). Its upper
// half-word is IR1, the record where the object starts (4), the lower half
// IP1, the word where it starts (1).
constexpr std::size_t CYCLE_WORD_BYTE = 4 * (2 * 1024 + 1022);

// The message FileError gives for lam.hbook with IP1 set to ip1.
std::string errorWithStartWord(std::uint16_t ip1) {
  std::vector<unsigned char> b = readBytes(DATA_DIR + "lam.hbook");
  EXPECT_EQ(b.size(), 4u * 4096u);
  EXPECT_EQ(b[CYCLE_WORD_BYTE + 1], 4);  // IR1 = 4
  EXPECT_EQ(b[CYCLE_WORD_BYTE + 3], 1);  // IP1 = 1
  b[CYCLE_WORD_BYTE + 2] = static_cast<unsigned char>(ip1 >> 8);
  b[CYCLE_WORD_BYTE + 3] = static_cast<unsigned char>(ip1 & 0xFF);
  const std::string path = "/tmp/hbook-startword-" + std::to_string(getpid()) + ".hbook";
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()),
                                              static_cast<std::streamsize>(b.size()));
  std::string what;
  try {
    hbook::readFile(path);
  } catch (const hbook::FileError& e) {
    what = e.what();
  }
  std::remove(path.c_str());
  return what;
}

}  // namespace

TEST(HbookFileStartWord, ZeroAndBeyondTheRecordAreRefusedByName) {
  // The unchanged file loads.
  EXPECT_NO_THROW(hbook::readFile(DATA_DIR + "lam.hbook"));
  const std::string zero = errorWithStartWord(0);
  EXPECT_NE(zero.find("object start word 0"), std::string::npos) << zero;
  const std::string beyond = errorWithStartWord(1025);
  EXPECT_NE(beyond.find("object start word 1025"), std::string::npos) << beyond;
  // The last word of the record is a valid start: the object then runs on
  // into the continuation record, and whatever the file holds there, the
  // start word is not what is refused.
  const std::string last = errorWithStartWord(1024);
  EXPECT_EQ(last.find("object start word"), std::string::npos) << last;
}

namespace {

// The message of readMemory for lam.hbook with the cycle words of its key
// changed: IR1 (record), IP1 (word), NW (length) and IR2 (continuation).
constexpr std::size_t CYCLE_FIRST_WORD = 2 * 1024 + 1020;  // file word of cycle word 0 (IR2 in its upper half)

std::string errorWithCycle(int ir1, int nw, int ir2) {
  std::vector<unsigned char> b = readBytes(DATA_DIR + "lam.hbook");
  auto set = [&](std::size_t word, std::uint32_t v) {
    for (int k = 0; k < 4; ++k)
      b[4 * word + static_cast<std::size_t>(k)] = static_cast<unsigned char>(v >> (24 - 8 * k));
  };
  auto get = [&](std::size_t word) {
    return (std::uint32_t{b[4 * word]} << 24) | (std::uint32_t{b[4 * word + 1]} << 16) |
           (std::uint32_t{b[4 * word + 2]} << 8) | b[4 * word + 3];
  };
  EXPECT_EQ(get(CYCLE_FIRST_WORD + 2), (4u << 16) | 1u);  // IR1 4, IP1 1
  if (ir1 >= 0) set(CYCLE_FIRST_WORD + 2, (static_cast<std::uint32_t>(ir1) << 16) | 1u);
  if (nw >= 0) set(CYCLE_FIRST_WORD + 3, (get(CYCLE_FIRST_WORD + 3) & ~0xFFFFFu) | static_cast<std::uint32_t>(nw));
  if (ir2 >= 0) set(CYCLE_FIRST_WORD, (get(CYCLE_FIRST_WORD) & 0xFFFFu) | (static_cast<std::uint32_t>(ir2) << 16));
  try {
    hbook::readMemory("lam.hbook", b);
  } catch (const hbook::FileError& e) {
    return e.what();
  }
  return "";
}

}  // namespace

// The object's record lies in the file (4 records), its length is 3 words
// at least, and the records it continues in lie in the file too.
TEST(HbookFileStartWord, RecordsLengthAndContinuationLieInTheFile) {
  EXPECT_EQ(errorWithCycle(-1, -1, -1), "");
  const std::string at = "lam.hbook: record 3 (directory word 2045, cycle), key 1 (100,0): ";
  EXPECT_EQ(errorWithCycle(5, -1, -1), at + "object record 5 outside the file of 4 records");
  EXPECT_EQ(errorWithCycle(0, -1, -1), at + "object record 0 outside the file of 4 records");
  EXPECT_EQ(errorWithCycle(-1, 2, -1), at + "object length 2 too short");
  EXPECT_EQ(errorWithCycle(-1, 3, -1).find("object length"), std::string::npos) << errorWithCycle(-1, 3, -1);
  // 1025 words from word 1 of record 4 run one word into a continuation record.
  EXPECT_EQ(errorWithCycle(-1, 1025, 0), at + "continuation records 0..0 outside the file of 4 records");
  EXPECT_EQ(errorWithCycle(-1, 1025, 5), at + "continuation records 5..5 outside the file of 4 records");
  EXPECT_EQ(errorWithCycle(-1, 1025, 4),
            at + "object overlaps the object of key 1 (100,0)");  // inside, but its own record
  EXPECT_EQ(errorWithCycle(-1, 2049, 4), at + "continuation records 4..5 outside the file of 4 records");
}
