// Hand-built HBOOK files for the reader tests: banks word by word, objects
// laid into records of any length, in either byte order. Used where no golden
// file has the layout a test needs (little-endian words, the largest record
// lengths, packed channels whose words the test writes out itself).
//
// What is built is what the format notes describe: record 1 zero, the top
// directory from record 2 (as many records as 1000 bitmap words need), one
// key (id, 0) and one 4-word cycle per object, the objects back to back from
// the first record after the directory, continued at IR2 when they do not fit.
// In a little-endian file (RZ's native mode on such a machine) every word is
// stored low byte first except text words (bank names, titles), which keep
// their characters in reading order, and a double's two words swap places.
#pragma once

#include <bit>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

struct FileWord {
  enum Kind { Plain, Text, DoubleHigh };  // DoubleHigh: the first, most significant word of a double
  std::uint32_t value = 0;
  Kind kind = Plain;
};

inline FileWord text4(const std::string& s, std::size_t at = 0) {
  std::uint32_t v = 0;
  for (std::size_t k = 0; k < 4; ++k) v = v << 8 | static_cast<unsigned char>(at + k < s.size() ? s[at + k] : ' ');
  return {v, FileWord::Text};
}

inline FileWord real(float f) { return {std::bit_cast<std::uint32_t>(f)}; }

inline void appendDouble(std::vector<FileWord>& w, double d) {
  const auto b = std::bit_cast<std::uint64_t>(d);
  w.push_back({static_cast<std::uint32_t>(b >> 32), FileWord::DoubleHigh});
  w.push_back({static_cast<std::uint32_t>(b)});
}

// One bank of an object. Links and `next` name other banks of the object by
// their place in the list (-1: empty).
struct BankSpec {
  std::string name;
  std::uint32_t idn = 1;
  std::uint32_t control = 0x0003;      // I/O control byte (upper half of the first word): 0x0003 '-F'
  std::vector<std::uint32_t> extraIo;  // extra I/O characteristic words
  std::vector<int> links;              // links 1..NL
  int ns = 0;                          // structural links
  int next = -1;
  std::uint32_t userStatus = 0;  // status bits 1-18
  std::vector<FileWord> data;
};

// The words of an object: NWTAB, NWBK, LENTRY, one table region, the banks in
// the order given (their addresses follow from it). Up and origin links are 0:
// the reader does not use them.
inline std::vector<FileWord> objectWords(const std::vector<BankSpec>& banks, int entry,
                                         std::uint32_t base = 0x00010000) {
  std::vector<std::uint32_t> address;
  std::uint32_t at = base;
  for (const BankSpec& b : banks) {
    const auto nst = static_cast<std::uint32_t>(b.extraIo.size() + b.links.size());
    address.push_back(at + nst + 1);
    at += nst + 10 + static_cast<std::uint32_t>(b.data.size());
  }
  auto addr = [&](int k) { return k < 0 ? 0u : address[static_cast<std::size_t>(k)]; };
  std::vector<FileWord> w = {{2}, {at - base}, {addr(entry)}, {base}, {at}};
  for (const BankSpec& b : banks) {
    const auto nio = static_cast<std::uint32_t>(b.extraIo.size());
    const auto nl = static_cast<std::uint32_t>(b.links.size());
    w.push_back({b.control << 16 | (nio + nl + 12)});
    for (std::uint32_t v : b.extraIo) w.push_back({v});
    for (std::size_t j = b.links.size(); j-- > 0;) w.push_back({addr(b.links[j])});
    for (std::uint32_t v : {addr(b.next), 0u, 0u, b.idn}) w.push_back({v});
    w.push_back(text4(b.name));
    for (std::uint32_t v :
         {nl, static_cast<std::uint32_t>(b.ns), static_cast<std::uint32_t>(b.data.size()), nio << 18 | b.userStatus}) {
      w.push_back({v});
    }
    w.insert(w.end(), b.data.begin(), b.data.end());
  }
  return w;
}

// A 1-D histogram: HCO1 with the given channel words (floats, or packed
// counts when nbit < 32: the test writes the words) and the fill statistics
// sums of w*x and w*x^2 (doubles), HID1 with the title.
inline std::vector<FileWord> histogramObject(std::int32_t id, const std::string& title, std::int32_t nx, float xmin,
                                             float xmax, std::int32_t nbit, std::int32_t entries,
                                             const std::vector<FileWord>& channelWords, double sumWX = 0.0,
                                             double sumWX2 = 0.0) {
  BankSpec hco{"HCO1", 1, nbit == 32 ? 0x31A3u : 0x31A1u, {0x00400802}, {-1, -1}, 2, -1, 0, {}};
  hco.data = {{static_cast<std::uint32_t>(nbit)}, {static_cast<std::uint32_t>(entries)}, {}, {}};
  appendDouble(hco.data, sumWX);
  appendDouble(hco.data, sumWX2);
  hco.data.insert(hco.data.end(), channelWords.begin(), channelWords.end());
  BankSpec hid{"HID1", static_cast<std::uint32_t>(id), 0x2D15, {0x00600801}, {0}, 1, -1, 0, {}};
  const std::size_t nwt = (title.size() + 3) / 4;
  hid.data = {{1},        {0},        {static_cast<std::uint32_t>(nx)},
              real(xmin), real(xmax), real(static_cast<float>(nx) / (xmax - xmin)),
              {},         {},         {}};
  for (std::size_t k = 0; k < nwt; ++k) hid.data.push_back(text4(title, 4 * k));
  return objectWords({hco, hid}, 1);
}

