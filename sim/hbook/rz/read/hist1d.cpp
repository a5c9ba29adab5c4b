// 1-D histograms: HID1 (binning, title), HCO1 at its link 1 (channels,
// unpacked floats or packed counts), HI1E at the next link of HCO1 when
// errors were stored (KBITS bit 9), and with variable bins (HBOOKB, KBITS bit
// 6) HBIN at link 2 of HID1: the NX + 1 bin edges, HID1 words 4 and 5 being
// the first and the last.
#include "hbook/rz/read/readers.h"

namespace hbook::read {
namespace {

constexpr std::uint32_t VARIABLE_BINS = 0x20;          // KBITS bit 6: bin edges in a bank HBIN
constexpr std::uint32_t ERRORS_BANK = 0x100;           // KBITS bit 9
constexpr std::int64_t HEADER_WORDS = 9;               // HID1 data words before the title
constexpr std::uint32_t READ_FROM_FILE_STATUS = 0x10;  // ZEBRA status bit 5 of HID1: read from a file

}  // namespace

Histogram readHistogram1D(const BankTree& tree, std::int32_t id) {
  const Bank& hid = tree.entry();
  tree.requireData(hid, HEADER_WORDS, "a 1-D histogram header");
  Histogram h;
  h.id = id;
  h.kbits = tree.word(hid, 1);
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
  tree.requireData(*hco, 2, "the contents header");
  h.nbit = tree.integer(*hco, 1);
  h.entries = tree.integer(*hco, 2);
  h.channels = readChannels(tree, *hco, h.nx, h.nbit, "the contents");
  h.statSumW = tree.real(*hco, 3);
  h.statSumW2 = tree.real(*hco, 4);
  h.statSumWX = tree.image().real8(tree.word(*hco, 5), tree.word(*hco, 6));
  h.statSumWX2 = tree.image().real8(tree.word(*hco, 7), tree.word(*hco, 8));
  if (h.kbits & ERRORS_BANK) {
    const Bank* err = tree.linked(*hco, 0);
    if (!err) tree.fail(*hco, "next link: errors bank HI1E not found");
    tree.requireData(*err, h.nx, std::to_string(h.nx) + " bins");
    h.sumw2.resize(static_cast<std::size_t>(h.nx));
    for (std::int64_t k = 0; k < h.nx; ++k) h.sumw2[k] = tree.real(*err, 1 + k);
  }
  if (h.kbits & VARIABLE_BINS) {
    const Bank* bins = tree.linked(hid, 2);
    if (!bins) tree.fail(hid, "link 2: bank of bin edges HBIN not found");
    tree.requireData(*bins, std::int64_t{h.nx} + 1, std::to_string(h.nx + 1) + " bin edges");
    for (std::int64_t k = 1; k <= h.nx + 1; ++k) h.edges.push_back(tree.real(*bins, k));
  }
  return h;
}

}  // namespace hbook::read
