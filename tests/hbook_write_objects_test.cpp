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

hbook::Histogram histogram(int id, int nx) {
  hbook::Histogram h;
  h.id = id;
  h.title = "h" + std::to_string(id);
  h.nx = nx;
  h.xmin = 0.0f;
  h.xmax = static_cast<float>(nx);
  h.entries = nx;
  h.channels.assign(static_cast<std::size_t>(nx) + 2, 0.0f);
  for (std::size_t i = 0; i < h.channels.size(); ++i) h.channels[i] = static_cast<float>(i % 97) + 0.5f;
  return h;
}

hbook::Directory directory(const std::string& path, std::vector<hbook::Histogram> hs) {
  hbook::Directory d;
  d.path = path;
  for (hbook::Histogram& h : hs) {
    d.objects.push_back({hbook::ObjectKind::Histogram1D, h.id, d.histograms.size()});
    d.histograms.push_back(std::move(h));
  }
  return d;
}

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
  const Words co = bankData(words(hbook::fileImage({directory("/", {h})}, {})), 0, 0x48434F31);  // HCO1
  ASSERT_EQ(co.size(), 8u + 2u);  // (NX + 1) / NB + 9
  EXPECT_EQ(co[0], 4u);
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

// A 2-D histogram holds one projection on each axis at most: a second on
// either axis is refused (the file would keep only the first).
TEST(Layout, ASecondProjectionOnEitherAxisIsRefused) {
  const hbook::ReadResult file = hbook::readFile(DATA_DIR + "objects/h2.hbook");
  const hbook::Histogram2D* with = nullptr;
  for (const hbook::Histogram2D& h : file.directories.at(0).histograms2d)
    if (h.projectionsX.size() == 1 && h.projectionsY.size() == 1) with = &h;
  ASSERT_NE(with, nullptr);
  auto image = [](const hbook::Histogram2D& h) {
    hbook::Directory top;
    top.path = "/";
    top.histograms2d = {h};
    top.objects = {{hbook::ObjectKind::Histogram2D, h.id, 0}};
    return hbook::fileImage({top}, {});
  };
  EXPECT_NO_THROW(image(*with));
  for (auto axis : {&hbook::Histogram2D::projectionsX, &hbook::Histogram2D::projectionsY}) {
    hbook::Histogram2D h = *with;
    (h.*axis).push_back((h.*axis)[0]);
    try {
      image(h);
      ADD_FAILURE() << "two projections on an axis were written";
    } catch (const hbook::FileError& e) {
      EXPECT_NE(std::string(e.what()).find("more than one projection on an axis"), std::string::npos) << e.what();
    }
  }
}

TEST(Layout, DirectoriesThatCannotBeWrittenAreRefused) {
  hbook::Directory top = directory("/", {histogram(1, 2), histogram(1, 3)});
  EXPECT_THROW(hbook::fileImage({top}, {}), hbook::FileError);  // the same id twice
  top = directory("/", {});
  top.subdirectories = {"A"};
  EXPECT_THROW(hbook::fileImage({top}, {}), hbook::FileError);                                      // /A not given
  EXPECT_THROW(hbook::fileImage({directory("/", {}), directory("/B", {})}, {}), hbook::FileError);  // /B not listed
  top.subdirectories = {"a b"};
  EXPECT_THROW(hbook::fileImage({top, directory("/a b", {})}, {}), hbook::FileError);  // a blank in a name
  top.subdirectories = {"lower"};
  const hbook::ReadResult r =
      hbook::readMemory("x.hbook", hbook::fileImage({top, directory("/lower", {histogram(3, 2)})}, {}));
  EXPECT_EQ(r.directories.at(1).path, "/LOWER");  // stored upper-case, as HMDIR stores names
}

// The message of the writer's refusal of one directory, or "" when it writes.
std::string writeRefusal(const hbook::Directory& d) {
  try {
    hbook::fileImage({d}, {});
  } catch (const hbook::FileError& e) {
    return e.what();
  }
  return "";
}

