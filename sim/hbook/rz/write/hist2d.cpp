// 2-D histograms: HID2 (binning, title) with at link 1 HCO2 (cells, floats or
// packed counts, rows from the y overflow down), at its next link HI2E (sums
// of squared weights, rows from iy = 1 up), and at links 2-7 the projection
// on X and on Y, the X and Y slice masters (one link per slice) and the
// first X and Y band (bands chain through their next links; each band holds
// its limits and, at link 1, its contents). Projection, slice and band
// contents have the layout of a 1-D contents bank, optionally followed on
// the next link by their sums of squared weights. Memory order: the banks
// booked last first (Y bands, X bands, slices, projections, HI2E, HCO2),
// the header last.
#include "hbook/rz/write/objectbanks.h"
#include "hbook/rz/write/objects.h"
#include "hbook/rz/writer.h"

namespace hbook::write {
namespace {

constexpr std::uint32_t HEADER_CONTROL = 0x2D1D;  // '1B 2I 3F 1I 4F -H'
constexpr std::uint32_t HEADER_IO1 = 0x400C0401;
constexpr std::uint32_t HEADER_IO2 = 0x0008005A;
constexpr std::uint32_t CELLS_CONTROL = 0x0123;         // '2I -F'
constexpr std::uint32_t PACKED_CELLS_CONTROL = 0x0121;  // '2I -B'
constexpr std::uint32_t SCATTER = 0x2;                  // KBITS bit 2 (bit 3: a table)
constexpr std::uint32_t TABLE = 0x4;
constexpr std::uint32_t PROJECTIONS = 0x80;  // bit 8: projections, slices or bands booked
constexpr int BAND_IDN = 6;                  // IDN of the first X band (Y bands: 7)

std::string what(const Histogram2D& h) { return "2-D histogram " + std::to_string(h.id); }

void checkChannels(const Histogram2D& h, const Projection& p, std::int64_t n) {
  const std::string w = what(h) + ", " + p.name;
  if (p.channels.size() != static_cast<std::size_t>(n) + 2) {
    refuse(w, std::to_string(p.channels.size()) + " channels for " + std::to_string(n) + " bins");
  }
  if (!p.sumw2.empty() && p.sumw2.size() != static_cast<std::size_t>(n)) {
    refuse(w, std::to_string(p.sumw2.size()) + " error values for " + std::to_string(n) + " bins");
  }
  if (!p.sumw2.empty() && p.nbit != 32) refuse(w, "packed channels cannot have errors");
}

void check(const Histogram2D& h) {
  if (h.nx < 1 || h.ny < 1)
    refuse(what(h), std::to_string(h.nx) + " x " + std::to_string(h.ny) + " bins cannot be written");
  const std::size_t cells = (static_cast<std::size_t>(h.nx) + 2) * (static_cast<std::size_t>(h.ny) + 2);
  if (h.cells.size() != cells)
    refuse(what(h), std::to_string(h.cells.size()) + " cells, expected " + std::to_string(cells));
  if (!h.sumw2.empty() && h.sumw2.size() != static_cast<std::size_t>(h.nx) * static_cast<std::size_t>(h.ny)) {
    refuse(what(h), std::to_string(h.sumw2.size()) + " error values for " + std::to_string(h.nx) + " x " +
                        std::to_string(h.ny) + " bins");
  }
  if (h.projectionsX.size() > 1 || h.projectionsY.size() > 1) refuse(what(h), "more than one projection on an axis");
  for (const Projection& p : h.projectionsX) checkChannels(h, p, h.nx);
  for (const Projection& p : h.slicesX) checkChannels(h, p, h.nx);
  for (const Projection& p : h.bandsX) checkChannels(h, p, h.nx);
  for (const Projection& p : h.projectionsY) checkChannels(h, p, h.ny);
  for (const Projection& p : h.slicesY) checkChannels(h, p, h.ny);
  for (const Projection& p : h.bandsY) checkChannels(h, p, h.ny);
}

// The cells in the stored order: rows from iy = ny + 1 down to 0; packed
// counts fill each word from its most significant bits down.
std::vector<std::uint32_t> cellWords(const Histogram2D& h) {
  const std::size_t row = static_cast<std::size_t>(h.nx) + 2;
  const std::size_t rows = static_cast<std::size_t>(h.ny) + 2;
  std::vector<float> stored;
  stored.reserve(row * rows);
  for (std::size_t r = rows; r-- > 0;) {
    for (std::size_t ix = 0; ix < row; ++ix) stored.push_back(h.cells[ix + r * row]);
  }
  std::vector<std::uint32_t> w = {static_cast<std::uint32_t>(h.nbit), static_cast<std::uint32_t>(h.entries)};
  if (h.nbit == 32) {
    for (float c : stored) w.push_back(floatBits(c));
    return w;
  }
  // Packed like 1-D channels but from the top bits: build the low-first
  // words of the reversed fields and fix the order inside each word.
  if (h.nbit < 1 || h.nbit > 31) refuse(what(h), "bits per cell " + std::to_string(h.nbit) + " (1 to 32)");
  const std::size_t nb = static_cast<std::size_t>(32 / h.nbit);
  const std::uint64_t most = (std::uint64_t{1} << h.nbit) - 1;
  w.resize(2 + (stored.size() - 1) / nb + 1, 0);
  for (std::size_t k = 0; k < stored.size(); ++k) {
    const float v = stored[k];
    if (!(v >= 0 && static_cast<double>(v) <= static_cast<double>(most) &&
          v == static_cast<float>(static_cast<std::uint64_t>(v)))) {
      refuse(what(h), "a cell holds " + std::to_string(v) + ", not a count of 0 to " + std::to_string(most) + " that " +
                          std::to_string(h.nbit) + " packed bits can hold");
    }
    const std::size_t shift = (nb - 1 - k % nb) * static_cast<std::size_t>(h.nbit);
    w[2 + k / nb] |= static_cast<std::uint32_t>(v) << shift;
  }
  return w;
}

class Builder {
 public:
  explicit Builder(const Histogram2D& h) : h_(h) {}

