// 2-D histograms: HID2 (binning, title), HCO2 at link 1 (cells, unpacked
// floats or packed counts), HI2E at the next link of HCO2 after HBAR2, and at
// links 2-7 the projections on X and Y, the X and Y slice masters and the
// first X and Y band. Projections, slices and bands have the layout of a 1-D
// contents bank (channels.cpp), packed when booked with VMX >= 1; an X band
// (BANX) holds its y limits and covers the x axis, a Y band (BANY) its x
// limits and the y axis.
#include "hbook/rz/read/readers.h"

namespace hbook::read {
namespace {

constexpr std::int64_t HEADER_WORDS = 11;      // HID2 data words before the title
constexpr std::int64_t CELLS_HEADER = 2;       // HCO2 data words before the first cell: NBIT, NOENT
constexpr std::int64_t BAND_LIMITS = 2;        // band bank data: low, high
constexpr std::uint32_t VARIABLE_BINS = 0x20;  // KBITS bit 6: the package books 2-D histograms with equal bins only

// A projection, slice or band contents bank with n channels, optionally
// followed by its sums of squared weights.
Projection readProjection(const BankTree& tree, const Bank& b, std::int64_t n, const std::string& name) {
  tree.take(b);
  Projection p;
  p.name = name;
  tree.requireData(b, 2, "the contents header of " + name);
  p.nbit = tree.integer(b, 1);
  p.entries = tree.integer(b, 2);
  p.channels = readChannels(tree, b, n, p.nbit, name);
  if (const Bank* err = tree.linked(b, 0)) {
    tree.take(*err);
    tree.requireData(*err, n, std::to_string(n) + " errors of " + name);
    for (std::int64_t k = 1; k <= n; ++k) p.sumw2.push_back(tree.real(*err, k));
  }
  return p;
}

std::string numbered(const std::string& stem, std::int64_t i) { return stem + (i < 10 ? "0" : "") + std::to_string(i); }

// Slices hang from the links of a master bank, one link per slice.
std::vector<Projection> readSlices(const BankTree& tree, const Bank& master, std::int64_t n, const std::string& stem) {
  std::vector<Projection> slices;
  for (std::int64_t i = 1; i <= master.nl; ++i) {
    const Bank* s = tree.linked(master, i);
    if (!s) tree.fail(master, "link " + std::to_string(i) + ": slice contents not found");
    slices.push_back(readProjection(tree, *s, n, numbered(stem, i)));
  }
  return slices;
}

// Bands form a chain through their next links; each holds its limits and,
// at link 1, its contents.
std::vector<Projection> readBands(const BankTree& tree, const Bank* band, std::int64_t n, const std::string& stem) {
  std::vector<Projection> bands;
  while (band) {
    tree.take(*band);
    tree.requireData(*band, BAND_LIMITS, "the band limits");
    const Bank* contents = tree.linked(*band, 1);
    if (!contents) tree.fail(*band, "link 1: band contents not found");
    Projection p = readProjection(tree, *contents, n, numbered(stem, static_cast<std::int64_t>(bands.size()) + 1));
    p.low = tree.real(*band, 1);
    p.high = tree.real(*band, 2);
    bands.push_back(std::move(p));
    band = tree.linked(*band, 0);
  }
  return bands;
}

}  // namespace

Histogram2D readHistogram2D(const BankTree& tree, std::int32_t id) {
  const Bank& hid = tree.entry();
  tree.requireData(hid, HEADER_WORDS, "a 2-D histogram header");
  Histogram2D h;
  h.id = id;
  h.kbits = tree.word(hid, 1);
  if (h.kbits & VARIABLE_BINS)
    tree.fail(hid, "word 1: status bit 6 (variable bins) on a 2-D histogram, which the package never books");
  h.nx = tree.integer(hid, 3);
  h.xmin = tree.real(hid, 4);
  h.xmax = tree.real(hid, 5);
  h.ny = tree.integer(hid, 7);
  h.ymin = tree.real(hid, 8);
  h.ymax = tree.real(hid, 9);
  h.scale = tree.real(hid, 11);
  if (h.nx < 1) tree.fail(hid, "word 3: number of x bins " + std::to_string(h.nx));
  if (h.ny < 1) tree.fail(hid, "word 7: number of y bins " + std::to_string(h.ny));
  h.title = titleText(tree, hid, HEADER_WORDS + 1, hid.nd - HEADER_WORDS);

  const Bank* hco = tree.linked(hid, 1);
  if (!hco) tree.fail(hid, "link 1: contents bank not found");
  tree.take(*hco);
  tree.requireData(*hco, CELLS_HEADER, "the contents header");
  h.nbit = tree.integer(*hco, 1);
  h.entries = tree.integer(*hco, 2);
  const std::int64_t rowCells = std::int64_t{h.nx} + 2;
  const std::int64_t ncells = rowCells * (std::int64_t{h.ny} + 2);
  // Stored index of cell (ix, iy): rows from the y overflow down to the y underflow.
  auto stored = [&](std::int64_t ix, std::int64_t iy) { return ix + (h.ny + 1 - iy) * rowCells; };
  if (h.nbit == 32) {
    tree.requireData(*hco, CELLS_HEADER + ncells, std::to_string(h.nx) + " x " + std::to_string(h.ny) + " cells");
    h.cells.resize(static_cast<std::size_t>(ncells));
    for (std::int64_t iy = 0; iy <= h.ny + 1; ++iy) {
      for (std::int64_t ix = 0; ix < rowCells; ++ix) {
        h.cells[ix + iy * rowCells] = tree.real(*hco, CELLS_HEADER + 1 + stored(ix, iy));
      }
    }
  } else if (h.nbit >= 1 && h.nbit < 32) {
    // Packed counts: NB cells of NBIT bits per word, the first cell in the high bits.
    const std::int64_t nb = 32 / h.nbit;
    tree.requireData(*hco, CELLS_HEADER + 1 + (ncells - 1) / nb,
                     std::to_string(h.nx) + " x " + std::to_string(h.ny) + " packed cells");
    const std::uint32_t mask = (std::uint32_t{1} << h.nbit) - 1;
    h.cells.resize(static_cast<std::size_t>(ncells));
    for (std::int64_t iy = 0; iy <= h.ny + 1; ++iy) {
      for (std::int64_t ix = 0; ix < rowCells; ++ix) {
        const std::int64_t k = stored(ix, iy);
        const std::uint32_t packed = tree.word(*hco, CELLS_HEADER + 1 + k / nb);
        h.cells[ix + iy * rowCells] = static_cast<float>((packed >> ((nb - 1 - k % nb) * h.nbit)) & mask);
      }
    }
  } else {
    tree.fail(*hco, "word 1: bits per cell NBIT " + std::to_string(h.nbit));
  }
  // HBAR2 sets no status bit: the errors bank is there when HCO2's next link leads to one.
  if (const Bank* err = tree.linked(*hco, 0)) {
    tree.take(*err);
    const std::int64_t inner = std::int64_t{h.nx} * h.ny;
    tree.requireData(*err, inner, std::to_string(inner) + " cell errors");
    h.sumw2.resize(static_cast<std::size_t>(inner));
    for (std::int64_t k = 0; k < inner; ++k) h.sumw2[k] = tree.real(*err, 1 + k);
  }
  if (const Bank* p = tree.linked(hid, 2)) h.projectionsX.push_back(readProjection(tree, *p, h.nx, "PROX"));
  if (const Bank* p = tree.linked(hid, 3)) h.projectionsY.push_back(readProjection(tree, *p, h.ny, "PROY"));
  if (const Bank* m = tree.linked(hid, 4)) h.slicesX = readSlices(tree, *m, h.nx, "SLIX");
  if (const Bank* m = tree.linked(hid, 5)) h.slicesY = readSlices(tree, *m, h.ny, "SLIY");
  h.bandsX = readBands(tree, tree.linked(hid, 6), h.nx, "BANX");
  h.bandsY = readBands(tree, tree.linked(hid, 7), h.ny, "BANY");
  return h;
}

}  // namespace hbook::read