// Names of directories run to 16 characters of the package's code (four
// words of it in the directory records): 16 are written and read back, 17
// are refused, naming the directory, the name and what is allowed; so is an
// empty name. The same for the top directory's name.
TEST(Layout, DirectoryNamesRunToSixteenCharacters) {
  const std::string longest = "ABCDEFGHIJKLMNOP", tooLong = longest + "Q";
  ASSERT_EQ(longest.size(), 16u);
  hbook::Directory top = directory("/", {histogram(1, 2)});
  top.subdirectories = {longest};
  const hbook::ReadResult r =
      hbook::readMemory("x.hbook", hbook::fileImage({top, directory("/" + longest, {histogram(2, 3)})}, {}));
  ASSERT_EQ(r.directories.size(), 2u);
  EXPECT_EQ(r.directories[1].path, "/" + longest);
  EXPECT_EQ(r.directories[1].histograms.at(0).id, 2);
  for (const std::string& bad : {tooLong, std::string()}) {
    top.subdirectories = {bad};
    try {
      hbook::fileImage({top}, {});  // refused on its name, before /NAME is looked for
      ADD_FAILURE() << "subdirectory \"" << bad << "\" written";
    } catch (const hbook::FileError& e) {
      EXPECT_EQ(std::string(e.what()), "directory /: subdirectory name \"" + bad +
                                           "\" (1 to 16 letters, digits or signs of the package's character code, "
                                           "no blank or /)");
    }
  }
  hbook::WriteOptions o;
  o.topDirectory = longest;
  EXPECT_EQ(hbook::readMemory("x.hbook", hbook::fileImage({directory("/", {histogram(1, 2)})}, o)).topDirectory,
            longest);
  for (const std::string& bad : {tooLong, std::string()}) {
    o.topDirectory = bad;
    try {
      hbook::fileImage({directory("/", {histogram(1, 2)})}, o);
      ADD_FAILURE() << "top directory \"" << bad << "\" written";
    } catch (const hbook::FileError& e) {
      EXPECT_EQ(std::string(e.what()), "top directory name \"" + bad +
                                           "\" (1 to 16 letters, digits or signs of the package's character code)");
    }
  }
}

// Variable bin edges rise strictly (equal neighbours are refused) from the
// lower edge to the upper one: a last edge other than the upper edge is refused.
TEST(Layout, VariableBinEdgesRiseStrictlyFromTheLowerToTheUpperEdge) {
  const struct {
    std::vector<float> edges;
    const char* refused;  // "" when written
  } cases[] = {
      {{0.0f, 0.5f, 2.0f, 3.0f}, ""},
      {{0.0f, 0.5f, 0.5f, 3.0f}, "bin edge 3 does not lie above the one before"},
      {{0.0f, 2.0f, 0.5f, 3.0f}, "bin edge 3 does not lie above the one before"},
      {{0.0f, 0.5f, 2.0f, std::nextafter(3.0f, 4.0f)},
       "the first and last bin edges are not its lower and upper edges"},
      {{0.0f, 0.5f, 2.0f, 2.5f}, "the first and last bin edges are not its lower and upper edges"},
      {{-0.5f, 0.5f, 2.0f, 3.0f}, "the first and last bin edges are not its lower and upper edges"},
  };
  for (const auto& c : cases) {
    hbook::Histogram h = histogram(4, 3);
    h.edges = c.edges;
    const std::string message = writeRefusal(directory("/", {h}));
    if (*c.refused == '\0') {
      EXPECT_EQ(message, "");
    } else {
      EXPECT_NE(message.find(c.refused), std::string::npos) << c.edges.back() << ": " << message;
    }
  }
}

// A profile's error option is blank, S or I (status 0, 1, 2), each with or
// without P (4): S and I together (3), or bits above P, are refused.
TEST(Layout, ProfileErrorOptionsAreOneOfBlankSOrIWithOrWithoutP) {
  for (std::uint32_t status = 0; status <= 8; ++status) {
    const hbook::Profile p = testsupport::twoBinProfile(9, status);
    hbook::Directory d;
    d.path = "/";
    d.objects.push_back({hbook::ObjectKind::Profile, p.id, 0});
    d.profiles.push_back(p);
    const std::string message = writeRefusal(d);
    const bool allowed = status != 3 && status != 7 && status != 8;
    EXPECT_EQ(message.empty(), allowed) << status << ": " << message;
    if (!allowed) {
      EXPECT_NE(message.find("error option bits " + std::to_string(status)), std::string::npos) << message;
    }
  }
}

// A column-wise ntuple 5 of one block B in the top directory.
hbook::Directory ntupleDirectory(std::vector<hbook::Column> columns, std::int32_t rows) {
  hbook::ColumnNtuple n;
  n.id = 5;
  n.title = "t";
  n.entries = rows;
  n.blocks = {"B"};
  for (hbook::Column& c : columns) {
    if (c.block.empty()) c.block = "B";
  }
  n.columns = std::move(columns);
  hbook::Directory d;
  d.path = "/";
  d.objects.push_back({hbook::ObjectKind::ColumnNtuple, 5, 0});
  d.columnNtuples.push_back(std::move(n));
  return d;
}

