// Writing every object kind: a copy of each test file (every object of
// every directory, read and written again) reads back with the same dump,
// every value included; files of histograms and memory-resident ntuples
// (variable bins, packed channels, Y bands, profile option P, three levels
// of directories, ...) are the package's own word for word, apart from what it leaves to chance (dates, the memory
// addresses in tables and links, compared here relative to each object's
// table, and the header bank's own next, up and origin links); objects that
// end exactly at a record's end, record lengths up to the largest the
// package writes, directories that outgrow their records, objects beyond
// the 20-bit length of the package's old cycles.
#include <gtest/gtest.h>

#include <bit>
#include <filesystem>
#include <sstream>

#include "hbook/print/dumpall/dumpall.h"
#include "hbook/rz/date.h"
#include "hbook/rz/read/image.h"
#include "hbook/rz/read/listing.h"
#include "hbook/rz/reader.h"
#include "hbook/rz/words.h"
#include "hbook/rz/writer.h"
#include "support/files.h"
#include "support/smallobjects.h"

namespace {

namespace fs = std::filesystem;
using testsupport::directory;
using testsupport::histogram;
const std::string DATA_DIR = std::string(TARN_TEST_DATA) + "/hbook/";

struct DateGuard {
  DateGuard() { hbook::setFileDate({2024, 5, 6, 7, 8}); }
  ~DateGuard() { hbook::useClockDate(); }
};

// The dump without the line naming the reader and the record length.
std::string dumpOf(const hbook::ReadResult& r) {
  std::ostringstream out;
  hbook::dumpAll(out, "x.hbook", r);
  std::istringstream in(out.str());
  std::string text;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("READER ", 0) != 0) text += line + "\n";
  }
  return text;
}

// "" when equal, else the first line that differs.
std::string difference(const std::string& a, const std::string& b) {
  std::istringstream x(a), y(b);
  std::string p, q;
  for (int line = 1;; ++line) {
    const bool more = static_cast<bool>(std::getline(x, p)), other = static_cast<bool>(std::getline(y, q));
    if (!more && !other) return "";
    if (more != other || p != q)
      return "line " + std::to_string(line) + ": '" + (more ? p : "(end)") + "' vs '" + (other ? q : "(end)") + "'";
  }
}

// What hbook copy writes of a file read: every directory, each 1-D
// histogram with the marking its file gave it, the top directory's name.
std::vector<unsigned char> copyImage(hbook::ReadResult r, int recordWords = 1024) {
  for (hbook::Directory& d : r.directories) {
    for (hbook::Histogram& h : d.histograms) h.readFromFile = h.markedAsRead;
  }
  hbook::WriteOptions o;
  o.recordWords = recordWords;
  if (!r.topDirectory.empty()) o.topDirectory = r.topDirectory;
  return hbook::fileImage(r.directories, o);
}

std::vector<std::string> testFiles() {
  std::vector<std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(DATA_DIR)) {
    const std::string p = e.path().string();
    if (p.find("/fuzz/") != std::string::npos) continue;
    if (e.path().extension() == ".hbook" || e.path().extension() == ".hb") files.push_back(p.substr(DATA_DIR.size()));
  }
  std::sort(files.begin(), files.end());
  return files;
}

class CopyOf : public ::testing::TestWithParam<std::string> {};

TEST_P(CopyOf, ReadsBackWithTheSameDump) {
  const DateGuard date;
  const hbook::ReadResult in = hbook::readFile(DATA_DIR + GetParam());
  ASSERT_TRUE(in.skipped.empty()) << in.skipped.front().note;
  const hbook::ReadResult out = hbook::readMemory("x.hbook", copyImage(in));
  EXPECT_TRUE(out.skipped.empty());
  EXPECT_EQ(out.topDirectory, in.topDirectory.empty() ? "HRPUT" : in.topDirectory);
  const std::string expected = dumpOf(in);
  EXPECT_EQ(difference(dumpOf(out), expected), "");
  // And again with the longest record the package writes.
  const hbook::ReadResult longRecords = hbook::readMemory("x.hbook", copyImage(in, 8191));
  EXPECT_EQ(longRecords.recordWords, 8191);
  EXPECT_EQ(difference(dumpOf(longRecords), expected), "");
}

INSTANTIATE_TEST_SUITE_P(TestFiles, CopyOf, ::testing::ValuesIn(testFiles()), [](const auto& info) {
  std::string n = info.param;
  for (char& c : n) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return n;
});

// --- Word by word against the package's files -------------------------------

