// Writing: files made from the histograms of genuine files must equal those
// files word for word, apart from what the package leaves to chance: the date
// words (fixed here to the file's own date, then masked in a second pass),
// the memory addresses in the object tables and bank links (compared as
// offsets from the object's table start, except the header bank's own next,
// up and origin links, which point into the writer's memory outside the
// object) and the stale tail of the last record.
#include <gtest/gtest.h>

#include <dirent.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "hbook/rz/date.h"
#include "hbook/rz/reader.h"
#include "hbook/rz/writer.h"
#include "hbook/rz/writestop.h"
#include "support/hbookcompare.h"
#include "support/scratchdir.h"
#include "support/smallobjects.h"

namespace {

const std::string DATA_DIR = std::string(TARN_TEST_DATA) + "/hbook/";
using testsupport::compare;
using testsupport::RECORD_WORDS;
using testsupport::readBytes;
using testsupport::words;

std::vector<const hbook::Histogram*> pointers(const std::vector<hbook::Histogram>& hs) {
  std::vector<const hbook::Histogram*> p;
  for (const auto& h : hs) p.push_back(&h);
  return p;
}

class Golden : public ::testing::TestWithParam<std::string> {
 protected:
  void TearDown() override { hbook::useClockDate(); }
};

TEST_P(Golden, WriterReproducesTheRealFile) {
  const std::vector<std::uint32_t> real = words(readBytes(DATA_DIR + GetParam()));
  ASSERT_GT(real.size(), 3 * RECORD_WORDS);
  hbook::ReadResult read = hbook::readFile(DATA_DIR + GetParam());
  // The originals were booked in memory, except in the run-shaped file where
  // 100, 151, 152 and 301 came from HRGET (ZEBRA status bit 5 set); 100 was
  // then integrated by HRNDM1, and the package's file shows it without the mark.
  for (auto& h : read.histograms) {
    h.readFromFile = GetParam() == "golden-run.hbook" && (h.id == 151 || h.id == 152 || h.id == 301);
  }
  hbook::setFileDate(hbook::decodeFileDate(real[RECORD_WORDS + 9], true));
  compare(real, words(hbook::fileImage(pointers(read.histograms))), false);
  // Any other date differs exactly in the date words.
  hbook::setFileDate({2031, 2, 3, 4, 5});
  compare(real, words(hbook::fileImage(pointers(read.histograms))), true);
}

INSTANTIATE_TEST_SUITE_P(RealFiles, Golden,
                         ::testing::Values("golden-basic.hbook", "golden-run.hbook", "lam.hbook", "sq.hbook", "gradx.hbook",
                                           "errors.hbook", "mixed.hbook", "many.hbook"));

class TempDir : public ::testing::Test {
 protected:
  std::set<std::string> entries() const {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir_)) names.insert(e.path().filename().string());
    return names;
  }
  testsupport::ScratchDir scratch_{"hbook-file"};
  std::string dir_ = scratch_.str();
};

void expectSame(const hbook::Histogram& a, const hbook::Histogram& b) {
  EXPECT_EQ(a.id, b.id);
  EXPECT_EQ(a.title, b.title);
  EXPECT_EQ(a.nx, b.nx);
  EXPECT_EQ(std::bit_cast<std::uint32_t>(a.xmin), std::bit_cast<std::uint32_t>(b.xmin));
  EXPECT_EQ(std::bit_cast<std::uint32_t>(a.xmax), std::bit_cast<std::uint32_t>(b.xmax));
  EXPECT_EQ(a.kbits, b.kbits);
  EXPECT_EQ(a.entries, b.entries);
  ASSERT_EQ(a.channels.size(), b.channels.size());
  for (std::size_t i = 0; i < a.channels.size(); ++i) {
    EXPECT_EQ(std::bit_cast<std::uint32_t>(a.channels[i]), std::bit_cast<std::uint32_t>(b.channels[i])) << a.id << " " << i;
  }
  ASSERT_EQ(a.sumw2.size(), b.sumw2.size());
  for (std::size_t i = 0; i < a.sumw2.size(); ++i) {
    EXPECT_EQ(std::bit_cast<std::uint32_t>(a.sumw2[i]), std::bit_cast<std::uint32_t>(b.sumw2[i]));
  }
}