hbook::Column realColumn(const std::string& name, std::vector<float> values) {
  hbook::Column c;
  c.name = name;
  c.reals = std::move(values);
  return c;
}

hbook::Column integerColumn(const std::string& name, std::vector<std::int32_t> values, int nbits = 32) {
  hbook::Column c;
  c.name = name;
  c.type = hbook::ColumnType::Integer;
  c.nbits = nbits;
  c.integers = std::move(values);
  return c;
}

hbook::Column indexColumn(const std::string& name, std::int32_t low, std::int32_t high,
                          std::vector<std::int32_t> values) {
  hbook::Column c = integerColumn(name, std::move(values));
  c.isIndex = true;
  c.hasRange = true;
  c.rangeLow = static_cast<std::uint32_t>(low);
  c.rangeHigh = static_cast<std::uint32_t>(high);
  return c;
}

const std::string NTUPLE = "column-wise ntuple 5";

// What the column-wise ntuple writer refuses: each rule at its limit
// (written) and one past it (refused, with the message naming the variable).
TEST(Layout, ColumnWiseNtupleCountsBuffersAndNamesAtTheirLimits) {
  EXPECT_EQ(writeRefusal(ntupleDirectory({realColumn("x", {})}, 0)), "");
  EXPECT_EQ(writeRefusal(ntupleDirectory({realColumn("x", {})}, -1)), NTUPLE + ": number of rows -1");
  hbook::Directory d = ntupleDirectory({realColumn("x", {1, 2, 3})}, 3);
  d.columnNtuples[0].bufferWords = 2;  // one value word after the word that is not a value
  EXPECT_EQ(writeRefusal(d), "");
  d.columnNtuples[0].bufferWords = 1;
  EXPECT_EQ(writeRefusal(d), NTUPLE + ": buffers of 1 words");
  hbook::Column wide;
  wide.name = "d";
  wide.size = 8;
  wide.nbits = 64;
  wide.doubles = {1.0};
  d = ntupleDirectory({wide}, 1);
  d.columnNtuples[0].bufferWords = 3;
  EXPECT_EQ(writeRefusal(d), "");
  d.columnNtuples[0].bufferWords = 2;
  EXPECT_EQ(writeRefusal(d), NTUPLE + ", variable d: a value does not fit in a buffer of 2 words");

  EXPECT_EQ(writeRefusal(ntupleDirectory({realColumn(std::string(64, 'a'), {1})}, 1)), "");
  EXPECT_EQ(writeRefusal(ntupleDirectory({realColumn(std::string(65, 'a'), {1})}, 1)),
            NTUPLE + ", variable " + std::string(65, 'a') + ": a name of 1 to 64 characters is needed");
  EXPECT_EQ(writeRefusal(ntupleDirectory({realColumn("", {1})}, 1)),
            NTUPLE + ", variable : a name of 1 to 64 characters is needed");
  hbook::Column other = realColumn("y", {1});
  other.block = "ZZ";
  EXPECT_EQ(writeRefusal(ntupleDirectory({realColumn("x", {1}), other}, 1)),
            NTUPLE + ", variable y: block \"ZZ\" is not among the blocks, in their order");
  d = ntupleDirectory({}, 0);
  EXPECT_EQ(writeRefusal(d), NTUPLE + ": no variables");
  d.columnNtuples[0].blocks.clear();
  EXPECT_EQ(writeRefusal(d), NTUPLE + ": no blocks");
  for (const char* block : {"ABCDEFGH", "ABCDEFGHI"}) {
    d = ntupleDirectory({realColumn("x", {1})}, 1);
    d.columnNtuples[0].blocks = {block};
    d.columnNtuples[0].columns[0].block = block;
    EXPECT_EQ(writeRefusal(d),
              std::string(block).size() <= 8 ? "" : NTUPLE + ": block name \"" + block + "\": 1 to 8 characters");
  }
  for (int n : {9999, 10000}) {
    std::vector<hbook::Column> columns;
    for (int v = 0; v < n; ++v) columns.push_back(realColumn("v" + std::to_string(v), {}));
    EXPECT_EQ(writeRefusal(ntupleDirectory(std::move(columns), 0)),
              n == 9999 ? "" : NTUPLE + ": more than 9999 variables");
  }
}