using Words = std::vector<std::uint32_t>;

Words words(const std::vector<unsigned char>& b) {
  Words w(b.size() / 4);
  for (std::size_t i = 0; i < w.size(); ++i) w[i] = hbook::rz::loadBig(&b[4 * i]);
  return w;
}

// One directory: its concatenated words (1-based) and where each key's object lies.
struct Dir {
  std::string path;
  Words d;
  std::vector<std::int64_t> records;
  std::vector<std::pair<std::string, std::int64_t>> children;  // name, first record
};

constexpr std::int64_t REC = 1024;

Dir readDir(const Words& w, std::int64_t first, const std::string& path) {
  Dir dir;
  dir.path = path;
  const std::int64_t ld = w[(first - 1) * REC + 23];
  const std::int64_t nrd = w[(first - 1) * REC + ld - 1];
  dir.d.push_back(0);
  for (std::int64_t r = 0; r < nrd; ++r) {
    const std::int64_t rec = w[(first - 1) * REC + ld + r];
    dir.records.push_back(rec);
    for (std::int64_t k = 0; k < REC; ++k) dir.d.push_back(w[(rec - 1) * REC + k]);
  }
  const std::int64_t nsd = dir.d[23], ls = dir.d[26];
  for (std::int64_t s = 0; s < nsd; ++s) {
    std::string name;
    for (int k = 0; k < 4; ++k) {
      for (int c = 0; c < 4; ++c) {
        const std::uint32_t code = (dir.d[ls + 7 * s + k] >> (6 * c)) & 63;
        if (code >= 1 && code <= 26)
          name += static_cast<char>('A' + code - 1);
        else if (code >= 27 && code <= 36)
          name += static_cast<char>('0' + code - 27);
      }
    }
    dir.children.push_back({name, dir.d[ls + 7 * s + 5] & 0x3FFFF});
  }
  return dir;
}

std::vector<Dir> directories(const Words& w) {
  std::vector<Dir> out = {readDir(w, 2, "/")};
  for (std::size_t i = 0; i < out.size(); ++i) {
    for (const auto& [name, rec] : out[i].children)
      out.push_back(readDir(w, rec, (out[i].path == "/" ? "/" : out[i].path + "/") + name));
  }
  return out;
}

// The object of key k (0-based) with its link words made relative to its table's start.
Words object(const Words& w, const Dir& dir, std::int64_t k) {
  const Words& d = dir.d;
  const std::int64_t c = d[d[27] + 3 * k];
  const std::int64_t ir2 = d[c] >> 16, ir1 = d[c + 2] >> 16, ip1 = d[c + 2] & 0xFFFF, nw = d[c + 3] & 0xFFFFF;
  Words o;
  for (std::int64_t i = 0; i < nw; ++i) {
    const std::int64_t inFirst = REC - ip1 + 1;
    o.push_back(i < inFirst ? w[(ir1 - 1) * REC + ip1 - 1 + i] : w[(ir2 - 1) * REC + (i - inFirst)]);
  }
  const std::uint32_t start = o[3];
  auto relative = [&](std::uint32_t& v) {
    if (v != 0) v -= start;
  };
  relative(o[2]);
  relative(o[3]);
  relative(o[4]);
  for (std::size_t i = 5; i < o.size();) {
    const std::size_t nst = (o[i] & 0xFFFF) - 12;
    const std::size_t nl = o[i + nst + 6];
    const std::size_t nio = nst - nl;
    for (std::size_t j = i + 1 + nio; j <= i + nst + 3; ++j) relative(o[j]);
    if (i - 5 + nst + 1 == o[2]) {  // the entry bank: its next, up and origin are the writer's
      o[i + nst + 1] = o[i + nst + 2] = o[i + nst + 3] = 0;
    }
    i += nst + 10 + o[i + nst + 8];
  }
  return o;
}

class SameWordsAs : public ::testing::TestWithParam<std::string> {};

TEST_P(SameWordsAs, ThePackagesFile) {
  const std::string path = DATA_DIR + GetParam();
  const Words real = words(testsupport::readBytes(path));
  hbook::setFileDate(hbook::decodeFileDate(real[REC + 9], true));
  const Words ours = words(copyImage(hbook::readFile(path)));
  hbook::useClockDate();
  const std::vector<Dir> a = directories(real), b = directories(ours);
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t i = 0; i < a.size(); ++i) {
    SCOPED_TRACE(a[i].path);
    EXPECT_EQ(a[i].records, b[i].records);
    ASSERT_EQ(a[i].d.size(), b[i].d.size());
    for (std::size_t k = 1; k < a[i].d.size(); ++k) {
      // Word 18: the record the package wrote last, which depends on the order its program wrote in.
      if (k == 18) continue;
      EXPECT_EQ(a[i].d[k], b[i].d[k]) << "directory word " << k;
    }
    for (std::int64_t k = 0; k < static_cast<std::int64_t>(a[i].d[31]); ++k)
      EXPECT_EQ(object(real, a[i], k), object(ours, b[i], k)) << "key " << k + 1;
  }
}