TEST_F(TempDir, EverythingWrittenReadsBack) {
  for (const char* name : {"mixed.hbook", "errors.hbook", "pawtut.hbook", "golden-run.hbook"}) {
    const hbook::ReadResult a = hbook::readFile(DATA_DIR + name);
    const std::string out = dir_ + "/" + name;
    ASSERT_TRUE(hbook::writeFile(out, pointers(a.histograms)));
    const hbook::ReadResult b = hbook::readFile(out);
    ASSERT_EQ(a.histograms.size(), b.histograms.size());
    for (std::size_t i = 0; i < a.histograms.size(); ++i) expectSame(a.histograms[i], b.histograms[i]);
    EXPECT_TRUE(b.skipped.empty());
  }
}

TEST_F(TempDir, StatusWordTellsWhetherReadFromFile) {
  hbook::ReadResult a = hbook::readFile(DATA_DIR + "lam.hbook");
  // HID1 status word is the 12th word of the bank, which starts 12+9+NWT words before the object's end.
  const hbook::Histogram& h = a.histograms[0];
  const std::size_t nwt = (h.title.size() + 3) / 4;
  auto status = [&](bool fromFile) {
    a.histograms[0].readFromFile = fromFile;
    const std::vector<std::uint32_t> w = words(hbook::fileImage(pointers(a.histograms)));
    const std::size_t objectEnd = 3 * RECORD_WORDS + (w[RECORD_WORDS + 2047] & 0xFFFFF);  // one object from record 4 word 1
    return w[objectEnd - (9 + nwt) - 1];
  };
  EXPECT_EQ(status(true), 0x00040010u);
  EXPECT_EQ(status(false), 0x00040000u);
}

hbook::Histogram simple(int id, int nx) {
  hbook::Histogram h;
  h.id = id;
  h.title = "h" + std::to_string(id);
  h.nx = nx;
  h.xmin = -1.0f;
  h.xmax = 1.0f;
  h.entries = id;
  h.channels.assign(static_cast<std::size_t>(nx) + 2, 0.0f);
  for (std::size_t i = 0; i < h.channels.size(); ++i) h.channels[i] = static_cast<float>(i) * 0.25f - 1.0f;
  return h;
}

TEST_F(TempDir, TheDirectoryTakesARecordMoreBeyond141Histograms) {
  std::vector<hbook::Histogram> hs;
  for (int i = 1; i <= 142; ++i) hs.push_back(simple(i, 10 + i));
  for (std::size_t n : {141u, 142u}) {
    auto all = pointers(hs);
    all.resize(n);
    const std::string path = dir_ + "/" + std::to_string(n) + ".hbook";
    ASSERT_TRUE(hbook::writeFile(path, all));
    const std::vector<std::uint32_t> w = words(readBytes(path));
    EXPECT_EQ(w[RECORD_WORDS + 37], n == 141 ? 2u : 3u);  // the records of the top directory
    const hbook::ReadResult r = hbook::readFile(path);
    ASSERT_EQ(r.histograms.size(), n);
    for (std::size_t i = 0; i < n; ++i) expectSame(hs[i], r.histograms[i]);
  }
}

TEST_F(TempDir, LargeHistogramSpansRecordsAndEndsOnARecordBoundary) {
  // 2000 bins span three records; an object of exactly 1024 words ends a record.
  std::vector<hbook::Histogram> hs = {simple(-3, 2000), simple(5, 1024 - 49 - 1), simple(6, 3)};
  ASSERT_TRUE(hbook::writeFile(dir_ + "/big.hbook", pointers(hs)));
  const hbook::ReadResult r = hbook::readFile(dir_ + "/big.hbook");
  ASSERT_EQ(r.histograms.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) expectSame(hs[i], r.histograms[i]);
}