TEST(Layout, ColumnWiseNtupleTypesHaveTheirSizesAndBits) {
  const auto refusal = [](hbook::Column c) { return writeRefusal(ntupleDirectory({std::move(c)}, 0)); };
  hbook::Column c = realColumn("x", {});
  c.size = 8;
  c.nbits = 64;
  EXPECT_EQ(refusal(c), "");
  c.nbits = 32;
  EXPECT_EQ(refusal(c), NTUPLE + ", variable x: a REAL*8 is stored in 64 bits");
  c.size = 2;
  EXPECT_EQ(refusal(c), NTUPLE + ", variable x: REAL of 2 bytes (4 or 8)");
  c = realColumn("x", {});
  c.hasRange = true;
  c.rangeLow = std::bit_cast<std::uint32_t>(-1.0f);
  c.rangeHigh = std::bit_cast<std::uint32_t>(1.0f);
  for (int nbits : {1, 31}) {
    c.nbits = nbits;
    EXPECT_EQ(refusal(c), "") << nbits;
  }
  const std::string packed = NTUPLE + ", variable x: a packed REAL needs 1 to 31 bits and a range";
  c.nbits = 0;
  EXPECT_EQ(refusal(c), packed);
  c.nbits = 33;
  EXPECT_EQ(refusal(c), packed);
  c.nbits = 31;
  c.hasRange = false;
  EXPECT_EQ(refusal(c), packed);
  c.hasRange = true;
  c.rangeHigh = c.rangeLow;
  EXPECT_EQ(refusal(c), NTUPLE + ", variable x: its range is empty");

  c = integerColumn("k", {}, 1);
  EXPECT_EQ(refusal(c), "");
  c.nbits = 32;
  EXPECT_EQ(refusal(c), "");
  c.nbits = 0;
  EXPECT_EQ(refusal(c), NTUPLE + ", variable k: 0 bits per value");
  c.nbits = 33;
  EXPECT_EQ(refusal(c), NTUPLE + ", variable k: 33 bits per value");
  c.nbits = 32;
  c.size = 8;
  EXPECT_EQ(refusal(c), NTUPLE + ", variable k: an integer of 8 bytes (4)");
  c.type = hbook::ColumnType::Unsigned;
  EXPECT_EQ(refusal(c), NTUPLE + ", variable k: an integer of 8 bytes (4)");

  hbook::Column l;
  l.name = "l";
  l.type = hbook::ColumnType::Logical;
  l.nbits = 1;
  EXPECT_EQ(refusal(l), "");
  l.nbits = 2;
  EXPECT_EQ(refusal(l), NTUPLE + ", variable l: a LOGICAL is stored in 1 bit");
  l.nbits = 1;
  l.size = 8;
  EXPECT_EQ(refusal(l), NTUPLE + ", variable l: a LOGICAL is stored in 1 bit");

  hbook::Column t;
  t.name = "t";
  t.type = hbook::ColumnType::Character;
  for (int size : {4, 32}) {
    t.size = size;
    EXPECT_EQ(refusal(t), "") << size;
  }
  for (int size : {0, 6, 36}) {
    t.size = size;
    EXPECT_EQ(refusal(t), NTUPLE + ", variable t: CHARACTER*" + std::to_string(size) + " (4, 8, ... 32)");
  }
}

