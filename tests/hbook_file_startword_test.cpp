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