TEST_F(TempDir, NeverOverwritesWithoutBeingAsked) {
  const std::string path = dir_ + "/run.hbook";
  { std::ofstream(path) << "precious"; }
  const hbook::Histogram h = simple(1, 4);
  EXPECT_FALSE(hbook::writeFile(path, {&h}));
  std::ifstream in(path);
  std::string text;
  in >> text;
  EXPECT_EQ(text, "precious");
  EXPECT_EQ(entries(), std::set<std::string>{"run.hbook"});
  EXPECT_TRUE(hbook::writeFile(path, {&h}, true));
  EXPECT_EQ(hbook::readFile(path).histograms.size(), 1u);
  EXPECT_EQ(entries(), std::set<std::string>{"run.hbook"});
}

TEST_F(TempDir, WriteFailureThrowsAndLeavesNothing) {
  const hbook::Histogram h = simple(1, 4);
  EXPECT_THROW(hbook::writeFile(dir_ + "/no/such/dir/x.hbook", {&h}), hbook::FileError);
  hbook::Histogram broken = simple(2, 4);
  broken.channels.pop_back();
  EXPECT_THROW(hbook::writeFile(dir_ + "/x.hbook", {&broken}), hbook::FileError);
  EXPECT_TRUE(entries().empty());
}

TEST_F(TempDir, EmptyFileHasADirectoryOnly) {
  ASSERT_TRUE(hbook::writeFile(dir_ + "/empty.hbook", {}));
  EXPECT_EQ(std::filesystem::file_size(dir_ + "/empty.hbook"), 3u * 4096u);
  const hbook::ReadResult r = hbook::readFile(dir_ + "/empty.hbook");
  EXPECT_TRUE(r.histograms.empty());
}

// What a stop check and the record hook see of a write: the hook is told of
// each record once it is on disk (1, 2, 3 for the three records of a file of
// no histograms), the check is asked after each record and once more before
// the file is renamed into place. A signal it reports at either point ends
// the write with WriteStopped naming the file and the signal, leaving no file
// under either name.
std::vector<std::int64_t> g_records;
int g_checks = 0, g_stopAtCheck = 0;
void noteRecord(std::int64_t record) { g_records.push_back(record); }
int stopAtCheck() { return ++g_checks == g_stopAtCheck ? 15 : 0; }

class Stopping : public TempDir {
 protected:
  void SetUp() override {
    g_records.clear();
    g_checks = 0;
    hbook::setRecordHook(noteRecord);
    hbook::setStopCheck(stopAtCheck);
  }
  void TearDown() override {
    hbook::setRecordHook(nullptr);
    hbook::setStopCheck(nullptr);
  }
};

TEST_F(Stopping, TheHookSeesEachRecordAndTheCheckIsAskedOnceMore) {
  g_stopAtCheck = 0;  // never
  ASSERT_TRUE(hbook::writeFile(dir_ + "/empty.hbook", {}));
  EXPECT_EQ(g_records, (std::vector<std::int64_t>{1, 2, 3}));
  EXPECT_EQ(g_checks, 4);
  // Records of 256 words: the hook counts records of that length.
  g_records.clear();
  hbook::WriteOptions o;
  o.recordWords = 256;
  const std::string path = dir_ + "/short.hbook";
  ASSERT_TRUE(hbook::writeFile(path, {testsupport::directory("/", {})}, o));
  const auto records = static_cast<std::int64_t>(std::filesystem::file_size(path) / 1024);
  ASSERT_GE(records, 3);
  std::vector<std::int64_t> expected;
  for (std::int64_t r = 1; r <= records; ++r) expected.push_back(r);
  EXPECT_EQ(g_records, expected);
}