TEST(Layout, ColumnWiseNtupleShapesAndIndexVariables) {
  hbook::Column a = realColumn("a", {});
  a.dims = {1, 1, 1, 1, 1, 1, 1};
  EXPECT_EQ(writeRefusal(ntupleDirectory({a}, 0)), "");
  a.dims.push_back(1);
  EXPECT_EQ(writeRefusal(ntupleDirectory({a}, 0)), NTUPLE + ", variable a: 8 dimensions (at most 7)");
  a.dims = {2, 0};
  EXPECT_EQ(writeRefusal(ntupleDirectory({a}, 0)), NTUPLE + ", variable a: dimension 2 is 0");
  a = realColumn("a", {1, 2, 3, 4, 5});
  a.dims = {2, 3};
  EXPECT_EQ(writeRefusal(ntupleDirectory({a}, 1)), NTUPLE + ", variable a: 5 values, 6 expected for 1 rows");
  a.reals.push_back(6);
  EXPECT_EQ(writeRefusal(ntupleDirectory({a}, 1)), "");

  // Index values lie in the range, and never below 0.
  hbook::Column e = realColumn("e", {1, 2, 3});
  e.dims = {-3};
  e.indexVariable = 0;
  EXPECT_EQ(writeRefusal(ntupleDirectory({indexColumn("n", 0, 3, {3}), e}, 1)), "");
  EXPECT_EQ(writeRefusal(ntupleDirectory({indexColumn("n", 0, 3, {4}), e}, 1)),
            NTUPLE + ", variable n: index value 4 outside its range 0..3");
  EXPECT_EQ(writeRefusal(ntupleDirectory({indexColumn("n", -2, 3, {-1}), e}, 1)),
            NTUPLE + ", variable n: index value -1 outside its range -2..3");
  EXPECT_EQ(writeRefusal(ntupleDirectory({indexColumn("n", 0, 3, {2}), e}, 1)),
            NTUPLE + ", variable e: 3 values, 2 expected for 1 rows");
  hbook::Column noRange = indexColumn("n", 0, 3, {3});
  noRange.hasRange = false;
  EXPECT_EQ(writeRefusal(ntupleDirectory({noRange}, 1)),
            NTUPLE + ", variable n: an index variable must be a scalar integer with a range");
  hbook::Column plain = integerColumn("n", {3});
  EXPECT_EQ(writeRefusal(ntupleDirectory({plain, e}, 1)),
            NTUPLE + ", variable e: index variable n is not a scalar integer index with a range");
  e.indexVariable = 1;
  EXPECT_EQ(writeRefusal(ntupleDirectory({indexColumn("n", 0, 3, {3}), e}, 1)),
            NTUPLE + ", variable e: its index variable must come before it in its block");
  e.dims.clear();
  e.indexVariable = 0;
  EXPECT_EQ(writeRefusal(ntupleDirectory({indexColumn("n", 0, 3, {3}), e}, 1)),
            NTUPLE + ", variable e: an index variable but no dimensions");

  // Index variables are stored as running totals in 32 bits.
  const std::int32_t most = 2147483647;
  EXPECT_EQ(writeRefusal(ntupleDirectory({indexColumn("n", 0, most, {most, most, 1})}, 3)), "");
  EXPECT_EQ(writeRefusal(ntupleDirectory({indexColumn("n", 0, most, {most, most, 2})}, 3)),
            NTUPLE + ", variable n: running total of the index above 2^32");
}

TEST(Layout, ColumnWiseNtupleValuesFitTheirBits) {
  const auto refusal = [](hbook::Column c) {
    const auto rows =
        static_cast<std::int32_t>(c.integers.size() + c.unsigneds.size() + c.reals.size() + c.texts.size());
    return writeRefusal(ntupleDirectory({std::move(c)}, rows));
  };
  // Signed packed integers are a sign and a magnitude.
  EXPECT_EQ(refusal(integerColumn("k", {7, -7}, 4)), "");
  EXPECT_EQ(refusal(integerColumn("k", {8}, 4)), NTUPLE + ", variable k: value 8 does not fit in 4 bits");
  EXPECT_EQ(refusal(integerColumn("k", {-8}, 4)), NTUPLE + ", variable k: value -8 does not fit in 4 bits");
  hbook::Column u;
  u.name = "u";
  u.type = hbook::ColumnType::Unsigned;
  u.nbits = 4;
  u.unsigneds = {15, 0};
  EXPECT_EQ(refusal(u), "");
  u.unsigneds = {16};
  EXPECT_EQ(refusal(u), NTUPLE + ", variable u: value 16 does not fit in 4 bits");
  hbook::Column p = realColumn("p", {0.0f, 1.0f});
  p.nbits = 8;
  p.hasRange = true;
  p.rangeLow = std::bit_cast<std::uint32_t>(0.0f);
  p.rangeHigh = std::bit_cast<std::uint32_t>(1.0f);
  EXPECT_EQ(refusal(p), "");
  p.reals = {1.5f};
  EXPECT_EQ(refusal(p), NTUPLE + ", variable p: value 1.500000 lies outside its range 0.000000..1.000000");
  p.reals = {-0.5f};
  EXPECT_EQ(refusal(p), NTUPLE + ", variable p: value -0.500000 lies outside its range 0.000000..1.000000");
  hbook::Column t;
  t.name = "t";
  t.type = hbook::ColumnType::Character;
  t.texts = {"abcd"};
  EXPECT_EQ(refusal(t), "");
  t.texts = {"abcde"};
  EXPECT_EQ(refusal(t), NTUPLE + ", variable t: text \"abcde\" is longer than 4 characters");
}