  std::vector<std::uint32_t> object(std::uint32_t start) {
    // Banks are added lowest address first: the last booked first.
    std::vector<int> bandsY = bands(h_.bandsY, h_.ny, "BANY");
    std::vector<int> bandsX = bands(h_.bandsX, h_.nx, "BANX");
    const int slicesY = slices(h_.slicesY, h_.ny, "SLIY");
    const int slicesX = slices(h_.slicesX, h_.nx, "SLIX");
    const int projY = h_.projectionsY.empty() ? -1 : channels(h_.projectionsY[0], h_.ny, "PROY", 3, "PRYE");
    const int projX = h_.projectionsX.empty() ? -1 : channels(h_.projectionsX[0], h_.nx, "PROX", 2, "PRXE");
    int err = -1;
    if (!h_.sumw2.empty()) {
      std::vector<std::uint32_t> d;
      for (float s : h_.sumw2) d.push_back(floatBits(s));
      err = banks_.add("HI2E", 2, {CONTROL_FLOATS}, 0, 0, 0, std::move(d));
    }
    const int co =
        banks_.add("HCO2", 1, {h_.nbit == 32 ? CELLS_CONTROL : PACKED_CELLS_CONTROL}, 2, 2, 0, cellWords(h_));
    std::vector<std::uint32_t> d = {storedStatusBits(h_),
                                    0,
                                    static_cast<std::uint32_t>(h_.nx),
                                    floatBits(h_.xmin),
                                    floatBits(h_.xmax),
                                    floatBits(inverse(h_.nx, h_.xmin, h_.xmax)),
                                    static_cast<std::uint32_t>(h_.ny),
                                    floatBits(h_.ymin),
                                    floatBits(h_.ymax),
                                    floatBits(inverse(h_.ny, h_.ymin, h_.ymax)),
                                    floatBits(h_.scale)};
    for (std::uint32_t t : textWords(storedTitle(h_.title))) d.push_back(t);
    const int id =
        banks_.add("HID2", h_.id, {HEADER_CONTROL, HEADER_IO1, HEADER_IO2}, 7, 7, TWO_EXTRA_WORDS, std::move(d));
    banks_.hang(co, id, 1);
    if (err >= 0) banks_.chain(err, co);
    if (projX >= 0) banks_.hang(projX, id, 2);
    if (projY >= 0) banks_.hang(projY, id, 3);
    if (slicesX >= 0) banks_.hang(slicesX, id, 4);
    if (slicesY >= 0) banks_.hang(slicesY, id, 5);
    hangBands(bandsX, id, 6);
    hangBands(bandsY, id, 7);
    for (const auto& [child, previous] : chained_) banks_.chain(child, previous);
    banks_.data(id)[1] = banks_.accountingWords();
    return banks_.object(start, id);
  }

