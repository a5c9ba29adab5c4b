// A directory's header words, each damaged at its bound, are refused naming
// the record, the directory word and its field, with the value found; the
// value one inside the bound gets past that check. The top directory's
// words that the record length is found by are refused as no record length.
#include <gtest/gtest.h>

#include <cstdint>

#include "hbook/rz/read/image.h"
#include "hbook/rz/read/listing.h"
#include "hbook/rz/reader.h"
#include "support/files.h"

namespace {

const std::string LAM = std::string(TARN_TEST_DATA) + "/hbook/lam.hbook";
constexpr std::size_t RECORD_WORDS = 1024;  // lam.hbook: 4 records, its top directory in records 2 and 3

// `file` with words (k, v) of the directory starting at `record` set:
// word k (1-based) of the directory's first record to v.
std::vector<unsigned char> withWords(const std::string& file, std::size_t record,
                                     std::initializer_list<std::pair<std::size_t, std::uint32_t>> words) {
  std::vector<unsigned char> b = testsupport::readBytes(file);
  for (const auto& [k, v] : words) {
    const std::size_t at = 4 * ((record - 1) * RECORD_WORDS + k - 1);
    for (int i = 0; i < 4; ++i) b.at(at + i) = static_cast<unsigned char>(v >> (24 - 8 * i));
  }
  return b;
}
std::vector<unsigned char> withWord(std::size_t k, std::uint32_t v) { return withWords(LAM, 2, {{k, v}}); }

// The refusal of the file, or "" when it loads.
std::string refusal(const std::vector<unsigned char>& b) {
  try {
    hbook::readMemory("h.hbook", b);
  } catch (const hbook::FileError& e) {
    return e.what();
  }
  return "";
}

TEST(DirectoryHeader, EachWordIsRefusedNamingItsField) {
  ASSERT_EQ(refusal(testsupport::readBytes(LAM)), "");
  const std::string at = "h.hbook: record 2 (directory word ";
  // The record list (word 24 points to it) lies in the first record after the header.
  EXPECT_EQ(refusal(withWord(24, 32)), at + "24, LD): record list pointer 32 outside the first record");
  // Its count (word 38) is 1 to the file's records less one (the end of the
  // directory, word 30, agreeing); its records lie in the file.
  EXPECT_EQ(refusal(withWords(LAM, 2, {{38, 0}, {30, 0}})),
            at + "38, NRD): directory record count 0 impossible for a file of 4 records");
  EXPECT_EQ(refusal(withWords(LAM, 2, {{38, 4}, {30, 4096}})),
            at + "38, NRD): directory record count 4 impossible for a file of 4 records");
  EXPECT_EQ(refusal(withWord(39, 1)), at + "39, directory record list): record 1 outside the file of 4 records");
  EXPECT_EQ(refusal(withWord(39, 5)), at + "39, directory record list): record 5 outside the file of 4 records");
  // The cycle format is 0 or 1; a key is 1 to 100 words.
  EXPECT_EQ(refusal(withWord(16, 2)), at + "16, RZVER): unknown cycle format 2");
  EXPECT_EQ(refusal(withWord(32, 0)), at + "32, NWKEY): impossible key length 0");
  EXPECT_EQ(refusal(withWord(32, 101)), at + "32, NWKEY): impossible key length 101");
  // The words the record length is found by: an end of the directory that
  // is not its records, a file descriptor beyond the first record or with
  // another record length, a record list pointer at the record's end.
  const std::string noLength = "h.hbook: record 2 (directory): no consistent record length found (not an HBOOK/RZ file?)";
  for (const auto& [k, v] : {std::pair<std::size_t, std::uint32_t>{30, 2047}, {30, 2049}, {25, 1025}, {42, 1023},
                             {24, 1025}}) {
    EXPECT_EQ(refusal(withWord(k, v)), noLength) << k << " " << v;
  }
}

// A subdirectory's end (word 30 of its first record) is its records' words.
TEST(DirectoryHeader, ASubdirectorysEndIsItsRecords) {
  const std::string dirs = std::string(TARN_TEST_DATA) + "/hbook/objects/dirs.hbook";
  const hbook::read::Image image("dirs.hbook", testsupport::readBytes(dirs));
  ASSERT_EQ(image.recordWords(), static_cast<std::int64_t>(RECORD_WORDS));
  const hbook::read::DirectoryListing top = hbook::read::readDirectory(image, 2, "/");
  ASSERT_FALSE(top.subdirectories.empty());
  const hbook::read::SubdirectoryEntry& sub = top.subdirectories[0];
  const auto record = static_cast<std::size_t>(sub.record);
  const hbook::read::DirectoryListing listing = hbook::read::readDirectory(image, sub.record, "/" + sub.name);
  const std::uint32_t words = static_cast<std::uint32_t>(listing.records.size() * RECORD_WORDS);
  const std::string at = "h.hbook: directory /" + sub.name + ", record " + std::to_string(record) +
                         " (directory word 30, LE): end of directory ";
  for (const std::uint32_t le : {words - 1, words + 1}) {
    EXPECT_EQ(refusal(withWords(dirs, record, {{30, le}})),
              at + std::to_string(le) + " is not " + std::to_string(listing.records.size()) + " records");
  }
  EXPECT_EQ(refusal(withWords(dirs, record, {{30, words}})), "");
}

// The keys (3 words each from word 1044) and the subdirectories (7 words
// each from word 1044) must end within the directory's 2048 words: 335
// keys and 143 subdirectories do, one more does not.
TEST(DirectoryHeader, KeysAndSubdirectoriesEndWithinTheDirectory) {
  const std::string at = "h.hbook: record 2 (directory word ";
  EXPECT_EQ(refusal(withWord(31, 336)), at + "31, NKEYS): 336 keys from word 1044 do not fit in the directory");
  EXPECT_EQ(refusal(withWord(31, 335)).find("do not fit"), std::string::npos);
  // The subdirectory list moved to word 1044 (word 26), their count in word 23.
  auto subdirectories = [](std::uint32_t n) { return refusal(withWords(LAM, 2, {{26, 1044}, {23, n}})); };
  EXPECT_EQ(subdirectories(144), at + "23, NSD): 144 subdirectories from word 1044 do not fit in the directory");
  EXPECT_EQ(subdirectories(143).find("do not fit"), std::string::npos);
}

}  // namespace