// 1-D histograms: bins, channels, errors and bin edges counted against nx;
// packed channels hold counts of 0 to 2^nbit - 1.
TEST(Layout, HistogramArraysAndPackedChannelsAreCheckedAgainstTheBinning) {
  hbook::Histogram h = histogram(1, 1);
  EXPECT_EQ(writeRefusal(directory("/", {h})), "");
  h = histogram(1, 0);
  EXPECT_EQ(writeRefusal(directory("/", {h})), "histogram 1: number of bins 0 cannot be written");
  h = histogram(1, 3);
  h.channels.push_back(0.0f);
  EXPECT_EQ(writeRefusal(directory("/", {h})), "histogram 1: 6 channels for 3 bins");
  h = histogram(1, 3);
  h.sumw2 = {1.0f, 2.0f};
  EXPECT_EQ(writeRefusal(directory("/", {h})), "histogram 1: 2 error values for 3 bins");
  h.sumw2.push_back(3.0f);
  EXPECT_EQ(writeRefusal(directory("/", {h})), "");
  h.edges = {0.0f, 1.0f, 3.0f};
  EXPECT_EQ(writeRefusal(directory("/", {h})), "histogram 1: 3 bin edges for 3 bins");

  h = histogram(1, 3);
  h.nbit = 4;
  h.channels = {15.0f, 0.0f, 15.0f, 1.0f, 2.0f};
  EXPECT_EQ(writeRefusal(directory("/", {h})), "");
  h.channels[2] = 16.0f;
  EXPECT_EQ(writeRefusal(directory("/", {h})),
            "histogram 1: channel 2 holds 16.000000, not a count of 0 to 15 that 4 packed bits can hold");
  h.channels[2] = -1.0f;
  EXPECT_EQ(writeRefusal(directory("/", {h})),
            "histogram 1: channel 2 holds -1.000000, not a count of 0 to 15 that 4 packed bits can hold");
  h.channels = {1.0f, 0.0f, 1.0f, 1.0f, 0.0f};
  h.nbit = 1;
  EXPECT_EQ(writeRefusal(directory("/", {h})), "");
  h.nbit = 31;
  EXPECT_EQ(writeRefusal(directory("/", {h})), "");
  h.nbit = 0;
  EXPECT_EQ(writeRefusal(directory("/", {h})), "histogram 1: bits per channel 0 (1 to 32)");
  h.nbit = 33;
  EXPECT_EQ(writeRefusal(directory("/", {h})), "histogram 1: bits per channel 33 (1 to 32)");
}

hbook::Directory directory2D(const hbook::Histogram2D& g) {
  hbook::Directory d;
  d.path = "/";
  d.objects.push_back({hbook::ObjectKind::Histogram2D, g.id, 0});
  d.histograms2d.push_back(g);
  return d;
}

TEST(Layout, TwoDimensionalArraysAndPackedCellsAreCheckedAgainstTheBinning) {
  hbook::Histogram2D g;
  g.id = 2;
  g.nx = 2;
  g.ny = 1;
  g.xmax = g.ymax = 1.0f;
  g.cells.assign(12, 0.0f);
  EXPECT_EQ(writeRefusal(directory2D(g)), "");
  g.cells.pop_back();
  EXPECT_EQ(writeRefusal(directory2D(g)), "2-D histogram 2: 11 cells, expected 12");
  g.cells.assign(12, 0.0f);
  g.sumw2 = {1.0f};
  EXPECT_EQ(writeRefusal(directory2D(g)), "2-D histogram 2: 1 error values for 2 x 1 bins");
  g.sumw2 = {1.0f, 1.0f};
  EXPECT_EQ(writeRefusal(directory2D(g)), "");
  g.sumw2.clear();
  hbook::Histogram2D flat = g;
  flat.nx = 0;
  flat.cells.assign(6, 0.0f);
  EXPECT_EQ(writeRefusal(directory2D(flat)), "2-D histogram 2: 0 x 1 bins cannot be written");
  flat.nx = 1;
  flat.ny = 0;
  EXPECT_EQ(writeRefusal(directory2D(flat)), "2-D histogram 2: 1 x 0 bins cannot be written");

  hbook::Projection p;
  p.name = "PROX";
  p.channels.assign(4, 0.0f);  // nx + 2
  g.projectionsX = {p};
  EXPECT_EQ(writeRefusal(directory2D(g)), "");
  g.projectionsX[0].channels.pop_back();
  EXPECT_EQ(writeRefusal(directory2D(g)), "2-D histogram 2, PROX: 3 channels for 2 bins");
  g.projectionsX[0].channels.assign(4, 0.0f);
  g.projectionsX[0].sumw2 = {1.0f};
  EXPECT_EQ(writeRefusal(directory2D(g)), "2-D histogram 2, PROX: 1 error values for 2 bins");
  g.projectionsX[0].sumw2 = {1.0f, 1.0f};
  g.projectionsX[0].nbit = 8;
  EXPECT_EQ(writeRefusal(directory2D(g)), "2-D histogram 2, PROX: packed channels cannot have errors");
  g.projectionsX.clear();
  p.name = "PROY";
  p.channels.assign(3, 0.0f);  // ny + 2
  g.projectionsY = {p};
  EXPECT_EQ(writeRefusal(directory2D(g)), "");
  g.projectionsY[0].channels.push_back(0.0f);
  EXPECT_EQ(writeRefusal(directory2D(g)), "2-D histogram 2, PROY: 4 channels for 1 bins");
  g.projectionsY.clear();

  g.nbit = 8;
  g.cells.assign(12, 255.0f);
  EXPECT_EQ(writeRefusal(directory2D(g)), "");
  g.cells[5] = 256.0f;
  EXPECT_EQ(writeRefusal(directory2D(g)),
            "2-D histogram 2: a cell holds 256.000000, not a count of 0 to 255 that 8 packed bits can hold");
  g.cells[5] = 0.5f;
  EXPECT_EQ(writeRefusal(directory2D(g)),
            "2-D histogram 2: a cell holds 0.500000, not a count of 0 to 255 that 8 packed bits can hold");
  g.cells[5] = 0.0f;
  g.nbit = 0;
  EXPECT_EQ(writeRefusal(directory2D(g)), "2-D histogram 2: bits per cell 0 (1 to 32)");
  g.nbit = 33;
  EXPECT_EQ(writeRefusal(directory2D(g)), "2-D histogram 2: bits per cell 33 (1 to 32)");
}

