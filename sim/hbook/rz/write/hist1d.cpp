// 1-D histograms: HID1 (binning, title; NL 2 with variable bin edges), HCO1
// at its link 1 (channels, floats or packed counts, and the fill statistics
// words), HBIN at link 2 (variable bin edges) and HI1E at the next link of
// HCO1 (sums of squared weights). Memory order: HI1E, HBIN, HCO1, HID1.
#include <bit>

#include "hbook/rz/write/objectbanks.h"
#include "hbook/rz/write/objects.h"
#include "hbook/rz/writer.h"

namespace hbook::write {
namespace {

constexpr std::uint32_t HEADER_CONTROL = 0x2D15;  // '1B 2I 6F -H'
constexpr std::uint32_t HEADER_IO = 0x00600801;
constexpr std::uint32_t ONE_DIM = 0x1;         // KBITS bit 1
constexpr std::uint32_t VARIABLE_BINS = 0x20;  // bit 6
constexpr std::uint32_t ERRORS = 0x100;        // bit 9

void check(const Histogram& h, const std::string& what) {
  if (h.nx < 1) refuse(what, "number of bins " + std::to_string(h.nx) + " cannot be written");
  if (h.channels.size() != static_cast<std::size_t>(h.nx) + 2) {
    refuse(what, std::to_string(h.channels.size()) + " channels for " + std::to_string(h.nx) + " bins");
  }
  if (!h.sumw2.empty() && h.sumw2.size() != static_cast<std::size_t>(h.nx)) {
    refuse(what, std::to_string(h.sumw2.size()) + " error values for " + std::to_string(h.nx) + " bins");
  }
  if (h.edges.empty()) return;
  if (h.edges.size() != static_cast<std::size_t>(h.nx) + 1) {
    refuse(what, std::to_string(h.edges.size()) + " bin edges for " + std::to_string(h.nx) + " bins");
  }
  for (std::size_t i = 1; i < h.edges.size(); ++i) {
    if (!(h.edges[i] > h.edges[i - 1]))
      refuse(what, "bin edge " + std::to_string(i + 1) + " does not lie above the one before");
  }
  if (floatBits(h.edges.front()) != floatBits(h.xmin) || floatBits(h.edges.back()) != floatBits(h.xmax)) {
    refuse(what, "the first and last bin edges are not its lower and upper edges");
  }
}

std::vector<std::uint32_t> build(const Histogram& h, std::uint32_t start) {
  const std::string what = "histogram " + std::to_string(h.id);
  const bool errors = !h.sumw2.empty();
  const bool variable = !h.edges.empty();
  BankSet banks;
  int err = -1;
  if (errors) {
    std::vector<std::uint32_t> d;
    for (float s : h.sumw2) d.push_back(floatBits(s));
    err = banks.add("HI1E", 2, {CONTROL_FLOATS}, 0, 0, 0, std::move(d));
  }
  int bin = -1;
  if (variable) {
    std::vector<std::uint32_t> d;
    for (float e : h.edges) d.push_back(floatBits(e));
    bin = banks.add("HBIN", 2, {CONTROL_FLOATS}, 0, 0, 0, std::move(d));
  }
  std::vector<std::uint32_t> contents = channelWords(h.channels, h.nbit, h.entries, what);
  // Words 3-8, the fill statistics, come before the channels whether these are packed or not.
  const std::uint64_t wx = std::bit_cast<std::uint64_t>(h.statSumWX);
  const std::uint64_t wx2 = std::bit_cast<std::uint64_t>(h.statSumWX2);
  const std::uint32_t stats[6] = {floatBits(h.statSumW),
                                  floatBits(h.statSumW2),
                                  static_cast<std::uint32_t>(wx >> 32),
                                  static_cast<std::uint32_t>(wx),
                                  static_cast<std::uint32_t>(wx2 >> 32),
                                  static_cast<std::uint32_t>(wx2)};
  for (int k = 0; k < 6; ++k) contents[static_cast<std::size_t>(2 + k)] = stats[k];
  const int co = banks.add("HCO1", 1, {channelControl(h.nbit), CHANNEL_IO}, 2, 2, ONE_EXTRA_WORD, std::move(contents));
  const std::string title = storedTitle(h.title);
  const float inverseWidth = h.xmax > h.xmin ? static_cast<float>(h.nx) / (h.xmax - h.xmin) : 0.0f;
  std::vector<std::uint32_t> d = {storedStatusBits(h),
                                  0,
                                  static_cast<std::uint32_t>(h.nx),
                                  floatBits(h.xmin),
                                  floatBits(h.xmax),
                                  floatBits(inverseWidth),
                                  floatBits(h.minimum),
                                  floatBits(h.maximum),
                                  floatBits(h.norm)};
  for (std::uint32_t t : textWords(title)) d.push_back(t);
  const int nl = variable ? 2 : 1;
  const int id = banks.add("HID1", h.id, {HEADER_CONTROL, HEADER_IO}, nl, nl,
                           ONE_EXTRA_WORD | (h.readFromFile ? READ_FROM_FILE : 0), std::move(d));
  banks.hang(co, id, 1);
  if (variable) banks.hang(bin, id, 2);
  if (errors) banks.chain(err, co);
  banks.data(id)[1] = banks.accountingWords();
  return banks.object(start, id);
}

}  // namespace

KeyedObjects histogram1D(const Histogram& h) {
  check(h, "histogram " + std::to_string(h.id));
  return {sized(h.id, 0, [&h](std::uint32_t start) { return build(h, start); })};
}

}  // namespace hbook::write

namespace hbook {

std::uint32_t storedStatusBits(const Histogram& h) {
  std::uint32_t kbits = (h.kbits | write::ONE_DIM) & ~(write::ERRORS | write::VARIABLE_BINS);
  if (!h.sumw2.empty()) kbits |= write::ERRORS;
  if (!h.edges.empty()) kbits |= write::VARIABLE_BINS;
  return kbits;
}

}  // namespace hbook