 private:
  static float inverse(std::int32_t n, float low, float high) {
    return high > low ? static_cast<float>(n) / (high - low) : 0.0f;
  }

  // A contents bank (and the bank of its errors, added before it); returns the contents bank.
  int channels(const Projection& p, std::int64_t n, const char* name, std::int32_t idn, const char* errName) {
    int err = -1;
    if (!p.sumw2.empty()) {
      std::vector<std::uint32_t> d;
      for (float s : p.sumw2) d.push_back(floatBits(s));
      err = banks_.add(errName, idn + 1, {CONTROL_FLOATS}, 0, 0, 0, std::move(d));
    }
    (void)n;
    const int b = banks_.add(name, idn, {channelControl(p.nbit), CHANNEL_IO}, 2, 2, ONE_EXTRA_WORD,
                             channelWords(p.channels, p.nbit, p.entries, what(h_) + ", " + p.name));
    if (err >= 0) chained_.push_back({err, b});
    return b;
  }

  // Slice contents (slice n first) then the master; returns the master or -1.
  int slices(const std::vector<Projection>& s, std::int64_t n, const char* name) {
    if (s.empty()) return -1;
    std::vector<int> contents(s.size());
    const std::string errName = std::string(name).substr(0, 3) + "E";
    for (std::size_t i = s.size(); i-- > 0;)
      contents[i] = channels(s[i], n, name, static_cast<std::int32_t>(i + 1), errName.c_str());
    const int master = banks_.add(name, name[3] == 'X' ? 4 : 5, {0x0000}, static_cast<int>(s.size()),
                                  static_cast<int>(s.size()), 0, {});
    for (std::size_t i = 0; i < s.size(); ++i) banks_.hang(contents[i], master, static_cast<int>(i + 1));
    return master;
  }

  // Bands, the last one first: its contents, then the band; returns the bands in order.
  std::vector<int> bands(const std::vector<Projection>& b, std::int64_t n, const char* name) {
    std::vector<int> out(b.size());
    const std::int32_t first = name[3] == 'X' ? BAND_IDN : BAND_IDN + 1;
    const std::string errName = std::string(name).substr(0, 3) + "E";
    for (std::size_t i = b.size(); i-- > 0;) {
      const int contents = channels(b[i], n, name, 1, errName.c_str());
      out[i] = banks_.add(name, first + static_cast<std::int32_t>(i), {CONTROL_FLOATS}, 1, 1, 0,
                          {floatBits(b[i].low), floatBits(b[i].high)});
      banks_.hang(contents, out[i], 1);
    }
    return out;
  }

  void hangBands(const std::vector<int>& b, int id, int link) {
    if (b.empty()) return;
    banks_.hang(b[0], id, link);
    for (std::size_t i = 1; i < b.size(); ++i) banks_.chain(b[i], b[i - 1]);
  }

  const Histogram2D& h_;
  BankSet banks_;
  std::vector<std::pair<int, int>> chained_;  // (errors bank, contents bank): chained once their parents are hung
};

}  // namespace

KeyedObjects histogram2D(const Histogram2D& h) {
  check(h);
  return {sized(h.id, 0, [&h](std::uint32_t start) { return Builder(h).object(start); })};
}

}  // namespace hbook::write

namespace hbook {

std::uint32_t storedStatusBits(const Histogram2D& h) {
  std::uint32_t kbits = h.kbits;
  if ((kbits & (write::SCATTER | write::TABLE)) == 0) kbits |= write::SCATTER;
  if (!h.projectionsX.empty() || !h.projectionsY.empty() || !h.slicesX.empty() || !h.slicesY.empty() ||
      !h.bandsX.empty() || !h.bandsY.empty())
    kbits |= write::PROJECTIONS;
  return kbits;
}

}  // namespace hbook
