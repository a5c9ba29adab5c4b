// Reading one directory: header words, record list, keys, cycles and the
// subdirectory list, every pointer checked against the directory's size.
#include "hbook/rz/read/listing.h"

#include <algorithm>

namespace hbook::read {
namespace {

// Header words of a directory (1-based).
constexpr std::int64_t RZVER = 16;  // cycle format: 0 = 4-word cycles, 1 = 7-word cycles
constexpr std::int64_t NSD = 23;    // number of subdirectories
constexpr std::int64_t LD = 24;     // the record list
constexpr std::int64_t LB = 25;     // the file descriptor (top directory)
constexpr std::int64_t LS = 26;     // the subdirectory list
constexpr std::int64_t LK = 27;     // the first key
constexpr std::int64_t LE = 30;     // end of the directory
constexpr std::int64_t NKEYS = 31;
constexpr std::int64_t NWKEY = 32;
constexpr std::int64_t HEADER_WORDS = 33;
constexpr std::int64_t MAX_KEY_WORDS = 100;
constexpr std::int64_t SUBDIRECTORY_WORDS = 7;
constexpr std::int64_t MAX_NAME_CHARACTERS = 16;             // four words of the 6-bit code
constexpr std::uint32_t SUBDIRECTORY_RECORD_MASK = 0x3FFFF;  // bits 1-18
constexpr std::uint32_t NAME_LENGTH_MASK = 0x1F;             // header word 9, bits 1-5

class DirectoryReader {
 public:
  DirectoryReader(const Image& image, std::int64_t first, const std::string& path)
      : image_(image), first_(first), path_(path), top_(path == "/") {}

  DirectoryListing run() {
    readRecords();
    readHeader();
    DirectoryListing listing;
    listing.path = path_;
    listing.name = storedName();
    listing.recordWords = image_.recordWords();
    listing.records = records_;
    for (std::int64_t i = 0; i < nkeys_; ++i) listing.keys.push_back(key(i));
    for (std::int64_t i = 0; i < nsd_; ++i) listing.subdirectories.push_back(subdirectory(i));
    return listing;
  }

 private:
  std::string prefix() const { return top_ ? "" : "directory " + path_ + ", "; }

  std::string where(std::int64_t k, const std::string& field) const {
    const std::int64_t r = (k - 1) / image_.recordWords();
    const std::int64_t rec = r >= 0 && r < static_cast<std::int64_t>(records_.size()) ? records_[r] : first_;
    return prefix() + "record " + std::to_string(rec) + " (directory word " + std::to_string(k) + ", " + field + ")";
  }

  [[noreturn]] void fail(std::int64_t k, const std::string& field, const std::string& what) const {
    image_.fail(where(k, field), what);
  }

  // Directory word k (1-based), checked.
  std::int64_t dir(std::int64_t k, const std::string& field) const {
    if (k < 1 || k > static_cast<std::int64_t>(d_.size())) {
      image_.fail(prefix() + "record " + std::to_string(first_) + " (directory)",
                  field + " at word " + std::to_string(k) + " lies outside the directory of " + std::to_string(d_.size()) +
                      " words");
    }
    return d_[k - 1];
  }

  std::int64_t firstRecordWord(std::int64_t k) const {
    return static_cast<std::int64_t>(image_.word((first_ - 1) * image_.recordWords() + k - 1));
  }

  // Words 1-4 in the 6-bit code; word 9 bits 1-5 its length.
  std::string storedName() const {
    std::string name;
    for (std::size_t w = 0; w < 4; ++w) name += sixBitText(d_[w]);
    name.resize(std::min<std::size_t>(name.size(), d_[8] & NAME_LENGTH_MASK));
    name.erase(name.find_last_not_of(' ') + 1);
    return name;
  }

  void readRecords() {
    const std::int64_t lrec = image_.recordWords();
    const std::int64_t nrec = image_.records();
    if (first_ < 2 || first_ > nrec) {
      image_.fail(prefix() + "directory record", "record " + std::to_string(first_) + " outside the file of " +
                                                     std::to_string(nrec) + " records");
    }
    records_ = {first_};
    if (lrec <= HEADER_WORDS) fail(LD, "LD", "record length " + std::to_string(lrec) + " too short for a directory");
    const std::int64_t ld = firstRecordWord(LD);
    if (ld < HEADER_WORDS || ld >= lrec) fail(LD, "LD", "record list pointer " + std::to_string(ld) + " outside the first record");
    const std::int64_t nrd = firstRecordWord(ld);
    if (nrd < 1 || nrd > nrec - 1) {
      fail(ld, "NRD", "directory record count " + std::to_string(nrd) + " impossible for a file of " + std::to_string(nrec) +
                          " records");
    }
    if (ld + nrd > lrec) fail(ld, "NRD", "directory record list runs past record " + std::to_string(first_));
    records_.clear();
    for (std::int64_t r = 0; r < nrd; ++r) {
      const std::int64_t rec = firstRecordWord(ld + 1 + r);
      if (rec < 2 || rec > nrec) {
        records_ = {first_};
        fail(ld + 1 + r, "directory record list",
             "record " + std::to_string(rec) + " outside the file of " + std::to_string(nrec) + " records");
      }
      records_.push_back(rec);
    }
    d_.reserve(static_cast<std::size_t>(nrd * lrec));
    for (std::int64_t rec : records_) {
      for (std::int64_t k = 0; k < lrec; ++k) d_.push_back(image_.word((rec - 1) * lrec + k));
    }
  }