INSTANTIATE_TEST_SUITE_P(HistogramFiles, SameWordsAs,
                         ::testing::Values("objects/h2.hbook", "objects/prof.hbook", "objects/dirs.hbook",
                                           "errors.hbook", "mixed.hbook", "many.hbook", "layouts/varbins.hbook",
                                           "layouts/bandy.hbook", "layouts/packproj.hbook", "layouts/profp.hbook",
                                           "layouts/hbarx.hbook", "layouts/packed1d.hbook", "layouts/deepdirs.hbook",
                                           "layouts/rwnmem.hbook"));

// The descriptors of a column-wise ntuple (12 words a column in its block's
// HNAM bank) as the package wrote them: among them each column's buffer
// count and the word and bit where its last buffer's free room starts.
Words columnDescriptors(const std::vector<unsigned char>& bytes, std::int32_t id, std::size_t columns) {
  const Words w = words(bytes);
  const hbook::read::Image image("x.hbook", bytes);
  for (const hbook::read::Key& key : hbook::read::readDirectory(image, 2, "/").keys) {
    if (key.elements[0] != id || key.elements.size() < 2 || key.elements[1] != 0) continue;
    const auto& c = key.cycle;
    const std::int64_t inFirst = REC - c.word + 1;
    auto at = [&](std::int64_t k) {
      return static_cast<std::size_t>(k < inFirst ? (c.record - 1) * REC + c.word - 1 + k
                                                  : (c.continuation - 1) * REC + (k - inFirst));
    };
    const std::uint32_t hnam = 'H' << 24 | 'N' << 16 | 'A' << 8 | 'M';
    for (std::int64_t k = 0; k < c.length; ++k) {
      if (w[at(k)] != hnam) continue;
      Words d;
      for (std::size_t j = 1; j <= 12 * columns; ++j) d.push_back(w[at(k + 4 + static_cast<std::int64_t>(j))]);
      return d;
    }
  }
  return {};
}

TEST(Layout, ColumnDescriptorsAreThePackagesIncludingTheLastBufferFreeBit) {
  const std::string path = DATA_DIR + "layouts/cwnpack.hbook";  // one block of 7 packed columns
  const std::vector<unsigned char> real = testsupport::readBytes(path);
  const Words theirs = columnDescriptors(real, 10, 7);
  const Words ours = columnDescriptors(copyImage(hbook::readFile(path)), 10, 7);
  ASSERT_EQ(theirs.size(), 7u * 12u);
  ASSERT_EQ(ours.size(), theirs.size());
  bool packedEnd = false;
  for (std::size_t v = 0; v < 7; ++v) {
    for (std::size_t m : {5u, 6u, 7u, 8u, 9u})  // NRZB, its number, last word, first free bit, NRZB
      EXPECT_EQ(ours[12 * v + m - 1], theirs[12 * v + m - 1]) << "column " << v + 1 << " descriptor word " << m;
    packedEnd = packedEnd || theirs[12 * v + 7] > 1;
  }
  EXPECT_TRUE(packedEnd) << "no column ends inside a word: the free bit would not be seen";
}

// --- Layout cases ----------------------------------------------------------


TEST(Layout, AnObjectEndingAtARecordsEndPutsTheNextAtWordOneOfANewRecord) {
  // 5 words of header and table, 23 + nx of HCO1, 21 + 1 of HID1: 1024 words for nx = 974.
  hbook::Histogram full = histogram(1, 974), next = histogram(2, 3);
  const Words w = words(hbook::fileImage({directory("/", {full, next})}, {}));
  ASSERT_EQ(w.size(), 5 * REC);
  const Dir top = directories(w)[0];
  const std::int64_t c1 = top.d[top.d[27]], c2 = top.d[top.d[27] + 3];
  EXPECT_EQ(top.d[c1 + 2], (4u << 16) | 1u);  // key 1 at record 4 word 1
  EXPECT_EQ(top.d[c1 + 3] & 0xFFFFF, 1024u);  // ... 1024 words: to the record's end
  EXPECT_EQ(top.d[c1], 0u);                   // ... no continuation
  EXPECT_EQ(top.d[c2 + 2], (5u << 16) | 1u);  // key 2 at record 5 word 1
  EXPECT_EQ(top.d[19], 5u);
  EXPECT_EQ(top.d[20], 2u + 52u);  // the next free word after its 52
  const hbook::ReadResult r = hbook::readMemory("x.hbook", hbook::fileImage({directory("/", {full, next})}, {}));
  EXPECT_EQ(r.histograms.at(0).channels, full.channels);
  EXPECT_EQ(r.histograms.at(1).channels, next.channels);
}

