// Reading genuine HBOOK files: every 1-D histogram must come out exactly as
// the package's own dumps of those files say (tests/data/hbook/*.dump.txt).
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "hbook/print/dump.h"
#include "hbook/rz/date.h"
#include "hbook/rz/reader.h"
#include "hbook/rz/words.h"
#include "support/files.h"

namespace {

using testsupport::fnv1a;
using testsupport::readText;

const std::string DATA_DIR = std::string(TARN_TEST_DATA) + "/hbook/";

class DumpMatch : public ::testing::TestWithParam<std::string> {};

TEST_P(DumpMatch, ReaderReproducesThePackagesDump) {
  const std::string file = GetParam();
  const std::string base = file.substr(0, file.find_last_of('.'));
  const std::string expected = readText(DATA_DIR + base + ".dump.txt");
  ASSERT_FALSE(expected.empty());
  const hbook::ReadResult r = hbook::readFile(DATA_DIR + file);
  EXPECT_EQ(hbook::dumpFile(DATA_DIR + file, r), expected);
}

INSTANTIATE_TEST_SUITE_P(RealFiles, DumpMatch,
                         ::testing::Values("lam.hbook", "sq.hbook", "gradx.hbook", "errors.hbook", "mixed.hbook",
                                           "golden-basic.hbook", "pawtut.hbook", "roothbk_write_hbk.hb"));

// The dumps of these two files are too large to keep in the repository; their
// size and FNV-1a hash were taken from the package's dumps.
TEST(HbookFileRead, LargeDumpsMatchByHash) {
  const hbook::ReadResult run = hbook::readFile(DATA_DIR + "golden-run.hbook");
  const std::string runDump = hbook::dumpFile("golden-run.hbook", run);
  EXPECT_EQ(runDump.size(), 687148u);
  EXPECT_EQ(fnv1a(runDump), 0xd5435efb647a7fd5ULL);
  const hbook::ReadResult many = hbook::readFile(DATA_DIR + "many.hbook");
  const std::string manyDump = hbook::dumpFile("many.hbook", many);
  EXPECT_EQ(manyDump.size(), 993506u);
  EXPECT_EQ(fnv1a(manyDump), 0xa669c30caeab5b7dULL);
  EXPECT_EQ(many.histograms.size(), 50u);
}

TEST(HbookFileRead, ErrorsBankAndDirectoryOrder) {
  const hbook::ReadResult r = hbook::readFile(DATA_DIR + "errors.hbook");
  ASSERT_EQ(r.histograms.size(), 1u);
  const hbook::Histogram& h = r.histograms[0];
  EXPECT_EQ(h.id, 11);
  EXPECT_EQ(h.kbits, 0x101u);
  ASSERT_EQ(h.sumw2.size(), 20u);
  EXPECT_EQ(std::bit_cast<std::uint32_t>(h.sumw2[0]), 0x40EA6F9Eu);  // hex walk-through of this file
  EXPECT_EQ(std::bit_cast<std::uint32_t>(h.underflow()), 0x411B00ABu);
  EXPECT_EQ(r.recordWords, 1024);
  EXPECT_TRUE(h.readFromFile);

  const hbook::ReadResult mixed = hbook::readFile(DATA_DIR + "mixed.hbook");
  std::vector<int> ids;
  for (const auto& m : mixed.histograms) ids.push_back(m.id);
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(ids, (std::vector<int>{1, 7, 301, 302, 1001, 3006, 4005}));
  for (const auto& m : mixed.histograms) EXPECT_EQ(m.entries == -1, m.id == 4005) << m.id;
}

// The objects the reader once skipped (2-D histograms, ntuple headers and
// buffers) are read now; the 1-D list stays what it was.
TEST(HbookFileRead, FormerlySkippedObjectsAreReadByKind) {
  const hbook::ReadResult paw = hbook::readFile(DATA_DIR + "pawtut.hbook");
  EXPECT_EQ(paw.histograms.size(), 3u);
  EXPECT_EQ(paw.allHistograms, 12);
  EXPECT_TRUE(paw.skipped.empty());
  ASSERT_EQ(paw.directories.size(), 1u);
  const hbook::Directory& top = paw.directories[0];
  EXPECT_EQ(top.objects.size(), 12u);
  EXPECT_EQ(top.histograms2d.size(), 8u);
  ASSERT_EQ(top.columnNtuples.size(), 1u);
  EXPECT_EQ(top.columnNtuples[0].entries, 3354);
  const hbook::ReadResult root = hbook::readFile(DATA_DIR + "roothbk_write_hbk.hb");
  EXPECT_TRUE(root.skipped.empty());
  ASSERT_EQ(root.directories[0].histograms2d.size(), 1u);
  EXPECT_EQ(root.directories[0].histograms2d[0].id, 4);
  EXPECT_EQ(root.histograms.size(), 3u);
}

TEST(HbookFileRead, MissingFileNamesIt) {
  try {
    hbook::readFile(DATA_DIR + "no-such-file.hbook");
    FAIL();
  } catch (const hbook::FileError& e) {
    EXPECT_NE(std::string(e.what()).find("no-such-file.hbook"), std::string::npos);
  }
}

// The message of readFile for a path, or "" when it reads.
std::string readRefusal(const std::string& path) {
  try {
    hbook::readFile(path);
  } catch (const hbook::FileError& e) {
    return e.what();
  }
  return "";
}

// A missing file gives the system's reason, a folder says so, and a file
// beyond 2 GiB is refused by its size before a byte of it is read.
TEST(HbookFileRead, EachFileThatCannotBeReadSaysWhy) {
  const std::string missing = DATA_DIR + "no-such-file.hbook";
  EXPECT_EQ(readRefusal(missing), missing + ": file: cannot be opened (No such file or directory)");
  const std::string folder = ::testing::TempDir() + "tarn-read-folder-" + std::to_string(::getpid());
  std::filesystem::create_directory(folder);
  EXPECT_EQ(readRefusal(folder), folder + ": file: is a directory, not an HBOOK file");
  const std::string large = folder + "/large.hbook";
  std::ofstream(large).close();
  std::filesystem::resize_file(large, (std::uintmax_t{1} << 31) + 1);  // sparse: no disk is used
  EXPECT_EQ(readRefusal(large), large + ": file: size 2147483649 bytes is too large");
  std::filesystem::remove_all(folder);
}

// Date word and character code, checked against the words of the real files.
TEST(HbookFileRead, DateAndNameWords) {
  // 8 Dec 2026 18:15 by the minute formula: 15 + 60*(18 + 24*(8 + 31*(12 + 12*40))) = 21975495,
  // minus 2^24 = 0x4F51C7.
  EXPECT_EQ(hbook::encodeFileDate({2026, 12, 8, 18, 15}), 0x4F51C700u);
  const hbook::FileDate d = hbook::decodeFileDate(0x4F51C700u, true);
  EXPECT_EQ(d.year, 2026);
  EXPECT_EQ(d.month, 12);
  EXPECT_EQ(d.day, 8);
  EXPECT_EQ(d.hour, 18);
  EXPECT_EQ(d.minute, 15);
  const hbook::FileDate jan = hbook::decodeFileDate(hbook::encodeFileDate({1999, 1, 31, 0, 0}), false);
  EXPECT_EQ(jan.year, 1999);
  EXPECT_EQ(jan.day, 31);
  EXPECT_EQ(hbook::rz::sixBitWord("HRPU"), 0x00550488u);
  EXPECT_EQ(hbook::rz::sixBitWord("T"), 0x00000014u);
  EXPECT_EQ(hbook::rz::sixBitWord(" "), 0x0000002Du);
  EXPECT_EQ(hbook::rz::sixBitWord("HBOO"), 0x003CF088u);
  EXPECT_EQ(hbook::rz::sixBitWord("K-ID"), 0x0010998Bu);
  EXPECT_EQ(hbook::rz::sixBitWord("VARI"), 0x00252056u);
  EXPECT_EQ(hbook::rz::sixBitWord("ABLE"), 0x0014C081u);
}

// Lower-case letters have the codes of their capitals, 'a' to 'z' inclusive;
// the characters just outside ('`' has no code, '{' has its own) do not.
TEST(HbookFileRead, LowerCaseLettersCodeLikeCapitals) {
  EXPECT_EQ(hbook::rz::sixBitWord("a"), 1u);
  EXPECT_EQ(hbook::rz::sixBitWord("b"), 2u);
  EXPECT_EQ(hbook::rz::sixBitWord("y"), 25u);
  EXPECT_EQ(hbook::rz::sixBitWord("z"), 26u);
  EXPECT_EQ(hbook::rz::sixBitWord("Z"), 26u);
  EXPECT_EQ(hbook::rz::sixBitWord("zzzz"), 26u | 26u << 6 | 26u << 12 | 26u << 18);
  EXPECT_EQ(hbook::rz::sixBitWord("abyz"), hbook::rz::sixBitWord("ABYZ"));
  EXPECT_EQ(hbook::rz::sixBitWord("hrpu"), 0x00550488u);
  EXPECT_EQ(hbook::rz::sixBitWord("`"), 57u);  // '?' like any character without a code
  EXPECT_EQ(hbook::rz::sixBitWord("{"), 41u);
}

// The signs of the 6-bit code, each with its own number (37 to 63), the
// braces, bar and percent sign with the numbers of the signs they stand for,
// digits 27 to 36; a blank is 45 as the first character and 0 after it, and
// a short name is filled with blanks.
TEST(HbookFileRead, SignsAndDigitsHaveTheirCodes) {
  const struct {
    char c;
    std::uint32_t code;
  } table[] = {{'0', 27}, {'9', 36}, {'+', 37}, {'-', 38}, {'*', 39}, {'/', 40},  {'(', 41}, {')', 42}, {'$', 43},
               {'=', 44}, {' ', 45}, {',', 46}, {'.', 47}, {'#', 48}, {'\'', 49}, {'!', 50}, {':', 51}, {'"', 52},
               {'_', 53}, {']', 54}, {'&', 55}, {'@', 56}, {'?', 57}, {'[', 58},  {'>', 59}, {'<', 60}, {'\\', 61},
               {'^', 62}, {';', 63}, {'%', 51}, {'{', 41}, {'|', 40}, {'}', 42},  {'~', 57}};
  for (const auto& t : table) EXPECT_EQ(hbook::rz::sixBitWord(std::string(1, t.c)), t.code) << t.c;
  EXPECT_EQ(hbook::rz::sixBitWord("A B"), 1u | 2u << 12);
  EXPECT_EQ(hbook::rz::sixBitWord("AB"), 1u | 2u << 6);
  EXPECT_EQ(hbook::rz::sixBitWord(""), 45u);
  EXPECT_EQ(hbook::rz::sixBitWord("ABCDE"), hbook::rz::sixBitWord("ABCD"));  // four characters a word
  EXPECT_EQ(hbook::rz::sixBitWord("0%9}"), 27u | 51u << 6 | 36u << 12 | 42u << 18);
}

TEST(HbookFileRead, EsFormatLikeFortran) {
  EXPECT_EQ(hbook::fortranES16(0.0f), "  0.00000000E+00");
  EXPECT_EQ(hbook::fortranES16(-1.5f), " -1.50000000E+00");
  EXPECT_EQ(hbook::fortranES16(1.0e-40f).size(), 16u);
}

}  // namespace