TEST(Layout, ProfileSumsAreCountedAgainstTheBinning) {
  const hbook::Profile p = testsupport::twoBinProfile(9);
  const auto refusal = [](const hbook::Profile& q) {
    hbook::Directory d;
    d.path = "/";
    d.objects.push_back({hbook::ObjectKind::Profile, q.id, 0});
    d.profiles.push_back(q);
    return writeRefusal(d);
  };
  EXPECT_EQ(refusal(p), "");
  const std::string expected = " values for 2 bins (4 channels of w*y, 2 bins of w*y^2 and of w expected)";
  hbook::Profile q = p;
  q.sumWY.pop_back();
  EXPECT_EQ(refusal(q), "profile 9: sums of 3, 2 and 2" + expected);
  q = p;
  q.sumWY2.pop_back();
  EXPECT_EQ(refusal(q), "profile 9: sums of 4, 1 and 2" + expected);
  q = p;
  q.sumW.push_back(1.0f);
  EXPECT_EQ(refusal(q), "profile 9: sums of 4, 2 and 3" + expected);
  q = p;
  q.nx = 0;
  EXPECT_EQ(refusal(q), "profile 9: number of bins 0 cannot be written");
}

TEST(Layout, RowWiseNtupleShapesAreChecked) {
  hbook::RowNtuple n;
  n.id = 3;
  n.nvar = 2;
  n.entries = 2;
  n.tags = {"ABCDEFGH", "y"};
  n.values = {1, 2, 3, 4};
  const auto refusal = [](const hbook::RowNtuple& r) {
    hbook::Directory d;
    d.path = "/";
    d.objects.push_back({hbook::ObjectKind::RowNtuple, r.id, 0});
    d.rowNtuples.push_back(r);
    return writeRefusal(d);
  };
  EXPECT_EQ(refusal(n), "");
  hbook::RowNtuple m = n;
  m.tags[0] = "ABCDEFGHI";
  EXPECT_EQ(refusal(m), "row-wise ntuple 3: tag \"ABCDEFGHI\" is longer than 8 characters");
  m = n;
  m.tags.pop_back();
  EXPECT_EQ(refusal(m), "row-wise ntuple 3: 1 tags for 2 variables");
  m = n;
  m.values.pop_back();
  EXPECT_EQ(refusal(m), "row-wise ntuple 3: 3 values for 2 rows of 2 variables");
  m = n;
  m.minimum = {0, 0};
  EXPECT_EQ(refusal(m), "row-wise ntuple 3: minima and maxima for 2 and 0 of 2 variables");
  m.maximum = {5, 5};
  EXPECT_EQ(refusal(m), "");
  m.maximum = {5, 5, 5};
  EXPECT_EQ(refusal(m), "row-wise ntuple 3: minima and maxima for 2 and 3 of 2 variables");
  m = n;
  m.bufferWords = 2;  // one row a buffer
  EXPECT_EQ(refusal(m), "");
  m.bufferWords = 1;
  EXPECT_EQ(refusal(m), "row-wise ntuple 3: buffers of 1 words hold no row of 2");
  m = n;
  m.entries = -1;
  EXPECT_EQ(refusal(m), "row-wise ntuple 3: number of rows -1");
  m = n;
  m.nvar = 0;
  EXPECT_EQ(refusal(m), "row-wise ntuple 3: number of variables 0");
}