TEST(Layout, DirectoriesOutgrowingTheirRecordsTakeTheNextFreeRecord) {
  std::vector<hbook::Histogram> many, more;
  for (int i = 1; i <= 300; ++i) many.push_back(histogram(i, 10 + i % 7));
  for (int i = 1; i <= 150; ++i) more.push_back(histogram(1000 + i, 3));
  hbook::Directory top = directory("/", many);
  top.subdirectories = {"sub"};
  const std::vector<unsigned char> image = hbook::fileImage({top, directory("/sub", more)}, {});
  const std::vector<Dir> dirs = directories(words(image));
  // The top directory holds 141 keys in its two records, then grows a record per 146 keys.
  ASSERT_EQ(dirs[0].records.size(), 4u);
  EXPECT_EQ(dirs[0].records[0], 2);
  EXPECT_EQ(dirs[0].records[1], 3);
  EXPECT_GT(dirs[0].records[2], 4);         // among the data records
  EXPECT_EQ(dirs[0].d[30], 4 * REC);        // LE
  EXPECT_EQ(dirs[0].d[25], 38u + 4u + 1u);  // LB after the longer record list
  EXPECT_EQ(dirs[1].path, "/SUB");
  EXPECT_EQ(dirs[1].records.size(), 2u);  // 138 keys fit a subdirectory's record
  const hbook::ReadResult r = hbook::readMemory("x.hbook", image);
  ASSERT_EQ(r.directories.size(), 2u);
  ASSERT_EQ(r.directories[0].histograms.size(), 300u);
  ASSERT_EQ(r.directories[1].histograms.size(), 150u);
  for (std::size_t i = 0; i < 300; ++i) EXPECT_EQ(r.directories[0].histograms[i].channels, many[i].channels);
  for (std::size_t i = 0; i < 150; ++i) EXPECT_EQ(r.directories[1].histograms[i].id, more[i].id);
}

TEST(Layout, AnObjectBeyondTwentyBitsUsesSevenWordCycles) {
  const hbook::Histogram big = histogram(7, 1100000);
  const std::vector<unsigned char> image = hbook::fileImage({directory("/", {big, histogram(8, 2)})}, {});
  const Words w = words(image);
  EXPECT_EQ(w[REC + 15], 1u);  // RZVER: 7-word cycles
  const hbook::ReadResult r = hbook::readMemory("x.hbook", image);
  ASSERT_EQ(r.histograms.size(), 2u);
  EXPECT_EQ(r.histograms[0].channels, big.channels);
}

TEST(Layout, RecordLengthsFromTheSmallestToTheLargest) {
  const hbook::ReadResult cwn = hbook::readFile(DATA_DIR + "objects/cwn.hbook");
  for (int lrec : {256, 4096, 8191}) {
    hbook::WriteOptions o;
    o.recordWords = lrec;
    const std::vector<unsigned char> image = hbook::fileImage(cwn.directories, o);
    EXPECT_EQ(image.size() % (4 * static_cast<std::size_t>(lrec)), 0u);
    const hbook::ReadResult r = hbook::readMemory("x.hbook", image);
    EXPECT_EQ(r.recordWords, lrec);
    EXPECT_EQ(difference(dumpOf(r), dumpOf(cwn)), "") << lrec;
  }
  // 8191 words: the directory fits one record, as the package writes it (LB 40, LS 1043, LE 8191).
  hbook::WriteOptions o;
  o.recordWords = 8191;
  const Words w = words(hbook::fileImage({directory("/", {histogram(1, 5)})}, o));
  EXPECT_EQ(w[8191 + 37], 1u);
  EXPECT_EQ(w[8191 + 24], 40u);
  EXPECT_EQ(w[8191 + 25], 1043u);
  EXPECT_EQ(w[8191 + 29], 8191u);
  for (int bad : {255, 8192}) {
    o.recordWords = bad;
    EXPECT_THROW(hbook::fileImage({directory("/", {})}, o), hbook::FileError) << bad;
  }
}