  void readHeader() {
    const std::int64_t nrd = static_cast<std::int64_t>(records_.size());
    const std::int64_t le = dir(LE, "LE");
    if (le != nrd * image_.recordWords()) {
      fail(LE, "LE", "end of directory " + std::to_string(le) + " is not " + std::to_string(nrd) + " records");
    }
    if (top_) {
      const std::int64_t lb = dir(LB, "LB");
      if (dir(lb + 1, "LREC") != image_.recordWords()) fail(lb + 1, "LREC", "record length disagrees");
    }
    rzver_ = dir(RZVER, "RZVER");
    if (rzver_ != 0 && rzver_ != 1) fail(RZVER, "RZVER", "unknown cycle format " + std::to_string(rzver_));
    nwkey_ = dir(NWKEY, "NWKEY");
    if (nwkey_ < 1 || nwkey_ > MAX_KEY_WORDS) fail(NWKEY, "NWKEY", "impossible key length " + std::to_string(nwkey_));
    nkeys_ = dir(NKEYS, "NKEYS");
    lk_ = dir(LK, "LK");
    if (nkeys_ < 0 || lk_ < 1 || lk_ + (nwkey_ + 1) * nkeys_ - 1 > le) {
      fail(NKEYS, "NKEYS",
           std::to_string(nkeys_) + " keys from word " + std::to_string(lk_) + " do not fit in the directory");
    }
    nsd_ = dir(NSD, "NSD");
    if (nsd_ != 0) {
      ls_ = dir(LS, "LS");
      if (nsd_ < 0 || ls_ < 1 || ls_ + SUBDIRECTORY_WORDS * nsd_ - 1 > le) {
        fail(NSD, "NSD",
             std::to_string(nsd_) + " subdirectories from word " + std::to_string(ls_) + " do not fit in the directory");
      }
    }
  }

  Key key(std::int64_t i) const {
    const std::int64_t base = lk_ + (nwkey_ + 1) * i;  // the cycle pointer; the key elements follow
    Key k;
    k.serial = i + 1;
    for (std::int64_t e = 1; e <= nwkey_; ++e) k.elements.push_back(static_cast<std::int32_t>(d_[base + e - 1]));
    const std::int64_t cycleWords = rzver_ == 0 ? 4 : 7;
    const std::int64_t c = d_[base - 1];
    if (c < 1 || c + cycleWords - 1 > static_cast<std::int64_t>(d_.size())) {
      fail(base, "cycle pointer", k.label() + ": cycle pointer " + std::to_string(c) + " outside the directory");
    }
    auto w = [&](std::int64_t j) { return d_[c - 1 + j]; };  // word j (0-based) of the cycle block
    Cycle& cy = k.cycle;
    cy.flags = w(1) & 0xFF;
    if (rzver_ == 0) {
      cy.continuation = w(0) >> 16;
      cy.record = w(2) >> 16;
      cy.word = w(2) & 0xFFFF;
      cy.length = w(3) & 0xFFFFF;
    } else {
      cy.record = w(2);
      cy.word = w(3) & 0xFFFFF;
      cy.length = w(4);
      cy.continuation = w(5);
    }
    k.cycleWord = c;
    return k;
  }

  SubdirectoryEntry subdirectory(std::int64_t i) const {
    const std::int64_t base = ls_ + SUBDIRECTORY_WORDS * i;  // 1-based word of the entry
    const std::int64_t nch = d_[base + 3];
    if (nch < 1 || nch > MAX_NAME_CHARACTERS) {
      fail(base + 4, "subdirectory name length", "name of " + std::to_string(nch) + " characters");
    }
    SubdirectoryEntry s;
    for (std::int64_t w = 0; w < 4; ++w) s.name += sixBitText(d_[base - 1 + w]);
    s.name.resize(static_cast<std::size_t>(nch));
    s.name.erase(s.name.find_last_not_of(' ') + 1);
    s.record = d_[base + 4] & SUBDIRECTORY_RECORD_MASK;
    return s;
  }

  const Image& image_;
  std::int64_t first_;
  const std::string& path_;
  bool top_;
  std::vector<std::int64_t> records_;
  std::vector<std::uint32_t> d_;
  std::int64_t rzver_ = 0;
  std::int64_t nwkey_ = 0;
  std::int64_t nkeys_ = 0;
  std::int64_t lk_ = 0;
  std::int64_t nsd_ = 0;
  std::int64_t ls_ = 0;
};

}  // namespace

std::string Key::label() const {
  std::string s = "key " + std::to_string(serial) + " (";
  for (std::size_t e = 0; e < elements.size(); ++e) s += (e ? "," : "") + std::to_string(elements[e]);
  return s + ")";
}

std::string DirectoryListing::where(const Key& key) const {
  const std::int64_t r = (key.cycleWord - 1) / recordWords;
  const std::int64_t rec = r >= 0 && r < static_cast<std::int64_t>(records.size()) ? records[r] : records.front();
  return std::string(path == "/" ? "" : "directory " + path + ", ") + "record " + std::to_string(rec) + " (directory word " +
         std::to_string(key.cycleWord) + ", cycle), " + key.label();
}

std::string sixBitText(std::uint32_t w) {
  static const char CODE[] = " ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789+-*/()$= ,.#'!:\"_]&@?[><\\^;";
  std::string s;
  for (int k = 0; k < 4; ++k) s += CODE[(w >> (6 * k)) & 0x3F];
  return s;
}

DirectoryListing readDirectory(const Image& image, std::int64_t firstRecord, const std::string& path) {
  return DirectoryReader(image, firstRecord, path).run();
}

}  // namespace hbook::read