// A whole file of records of `lrec` words holding the objects under keys (id, 0).
inline std::vector<unsigned char> fileBytes(std::int64_t lrec,
                                            const std::vector<std::pair<std::int32_t, std::vector<FileWord>>>& objects,
                                            bool little = false) {
  constexpr std::int64_t nwrec = 1000;  // bitmap words of a 32000-record quota
  const std::int64_t nrd = (50 + nwrec - 1) / lrec + 1;
  const std::int64_t nwl = nrd * lrec;
  const std::int64_t firstData = nrd + 2;
  const auto n = static_cast<std::int64_t>(objects.size());
  std::vector<std::uint32_t> d(static_cast<std::size_t>(nwl + 1), 0);  // 1-based directory words
  std::vector<FileWord> data;
  struct Cycle {
    std::int64_t ir1, ip1, ir2, nw;
  };
  std::vector<Cycle> cycles;
  for (const auto& [id, words] : objects) {
    const auto used = static_cast<std::int64_t>(data.size());
    Cycle c{firstData + used / lrec, used % lrec + 1, 0, static_cast<std::int64_t>(words.size())};
    if (c.ip1 - 1 + c.nw > lrec) c.ir2 = c.ir1 + 1;
    cycles.push_back(c);
    data.insert(data.end(), words.begin(), words.end());
  }
  const std::int64_t dataRecords = (static_cast<std::int64_t>(data.size()) + lrec - 1) / lrec;
  const std::int64_t records = firstData - 1 + dataRecords;
  const std::int64_t ld = 38;
  const std::int64_t lb = ld + nrd + 1;
  const std::int64_t lk = lb + 3 + nwrec;
  d[1] = 0x00550488;  // 'HRPU' 'T   ' in the 6-bit code
  d[2] = 0x00000014;
  d[3] = d[4] = 0x0000002D;
  d[7] = d[8] = 0x20202020;
  d[9] = 5 | 0x800;
  d[12] = 32000;
  d[13] = static_cast<std::uint32_t>(nrd + dataRecords);
  d[14] = static_cast<std::uint32_t>(nwl + static_cast<std::int64_t>(data.size()));
  d[18] = d[19] = static_cast<std::uint32_t>(dataRecords ? records : 0);
  d[20] = static_cast<std::uint32_t>(dataRecords ? (static_cast<std::int64_t>(data.size()) - 1) % lrec + 2 : 2);
  d[22] = static_cast<std::uint32_t>((nwl + 1 - 4 * n) - (lk + 3 * n) - 1);
  d[24] = static_cast<std::uint32_t>(ld);
  d[25] = static_cast<std::uint32_t>(lb);
  d[26] = d[27] = static_cast<std::uint32_t>(lk);
  d[28] = static_cast<std::uint32_t>(lk + 3 * n);
  d[29] = static_cast<std::uint32_t>(nwl + 1 - 4 * n);
  d[30] = static_cast<std::uint32_t>(nwl);
  d[31] = static_cast<std::uint32_t>(n);
  d[32] = 2;
  d[33] = 0x12;
  d[34] = 0x003CF088;  // 'HBOOK-ID' 'VARIABLE'
  d[35] = 0x0010998B;
  d[36] = 0x00252056;
  d[37] = 0x0014C081;
  d[ld] = static_cast<std::uint32_t>(nrd);
  for (std::int64_t k = 1; k <= nrd; ++k) d[ld + k] = static_cast<std::uint32_t>(k + 1);
  d[lb] = nwrec;
  d[lb + 1] = static_cast<std::uint32_t>(lrec);
  for (std::int64_t r = 2; r <= records; ++r) d[lb + 3 + (r - 1) / 32] |= std::uint32_t{1} << ((r - 1) % 32);
  for (std::int64_t i = 1; i <= n; ++i) {
    const Cycle& c = cycles[static_cast<std::size_t>(i - 1)];
    const std::int64_t key = lk + 3 * (i - 1);
    const std::int64_t cyc = nwl + 1 - 4 * i;
    d[key] = static_cast<std::uint32_t>(cyc);
    d[key + 1] = static_cast<std::uint32_t>(objects[static_cast<std::size_t>(i - 1)].first);
    d[cyc] = static_cast<std::uint32_t>(c.ir2 << 16);
    d[cyc + 2] = static_cast<std::uint32_t>(c.ir1 << 16 | c.ip1);
    d[cyc + 3] = static_cast<std::uint32_t>(std::int64_t{1} << 20 | c.nw);
  }
  std::vector<unsigned char> bytes(static_cast<std::size_t>(records * lrec * 4), 0);
  auto store = [&](std::int64_t word, FileWord w) {
    unsigned char* p = &bytes[static_cast<std::size_t>(4 * word)];
    const bool lowFirst = little && w.kind != FileWord::Text;
    for (int k = 0; k < 4; ++k) p[k] = static_cast<unsigned char>(w.value >> (lowFirst ? 8 * k : 24 - 8 * k));
  };
  for (std::int64_t k = 1; k <= nwl; ++k) store(lrec + k - 1, {d[static_cast<std::size_t>(k)]});
  const std::int64_t at = (firstData - 1) * lrec;
  for (std::size_t k = 0; k < data.size(); ++k) {
    const auto word = at + static_cast<std::int64_t>(k);
    if (little && data[k].kind == FileWord::DoubleHigh && k + 1 < data.size()) {
      store(word, data[k + 1]);
      store(word + 1, data[k]);
      ++k;
    } else {
      store(word, data[k]);
    }
  }
  return bytes;
}

}  // namespace testsupport
