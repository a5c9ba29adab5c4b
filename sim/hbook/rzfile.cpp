// Reading 1-D histograms from an HBOOK file (ZEBRA RZ).
//
// The file is a sequence of fixed-length records. Record 2 starts the top
// directory, whose words give the directory records, the keys and, for each
// key, a cycle block saying where the object lies (first record and word,
// continuation record, length). An object is a serialised bank tree: a table
// of the writer's memory regions, then the banks; links between banks are
// the writer's addresses and are resolved through that table. A histogram is
// the header bank HID1 (binning, title), its contents bank HCO1 at link 1 and,
// when errors were stored, the bank HI1E at the next link of HCO1.
//
// Every index taken from the file is checked before use; a violation throws
// FileError naming the file, the record and the field.
#include <algorithm>
#include <bit>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "rzfile.h"
#include "rzwords.h"

namespace hbook {
namespace {

constexpr std::int64_t kMaxFileBytes = std::int64_t{1} << 31;
constexpr std::int64_t kDetectWords = 8704;  // enough for the largest record length

float asFloat(std::uint32_t w) { return std::bit_cast<float>(w); }

std::string hex(std::uint32_t w) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", w);
  return buf;
}

// One bank of an object: where it lies in the bank material and its counts.
struct Bank {
  std::int64_t first = 0;  // material index of its first word
  std::int64_t nst = 0;    // extra I/O words + links
  std::int64_t nl = 0;
  std::int64_t nd = 0;
  std::uint32_t address = 0;  // the writer's address of its "next" word
};

class Reader {
 public:
  explicit Reader(const std::string& path) : path_(path) {}

  ReadResult run() {
    load();
    detectRecordLength();
    readDirectory();
    ReadResult result;
    result.recordWords = static_cast<int>(lrec_);
    result.objects = static_cast<int>(nkeys_);
    if (nsd_ > 0) {
      result.skipped.push_back({0, path_ + ": " + std::to_string(nsd_) + " subdirectories skipped"});
    }
    for (std::int64_t i = 0; i < nkeys_; ++i) readKey(i, result);
    return result;
  }

 private:
  [[noreturn]] void fail(const std::string& where, const std::string& what) const {
    throw FileError(path_ + ": " + where + ": " + what);
  }