// The data words of the first bank named `name` in the object of key k (0-based) of the top directory.
Words bankData(const Words& w, std::int64_t k, std::uint32_t name) {
  const Dir top = directories(w)[0];
  const Words o = object(w, top, k);
  for (std::size_t i = 5; i < o.size();) {
    const std::size_t nst = (o[i] & 0xFFFF) - 12;
    const std::size_t nd = o[i + nst + 8];
    if (o[i + nst + 5] == name) return Words(o.begin() + static_cast<std::ptrdiff_t>(i + nst + 10),
                                             o.begin() + static_cast<std::ptrdiff_t>(i + nst + 10 + nd));
    i += nst + 10 + nd;
  }
  return {};
}

TEST(Layout, PackedChannelsAreStoredAsThePackageStoresThem) {
  // 1-D: NB = 32 / NBIT channels a word, channel 0 in the lowest bits.
  hbook::Histogram h = histogram(1, 10);
  h.nbit = 4;
  for (std::size_t c = 0; c < h.channels.size(); ++c) h.channels[c] = static_cast<float>(c + 3);
  // The fill statistics (words 3-8) come before packed channels as before unpacked ones, and
  // whatever a file held there comes back: a copy of a packed histogram keeps them.
  h.statSumW = 1.5f;
  h.statSumW2 = 2.5f;
  h.statSumWX = std::bit_cast<double>(std::uint64_t{0x0000000800000001});  // a denormal a file may hold
  h.statSumWX2 = -3.25;
  const auto image = hbook::fileImage({directory("/", {h})}, {});
  const Words co = bankData(words(image), 0, 0x48434F31);  // HCO1
  ASSERT_EQ(co.size(), 8u + 2u);  // (NX + 1) / NB + 9
  EXPECT_EQ(co[0], 4u);
  EXPECT_EQ(co[2], std::bit_cast<std::uint32_t>(1.5f));
  EXPECT_EQ(co[3], std::bit_cast<std::uint32_t>(2.5f));
  EXPECT_EQ(co[4], 0x00000008u);  // the double's high word first
  EXPECT_EQ(co[5], 0x00000001u);
  const hbook::Histogram back = hbook::readMemory("packed.hbook", image).histograms.at(0);
  EXPECT_EQ(back.nbit, 4);
  EXPECT_EQ(back.statSumW, 1.5f);
  EXPECT_EQ(back.statSumW2, 2.5f);
  EXPECT_EQ(std::bit_cast<std::uint64_t>(back.statSumWX), std::uint64_t{0x0000000800000001});
  EXPECT_EQ(back.statSumWX2, -3.25);
  EXPECT_EQ(co[8], 0xA9876543u);  // channels 0..7 = 3..10
  EXPECT_EQ(co[9], 0x0000EDCBu);  // channels 8..11 = 11..14
  // 2-D: cells from the y overflow row down, the first cell of a word in its highest bits.
  hbook::Directory d;
  d.path = "/";
  hbook::Histogram2D g;
  g.id = 2;
  g.nx = 1;
  g.ny = 1;
  g.xmax = g.ymax = 1.0f;
  g.nbit = 8;
  g.cells.resize(9);
  for (std::size_t i = 0; i < 9; ++i) g.cells[i] = static_cast<float>(10 * (i / 3) + i % 3);  // 10 iy + ix
  d.objects.push_back({hbook::ObjectKind::Histogram2D, 2, 0});
  d.histograms2d.push_back(g);
  const Words cells = bankData(words(hbook::fileImage({d}, {})), 0, 0x48434F32);  // HCO2
  ASSERT_EQ(cells.size(), 2u + 3u);  // ((NX + 2)(NY + 2) - 1) / NB + 3
  EXPECT_EQ(cells[2], 0x14151600u | 0x0Au);  // (0,2) (1,2) (2,2) (0,1)... row iy = 2 first: 20 21 22 10
  EXPECT_EQ(cells[3], 0x0B0C0001u);          // 11 12 0 1
  EXPECT_EQ(cells[4], 0x02000000u);          // 2
  // What the bits cannot hold is refused, never wrapped or rounded.
  for (float bad : {16.0f, 2.5f, -1.0f}) {
    h.channels[4] = bad;
    EXPECT_THROW(hbook::fileImage({directory("/", {h})}, {}), hbook::FileError) << bad;
  }
}

}  // namespace