// The message of the writer's refusal of these directories and options, or "".
std::string treeRefusal(const std::vector<hbook::Directory>& ds, const hbook::WriteOptions& o = {}) {
  try {
    hbook::fileImage(ds, o);
  } catch (const hbook::FileError& e) {
    return e.what();
  }
  return "";
}

TEST(Layout, RecordLengthAndTopDirectoryNameAreNamedWhenRefused) {
  hbook::WriteOptions o;
  for (int bad : {255, 8192}) {
    o.recordWords = bad;
    EXPECT_EQ(treeRefusal({directory("/", {})}, o), "record length " + std::to_string(bad) + " words (256 to 8191)");
  }
  o = {};
  o.topDirectory = std::string(16, 'T');
  EXPECT_EQ(treeRefusal({directory("/", {})}, o), "");
  o.topDirectory = "lower-case";  // stored upper-case
  EXPECT_EQ(treeRefusal({directory("/", {})}, o), "");
  const std::string rule = "\" (1 to 16 letters, digits or signs of the package's character code)";
  for (const std::string& bad : {std::string(17, 'T'), std::string(), std::string("TWO WORDS"), std::string("A/B")}) {
    o.topDirectory = bad;
    EXPECT_EQ(treeRefusal({directory("/", {})}, o), "top directory name \"" + bad + rule);
  }
}

TEST(Layout, EachDirectoryTreeFaultIsNamed) {
  EXPECT_EQ(treeRefusal({}), "no top directory \"/\" among the directories to write");
  EXPECT_EQ(treeRefusal({directory("/", {}), directory("/", {})}), "directory / is given twice");
  EXPECT_EQ(treeRefusal({directory("/", {}), directory("/B", {})}),
            "directory /B is not listed as a subdirectory of its parent");
  hbook::Directory top = directory("/", {});
  top.subdirectories = {"A"};
  EXPECT_EQ(treeRefusal({top}), "directory /A is listed in / but not given");
  top.subdirectories = {"A", "a"};
  EXPECT_EQ(treeRefusal({top, directory("/A", {}), directory("/a", {})}), "directory /: subdirectory A twice");
  const std::string rule = "\" (1 to 16 letters, digits or signs of the package's character code, no blank or /)";
  top.subdirectories = {std::string(16, 'S')};
  EXPECT_EQ(treeRefusal({top, directory("/" + std::string(16, 'S'), {})}), "");
  top.subdirectories = {std::string(17, 'S')};
  EXPECT_EQ(treeRefusal({top, directory("/" + std::string(17, 'S'), {})}),
            "directory /: subdirectory name \"" + std::string(17, 'S') + rule);
  top.subdirectories = {""};
  EXPECT_EQ(treeRefusal({top}), "directory /: subdirectory name \"" + rule);
  hbook::Directory a = directory("/A", {});
  a.subdirectories = {"B"};
  hbook::Directory b = directory("/A/B", {});
  top.subdirectories = {"A"};
  EXPECT_EQ(treeRefusal({top, a, b}), "");
  b.subdirectories = {"C"};
  EXPECT_EQ(treeRefusal({top, a, b}), "directory /A/B/C is listed in /A/B but not given");

  // Objects: an id once per directory, each naming its directory below the top.
  EXPECT_EQ(treeRefusal({directory("/", {histogram(1, 2), histogram(1, 3)})}), "the id 1 twice");
  top.subdirectories = {"A"};
  EXPECT_EQ(treeRefusal({top, directory("/A", {histogram(1, 2), histogram(1, 3)})}), "directory /A: the id 1 twice");
  EXPECT_EQ(treeRefusal({directory("/", {histogram(1, 2)}), directory("/A", {histogram(1, 2)})}),
            "directory /A is not listed as a subdirectory of its parent");
  EXPECT_EQ(treeRefusal({top, directory("/A", {histogram(1, 0)})}),
            "directory /A: histogram 1: number of bins 0 cannot be written");
  EXPECT_EQ(treeRefusal({top, directory("/", {histogram(1, 2)}), directory("/A", {histogram(1, 2)})}),
            "directory / is given twice");
  hbook::Directory missing = directory("/", {histogram(1, 2)});
  missing.objects.push_back({hbook::ObjectKind::Histogram1D, 7, 1});
  EXPECT_EQ(treeRefusal({missing}), "object 7 refers to a missing entry");
  missing.objects.back() = {hbook::ObjectKind::Profile, 8, 0};
  EXPECT_EQ(treeRefusal({missing}), "object 8 refers to a missing entry");
}

}  // namespace