  void load() {
    std::ifstream in(path_, std::ios::binary | std::ios::ate);
    if (!in) fail("file", "cannot be opened");
    const std::streamoff size = in.tellg();
    if (size < 0) fail("file", "size cannot be determined");
    if (size == 0) fail("file", "is empty");
    if (size > kMaxFileBytes) fail("file", "size " + std::to_string(size) + " bytes is too large");
    if (size % 4 != 0) fail("file", "size " + std::to_string(size) + " bytes is not a whole number of words");
    bytes_.resize(static_cast<std::size_t>(size));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(bytes_.data()), size)) fail("file", "read error");
    nwords_ = size / 4;
  }

  // Word i (0-based) of the file in the current byte order.
  std::uint32_t word(std::int64_t i) const {
    const unsigned char* p = bytes_.data() + 4 * i;
    return little_ ? rz::loadLittle(p) : rz::loadBig(p);
  }

  // The record length is the J for which record 2, read with records of J
  // words, holds a consistent directory: its file descriptor's record-length
  // word is J and (directory records) x J = end of directory.
  void detectRecordLength() {
    const std::int64_t n = std::min(nwords_, kDetectWords);
    for (bool little : {false, true}) {
      little_ = little;
      auto t = [&](std::int64_t k) { return static_cast<std::int64_t>(word(k - 1)); };  // 1-based
      for (std::int64_t j = 1; j + 31 <= n; ++j) {
        const std::int64_t lb = t(j + 25);
        if (lb <= 0 || lb > j || j + lb + 1 > n || t(j + lb + 1) != j) continue;
        const std::int64_t ld = t(j + 24);
        if (ld <= 0 || ld > j) continue;
        if (t(j + ld) * j != t(j + 30)) continue;
        lrec_ = j;
        if (nwords_ % lrec_ != 0) {
          fail("file", "size " + std::to_string(nwords_ * 4) + " bytes is not a whole number of " +
                           std::to_string(lrec_) + "-word records");
        }
        nrec_ = nwords_ / lrec_;
        return;
      }
    }
    fail("record 2 (directory)", "no consistent record length found (not an HBOOK/RZ file?)");
  }

  std::string dirWhere(std::int64_t k, const std::string& field) const {
    const std::int64_t r = (k - 1) / lrec_;
    const std::int64_t rec = r < static_cast<std::int64_t>(dirRecords_.size()) ? dirRecords_[r] : 2;
    return "record " + std::to_string(rec) + " (directory word " + std::to_string(k) + ", " + field + ")";
  }

  // Directory word k (1-based), checked.
  std::int64_t dir(std::int64_t k, const char* field) const {
    if (k < 1 || k > static_cast<std::int64_t>(d_.size())) {
      fail("record 2 (directory)", std::string(field) + " at word " + std::to_string(k) + " lies outside the directory of " +
                                       std::to_string(d_.size()) + " words");
    }
    return d_[k - 1];
  }

  void readDirectory() {
    auto rec2 = [&](std::int64_t k) { return static_cast<std::int64_t>(word(lrec_ + k - 1)); };
    dirRecords_ = {2};
    const std::int64_t ld = rec2(24);
    const std::int64_t nrd = rec2(ld);  // detection guarantees 1 <= ld <= lrec
    if (nrd < 1 || nrd > nrec_ - 1) fail(dirWhere(ld, "NRD"), "directory record count " + std::to_string(nrd) + " impossible for a file of " + std::to_string(nrec_) + " records");
    if (ld + nrd > lrec_) fail(dirWhere(ld, "NRD"), "directory record list runs past record 2");
    dirRecords_.clear();
    for (std::int64_t r = 0; r < nrd; ++r) {
      const std::int64_t rec = rec2(ld + 1 + r);
      if (rec < 2 || rec > nrec_) fail(dirWhere(ld + 1 + r, "directory record list"), "record " + std::to_string(rec) + " outside the file of " + std::to_string(nrec_) + " records");
      dirRecords_.push_back(rec);
    }
    d_.reserve(static_cast<std::size_t>(nrd * lrec_));
    for (std::int64_t rec : dirRecords_) {
      for (std::int64_t k = 0; k < lrec_; ++k) d_.push_back(static_cast<std::uint32_t>(word((rec - 1) * lrec_ + k)));
    }
    const std::int64_t le = dir(30, "LE");
    if (le != nrd * lrec_) fail(dirWhere(30, "LE"), "end of directory " + std::to_string(le) + " is not " + std::to_string(nrd) + " records");
    const std::int64_t lb = dir(25, "LB");
    if (dir(lb + 1, "LREC") != lrec_) fail(dirWhere(lb + 1, "LREC"), "record length disagrees");
    rzver_ = dir(16, "RZVER");
    if (rzver_ != 0 && rzver_ != 1) fail(dirWhere(16, "RZVER"), "unknown cycle format " + std::to_string(rzver_));
    nwkey_ = dir(32, "NWKEY");
    if (nwkey_ < 1 || nwkey_ > 100) fail(dirWhere(32, "NWKEY"), "impossible key length " + std::to_string(nwkey_));
    nkeys_ = dir(31, "NKEYS");
    lk_ = dir(27, "LK");
    if (nkeys_ < 0 || lk_ < 1 || lk_ + (nwkey_ + 1) * nkeys_ - 1 > le) {
      fail(dirWhere(31, "NKEYS"), std::to_string(nkeys_) + " keys from word " + std::to_string(lk_) + " do not fit in the directory");
    }
    nsd_ = dir(23, "NSD");
  }

  void readKey(std::int64_t i, ReadResult& result) {
    const std::int64_t base = lk_ + (nwkey_ + 1) * i;
    const auto id = static_cast<std::int32_t>(d_[base]);  // KEY(1), checked to lie in the directory
    std::string key = "key " + std::to_string(i + 1) + " (" + std::to_string(id);
    bool histogramKey = true;
    for (std::int64_t e = 2; e <= nwkey_; ++e) {
      const auto k = static_cast<std::int32_t>(d_[base + e - 1]);
      key += "," + std::to_string(k);
      if (k != 0) histogramKey = false;
    }
    key += ")";
    if (!histogramKey) {
      result.skipped.push_back({id, path_ + ": " + key + ": not a histogram (ntuple buffer), skipped"});
      return;
    }
    ++result.allHistograms;  // every (id, 0) key is a histogram or an ntuple
    const std::int64_t klcycl = rzver_ == 0 ? 4 : 7;
    const std::int64_t c = d_[base - 1];
    if (c < 1 || c + klcycl - 1 > static_cast<std::int64_t>(d_.size())) {
      fail(dirWhere(base, "cycle pointer"), key + ": cycle pointer " + std::to_string(c) + " outside the directory");
    }
    const std::uint32_t flags = d_[c] & 0xFF;
    if (flags & 0x08) {
      result.skipped.push_back({id, path_ + ": " + key + ": appended object (ntuple buffer), skipped"});
      return;
    }
    if (flags & 0x07) {
      result.skipped.push_back({id, path_ + ": " + key + ": plain vector, not a histogram, skipped"});
      return;
    }
    std::int64_t ir1, ip1, ir2, nw;
    if (rzver_ == 0) {
      ir2 = d_[c - 1] >> 16;
      ir1 = d_[c + 1] >> 16;
      ip1 = d_[c + 1] & 0xFFFF;
      nw = d_[c + 2] & 0xFFFFF;
    } else {
      ir1 = d_[c + 1];
      ip1 = d_[c + 2] & 0xFFFFF;
      nw = d_[c + 3];
      ir2 = d_[c + 4];
    }
    const std::string cyc = dirWhere(c, "cycle") + ", " + key;
    if (ir1 < 1 || ir1 > nrec_) fail(cyc, "object record " + std::to_string(ir1) + " outside the file of " + std::to_string(nrec_) + " records");
    if (ip1 < 1 || ip1 > lrec_) fail(cyc, "object start word " + std::to_string(ip1) + " outside the record");
    if (nw < 3) fail(cyc, "object length " + std::to_string(nw) + " too short");
    const std::int64_t n1 = std::min(nw, lrec_ - ip1 + 1);
    std::vector<std::uint32_t> obj;
    obj.reserve(static_cast<std::size_t>(std::min(nw, nwords_)));
    for (std::int64_t k = 0; k < n1; ++k) obj.push_back(word((ir1 - 1) * lrec_ + ip1 - 1 + k));
    if (nw > n1) {
      const std::int64_t more = (nw - n1 + lrec_ - 1) / lrec_;
      if (ir2 < 1 || ir2 + more - 1 > nrec_) {
        fail(cyc, "continuation records " + std::to_string(ir2) + ".." + std::to_string(ir2 + more - 1) + " outside the file of " +
                      std::to_string(nrec_) + " records");
      }
      for (std::int64_t k = 0; k < nw - n1; ++k) obj.push_back(word((ir2 - 1) * lrec_ + k));
    }
    const std::string where = "record " + std::to_string(ir1) + " word " + std::to_string(ip1) + " (object of " + key + ")";
    parseObject(obj, id, key, where, result);
  }

  std::string text(std::uint32_t w) const {
    std::string s(4, ' ');
    for (int k = 0; k < 4; ++k) s[k] = static_cast<char>(little_ ? (w >> (8 * k)) : (w >> (24 - 8 * k)));
    return s;
  }

  double asDouble(std::uint32_t first, std::uint32_t second) const {
    const std::uint64_t hi = little_ ? second : first;
    const std::uint64_t lo = little_ ? first : second;
    return std::bit_cast<double>((hi << 32) | lo);
  }

  void parseObject(const std::vector<std::uint32_t>& w, std::int32_t id, const std::string& key, const std::string& where,
                   ReadResult& result) {
    const std::int64_t nw = static_cast<std::int64_t>(w.size());
    const std::int64_t nwtab = w[0];
    const std::int64_t nwbk = w[1];
    const std::uint32_t lentry = w[2];
    if (nwtab < 2 || nwtab % 2 != 0 || 3 + nwtab > nw) fail(where, "table length NWTAB " + std::to_string(nwtab) + " invalid");
    if (3 + nwtab + nwbk != nw) fail(where, "bank material length NWBK " + std::to_string(nwbk) + " disagrees with the object length " + std::to_string(nw));
    // Memory regions of the writer: material index -> address.
    std::vector<std::pair<std::int64_t, std::uint32_t>> regions;  // (first material index, start address)
    std::int64_t total = 0;
    for (std::int64_t r = 0; r < nwtab; r += 2) {
      const std::uint32_t start = w[3 + r];
      const std::uint32_t end = w[4 + r];
      if (end < start) fail(where, "table region " + std::to_string(r / 2 + 1) + " ends before it starts");
      regions.emplace_back(total, start);
      total += end - start;
    }
    if (total != nwbk) fail(where, "table regions hold " + std::to_string(total) + " words, NWBK says " + std::to_string(nwbk));
    const std::uint32_t* mat = w.data() + 3 + nwtab;
    auto address = [&](std::int64_t k) {
      auto it = std::upper_bound(regions.begin(), regions.end(), k,
                                 [](std::int64_t v, const auto& reg) { return v < reg.first; });
      --it;
      return static_cast<std::uint32_t>(it->second + static_cast<std::uint32_t>(k - it->first));
    };
    // Walk the banks.
    std::map<std::uint32_t, Bank> banks;
    for (std::int64_t p = 0; p < nwbk;) {
      const std::int64_t noff = mat[p] & 0xFFFF;
      const std::string bw = where + ", bank at material word " + std::to_string(p + 1);
      if (noff < 12) {
        if (noff == 0) fail(bw, "zero-length dead region");
        p += noff;
        continue;
      }
      Bank b;
      b.first = p;
      b.nst = noff - 12;
      if (p + b.nst + 9 >= nwbk) fail(bw, "bank header runs past the bank material");
      b.nl = mat[p + b.nst + 6];
      const std::int64_t ns = mat[p + b.nst + 7];
      b.nd = mat[p + b.nst + 8];
      const std::int64_t nio = (mat[p + b.nst + 9] >> 18) & 0xF;
      if (nio + b.nl != b.nst || ns > b.nl) fail(bw, "link counts NL " + std::to_string(b.nl) + ", NS " + std::to_string(ns) + " disagree with NOFF " + std::to_string(noff));
      if (b.nd > nwbk - p - b.nst - 10) fail(bw, "data length ND " + std::to_string(b.nd) + " overruns the object");
      b.address = address(p) + static_cast<std::uint32_t>(noff - 11);
      banks.emplace(b.address, b);
      p += b.nst + 10 + b.nd;
    }
    auto bankAt = [&](std::uint32_t addr) -> const Bank* {
      if (addr == 0) return nullptr;
      auto it = banks.find(addr);
      return it == banks.end() ? nullptr : &it->second;
    };
    auto name = [&](const Bank& b) { return text(mat[b.first + b.nst + 5]); };
    auto data = [&](const Bank& b, std::int64_t k) { return mat[b.first + b.nst + 9 + k]; };  // 1..nd
    auto link = [&](const Bank& b, std::int64_t j) { return mat[b.first + b.nst + 1 - j]; };  // 1..nl; 0 = next

    const Bank* hid = bankAt(lentry);
    if (!hid) fail(where, "entry address LENTRY " + hex(lentry) + " is no bank");
    const std::string hidName = name(*hid);
    auto skip = [&](const std::string& why) { result.skipped.push_back({id, path_ + ": " + key + ": " + why + ", skipped"}); };
    if (hidName != "HID1" && hidName != "HIDE") {
      skip(hidName == "HID2" ? "2-D histogram" : hidName == "HIDT" ? "ntuple" : "object '" + hidName + "' is not a 1-D histogram");
      return;
    }
    if (hid->nd < 9) fail(where + ", " + hidName, "data length ND " + std::to_string(hid->nd) + " below 9");
    const std::uint32_t kbits = data(*hid, 1);
    if (!(kbits & 0x1)) {
      skip(kbits & 0x6 ? "2-D histogram" : kbits & 0x8 ? "ntuple" : "object with status bits " + hex(kbits));
      return;
    }
    if (kbits & 0x80) {
      skip("profile histogram");
      return;
    }
    if (kbits & 0x20) {
      skip("histogram with variable bin edges");
      return;
    }
    Histogram h;
    h.id = id;
    h.kbits = kbits;
    h.nx = static_cast<std::int32_t>(data(*hid, 3));
    h.xmin = asFloat(data(*hid, 4));
    h.xmax = asFloat(data(*hid, 5));
    h.minimum = asFloat(data(*hid, 7));
    h.maximum = asFloat(data(*hid, 8));
    h.norm = asFloat(data(*hid, 9));
    if (h.nx < 1) fail(where + ", " + hidName + " word 3", "number of bins " + std::to_string(h.nx));
    for (std::int64_t k = 10; k <= hid->nd; ++k) h.title += text(data(*hid, k));
    h.title.erase(h.title.find_last_not_of(' ') + 1);
    h.readFromFile = true;

    const Bank* hco = hid->nl >= 1 ? bankAt(link(*hid, 1)) : nullptr;
    if (!hco) fail(where + ", " + hidName + " link 1", "contents bank not found");
    const std::string hcoWhere = where + ", " + name(*hco);
    if (name(*hco) != "HCO1" && name(*hco) != "HCON") fail(hcoWhere, "contents bank has the wrong name");
    if (hco->nd < 9) fail(hcoWhere, "data length ND " + std::to_string(hco->nd) + " below 9");
    const std::int64_t nbit = data(*hco, 1);
    h.entries = static_cast<std::int32_t>(data(*hco, 2));
    h.statSumW = asFloat(data(*hco, 3));
    h.statSumW2 = asFloat(data(*hco, 4));
    h.statSumWX = asDouble(data(*hco, 5), data(*hco, 6));
    h.statSumWX2 = asDouble(data(*hco, 7), data(*hco, 8));
    const std::int64_t nchan = std::int64_t{h.nx} + 2;
    if (nbit == 32) {
      if (hco->nd < nchan + 8) fail(hcoWhere, "data length ND " + std::to_string(hco->nd) + " too short for " + std::to_string(h.nx) + " bins");
      h.channels.resize(static_cast<std::size_t>(nchan));
      for (std::int64_t ch = 0; ch < nchan; ++ch) h.channels[ch] = asFloat(data(*hco, 9 + ch));
    } else if (nbit >= 1 && nbit < 32) {
      // Packed integer counts: NB channels of NBIT bits per word, channel 0 in the low bits.
      const std::int64_t nb = 32 / nbit;
      if (hco->nd < 9 + (nchan - 1) / nb) fail(hcoWhere, "data length ND " + std::to_string(hco->nd) + " too short for " + std::to_string(h.nx) + " packed bins");
      const std::uint32_t mask = (std::uint32_t{1} << nbit) - 1;
      h.channels.resize(static_cast<std::size_t>(nchan));
      for (std::int64_t ch = 0; ch < nchan; ++ch) {
        const std::uint32_t packed = data(*hco, 9 + ch / nb);
        h.channels[ch] = static_cast<float>((packed >> ((ch % nb) * nbit)) & mask);
      }
    } else {
      fail(hcoWhere + " word 1", "bits per channel NBIT " + std::to_string(nbit));
    }
    if (kbits & 0x100) {
      const Bank* err = bankAt(link(*hco, 0));
      if (!err) fail(hcoWhere + " next link", "errors bank HI1E not found");
      if (err->nd < h.nx) fail(where + ", " + name(*err), "data length ND " + std::to_string(err->nd) + " too short for " + std::to_string(h.nx) + " bins");
      h.sumw2.resize(static_cast<std::size_t>(h.nx));
      for (std::int64_t k = 0; k < h.nx; ++k) h.sumw2[k] = asFloat(data(*err, 1 + k));
    }
    result.histograms.push_back(std::move(h));
  }

  const std::string& path_;
  std::vector<unsigned char> bytes_;
  std::int64_t nwords_ = 0;
  bool little_ = false;
  std::int64_t lrec_ = 0;
  std::int64_t nrec_ = 0;
  std::vector<std::int64_t> dirRecords_;
  std::vector<std::uint32_t> d_;
  std::int64_t rzver_ = 0;
  std::int64_t nwkey_ = 0;
  std::int64_t nkeys_ = 0;
  std::int64_t lk_ = 0;
  std::int64_t nsd_ = 0;
};

}  // namespace

ReadResult readFile(const std::string& path) { return Reader(path).run(); }

}  // namespace hbook
