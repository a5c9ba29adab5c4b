// 1-D histograms: HID1 (binning, title), HCO1 at its link 1 (channels,
// unpacked floats or packed counts), HI1E at the next link of HCO1 when
// errors were stored (KBITS bit 9).
#include "hbook/rz/read/readers.h"

namespace hbook::read {
namespace {

constexpr std::uint32_t VARIABLE_BINS = 0x20;          // KBITS bit 6: bin edges in a bank HBIN (layout not verified)
constexpr std::uint32_t ERRORS_BANK = 0x100;           // KBITS bit 9
constexpr std::int64_t HEADER_WORDS = 9;               // HID1 data words before the title
constexpr std::int64_t CONTENTS_HEADER = 8;            // HCO1 data words before channel 0
constexpr std::uint32_t READ_FROM_FILE_STATUS = 0x10;  // ZEBRA status bit 5 of HID1: read from a file

}  // namespace

Histogram readHistogram1D(const BankTree& tree, std::int32_t id) {
  const Bank& hid = tree.entry();
  tree.requireData(hid, HEADER_WORDS, "a 1-D histogram header");
  Histogram h;
  h.id = id;
  h.kbits = tree.word(hid, 1);
  if (h.kbits & VARIABLE_BINS) throw Unsupported{"histogram with variable bin edges"};
  h.nx = tree.integer(hid, 3);
  h.xmin = tree.real(hid, 4);
  h.xmax = tree.real(hid, 5);
  h.minimum = tree.real(hid, 7);
  h.maximum = tree.real(hid, 8);
  h.norm = tree.real(hid, 9);
  if (h.nx < 1) tree.fail(hid, "word 3: number of bins " + std::to_string(h.nx));
  h.title = titleText(tree, hid, HEADER_WORDS + 1, hid.nd - HEADER_WORDS);
  h.readFromFile = true;
  h.markedAsRead = (hid.status & READ_FROM_FILE_STATUS) != 0;

  const Bank* hco = tree.linked(hid, 1);
  if (!hco) tree.fail(hid, "link 1: contents bank not found");
  if (hco->name != "HCO1" && hco->name != "HCON") tree.fail(*hco, "contents bank has the wrong name");
  tree.requireData(*hco, CONTENTS_HEADER + 1, "the contents header");
  const std::int64_t nbit = tree.integer(*hco, 1);
  h.entries = tree.integer(*hco, 2);
  h.statSumW = tree.real(*hco, 3);
  h.statSumW2 = tree.real(*hco, 4);
  h.statSumWX = tree.image().real8(tree.word(*hco, 5), tree.word(*hco, 6));
  h.statSumWX2 = tree.image().real8(tree.word(*hco, 7), tree.word(*hco, 8));
  const std::int64_t nchan = std::int64_t{h.nx} + 2;
  if (nbit == 32) {
    tree.requireData(*hco, CONTENTS_HEADER + nchan, std::to_string(h.nx) + " bins");
    h.channels.resize(static_cast<std::size_t>(nchan));
    for (std::int64_t ch = 0; ch < nchan; ++ch) h.channels[ch] = tree.real(*hco, CONTENTS_HEADER + 1 + ch);
  } else if (nbit >= 1 && nbit < 32) {
    // Packed integer counts: NB channels of NBIT bits per word, channel 0 in the low bits.
    const std::int64_t nb = 32 / nbit;
    tree.requireData(*hco, CONTENTS_HEADER + 1 + (nchan - 1) / nb, std::to_string(h.nx) + " packed bins");
    const std::uint32_t mask = (std::uint32_t{1} << nbit) - 1;
    h.channels.resize(static_cast<std::size_t>(nchan));
    for (std::int64_t ch = 0; ch < nchan; ++ch) {
      const std::uint32_t packed = tree.word(*hco, CONTENTS_HEADER + 1 + ch / nb);
      h.channels[ch] = static_cast<float>((packed >> ((ch % nb) * nbit)) & mask);
    }
  } else {
    tree.fail(*hco, "word 1: bits per channel NBIT " + std::to_string(nbit));
  }
  if (h.kbits & ERRORS_BANK) {
    const Bank* err = tree.linked(*hco, 0);
    if (!err) tree.fail(*hco, "next link: errors bank HI1E not found");
    tree.requireData(*err, h.nx, std::to_string(h.nx) + " bins");
    h.sumw2.resize(static_cast<std::size_t>(h.nx));
    for (std::int64_t k = 0; k < h.nx; ++k) h.sumw2[k] = tree.real(*err, 1 + k);
  }
  return h;
}

}  // namespace hbook::read