TEST_F(Stopping, ASignalAfterARecordOrBeforeTheRenameLeavesNothing) {
  for (int at : {2, 4}) {
    g_records.clear();
    g_checks = 0;
    g_stopAtCheck = at;
    const std::string path = dir_ + "/stopped.hbook";
    try {
      hbook::writeFile(path, {});
      ADD_FAILURE() << "a write stopped at check " << at << " went on";
    } catch (const hbook::WriteStopped& e) {
      EXPECT_EQ(std::string(e.what()), path + ": writing stopped by signal 15");
      EXPECT_EQ(e.signal(), 15);
    }
    EXPECT_EQ(g_records.size(), at == 2 ? 2u : 3u);
    EXPECT_EQ(g_checks, at);
    EXPECT_TRUE(entries().empty()) << at;
  }
}

// A temporary file that a signal handler removed (removeTemporaryFile) while
// the write went on cannot be renamed into place: a FileError naming the file,
// the step and the system's reason, with or without overwriting, and no file.
void removeAtRecord2(std::int64_t record) {
  if (record == 2) hbook::removeTemporaryFile();
}

TEST_F(Stopping, ATemporaryFileRemovedMidWriteIsARenameFailure) {
  g_stopAtCheck = 0;
  hbook::setRecordHook(removeAtRecord2);
  for (bool overwrite : {false, true}) {
    const std::string path = dir_ + "/gone.hbook";
    try {
      hbook::writeFile(path, {}, overwrite);
      ADD_FAILURE() << "written although its temporary file was removed";
    } catch (const hbook::WriteStopped&) {
      ADD_FAILURE() << "reported as stopped by a signal";
    } catch (const hbook::FileError& e) {
      EXPECT_EQ(std::string(e.what()),
                path + ": renaming the temporary file into place failed: No such file or directory");
    }
    EXPECT_TRUE(entries().empty()) << overwrite;
  }
  // Once a write is over, its temporary name is forgotten: nothing to remove.
  hbook::setRecordHook(nullptr);
  const std::string kept = dir_ + "/kept.hbook";
  ASSERT_TRUE(hbook::writeFile(kept, {}));
  hbook::removeTemporaryFile();
  EXPECT_EQ(entries(), std::set<std::string>{"kept.hbook"});
}

// A missing directory: the temporary file cannot be made, and the message says so.
TEST_F(TempDir, AMissingDirectoryIsNamedWithTheReason) {
  const std::string path = dir_ + "/no/x.hbook";
  try {
    hbook::writeFile(path, {});
    ADD_FAILURE() << "written into a missing directory";
  } catch (const hbook::FileError& e) {
    EXPECT_EQ(std::string(e.what()), path + ": cannot create a temporary file next to it: No such file or directory");
  }
}

// A program's result file (histograms, then column-wise ntuples): the record
// length runs from 256 to 8191 words and is the one read back; an id is
// written once; an existing file is kept unless overwriting is asked, by
// every form of writeFile.
hbook::ColumnNtuple smallNtuple(std::int32_t id) {
  hbook::ColumnNtuple n;
  n.id = id;
  n.title = "t";
  n.entries = 1;
  n.blocks = {"B"};
  hbook::Column c;
  c.name = "x";
  c.block = "B";
  c.reals = {2.5f};
  n.columns = {c};
  return n;
}

TEST_F(TempDir, AResultFileTakesRecordsOf256To8191WordsAndEachIdOnce) {
  const hbook::Histogram h = simple(4, 3);
  const hbook::ColumnNtuple n = smallNtuple(5);
  hbook::WriteOptions o;
  o.overwrite = true;
  for (int words : {256, 8191}) {
    o.recordWords = words;
    const std::string path = dir_ + "/r" + std::to_string(words) + ".hbook";
    ASSERT_TRUE(hbook::writeFile(path, {&h}, {&n}, o));
    const hbook::ReadResult r = hbook::readFile(path);
    EXPECT_EQ(r.recordWords, words);
    EXPECT_EQ(std::filesystem::file_size(path) % (4u * static_cast<unsigned>(words)), 0u);
    ASSERT_EQ(r.histograms.size(), 1u);
    ASSERT_EQ(r.directories.at(0).columnNtuples.size(), 1u);
    EXPECT_EQ(r.directories[0].columnNtuples[0].columns.at(0).reals, std::vector<float>{2.5f});
  }
  for (int words : {255, 8192}) {
    o.recordWords = words;
    try {
      hbook::writeFile(dir_ + "/bad.hbook", {&h}, {&n}, o);
      ADD_FAILURE() << words;
    } catch (const hbook::FileError& e) {
      EXPECT_EQ(std::string(e.what()), "record length " + std::to_string(words) + " words (256 to 8191)");
    }
  }
  o.recordWords = 1024;
  const hbook::ColumnNtuple same = smallNtuple(4);
  try {
    hbook::writeFile(dir_ + "/twice.hbook", {&h}, {&same}, o);
    ADD_FAILURE() << "the id 4 written twice";
  } catch (const hbook::FileError& e) {
    EXPECT_EQ(std::string(e.what()), "the id 4 twice");
  }
  EXPECT_FALSE(std::filesystem::exists(dir_ + "/bad.hbook"));
  EXPECT_FALSE(std::filesystem::exists(dir_ + "/twice.hbook"));

  // Kept unless asked: the result-file form and the directory form alike.
  const std::string path = dir_ + "/r256.hbook";
  const auto before = std::filesystem::file_size(path);
  o.overwrite = false;
  EXPECT_FALSE(hbook::writeFile(path, {&h}, {}, o));
  EXPECT_FALSE(hbook::writeFile(path, {testsupport::directory("/", {})}, o));
  EXPECT_EQ(std::filesystem::file_size(path), before);
  o.overwrite = true;
  ASSERT_TRUE(hbook::writeFile(path, {testsupport::directory("/", {})}, o));
  EXPECT_EQ(hbook::readFile(path).recordWords, 1024);
  EXPECT_TRUE(hbook::readFile(path).histograms.empty());
}

// Top directory names: lower-case letters a to z are stored as capitals, every
// character of the package's code is kept, the others are refused.
TEST_F(TempDir, TopDirectoryNamesKeepEveryCharacterOfTheCode) {
  const std::string code = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789+-*()$=,.#'!:\"_]&@?[><\\^;";
  hbook::WriteOptions o;
  for (std::size_t at = 0; at < code.size(); at += 16) {
    o.topDirectory = code.substr(at, 16);
    EXPECT_EQ(hbook::readMemory("x.hbook", hbook::fileImage({testsupport::directory("/", {})}, o)).topDirectory,
              o.topDirectory);
  }
  o.topDirectory = "azAZ";
  EXPECT_EQ(hbook::readMemory("x.hbook", hbook::fileImage({testsupport::directory("/", {})}, o)).topDirectory, "AZAZ");
  for (const char* bad : {"A`", "A{", "A%", "A|", "A}", "A~", "A/"}) {
    o.topDirectory = bad;
    EXPECT_THROW(hbook::fileImage({testsupport::directory("/", {})}, o), hbook::FileError) << bad;
  }
  // A subdirectory's lower-case name is stored as capitals too, z included.
  hbook::Directory top = testsupport::directory("/", {});
  top.subdirectories = {"az"};
  const hbook::ReadResult r = hbook::readMemory(
      "x.hbook", hbook::fileImage({top, testsupport::directory("/az", {simple(3, 2)})}, hbook::WriteOptions{}));
  ASSERT_EQ(r.directories.size(), 2u);
  EXPECT_EQ(r.directories[1].path, "/AZ");
}

}  // namespace
