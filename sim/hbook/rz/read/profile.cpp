// Profiles: HIDP (the layout of HID1, with the y range in words 7 and 8),
// HCOP at link 1 (sum of w*y per channel), HI1E at its next link (sum of
// w*y^2, or with option P the sum of squared deviations from the running
// mean; its status word holds the error option) and HI1N at the next link of
// HI1E (sum of w).
#include "hbook/rz/read/readers.h"

namespace hbook::read {
namespace {

constexpr std::int64_t HEADER_WORDS = 9;     // HIDP data words before the title
constexpr std::int64_t CONTENTS_HEADER = 8;  // HCOP data words before channel 0
constexpr std::uint32_t OPTION_BITS = 0x3;   // status bits 1-2: 0 ' ', 1 'S', 2 'I'

std::vector<float> perBin(const BankTree& tree, const Bank& b, std::int64_t nx, const std::string& what) {
  tree.take(b);
  tree.requireData(b, nx, std::to_string(nx) + " bins of " + what);
  std::vector<float> v;
  for (std::int64_t k = 1; k <= nx; ++k) v.push_back(tree.real(b, k));
  return v;
}

}  // namespace

Profile readProfile(const BankTree& tree, std::int32_t id) {
  const Bank& hid = tree.entry();
  tree.requireData(hid, HEADER_WORDS, "a profile header");
  Profile p;
  p.id = id;
  p.kbits = tree.word(hid, 1);
  p.nx = tree.integer(hid, 3);
  p.xmin = tree.real(hid, 4);
  p.xmax = tree.real(hid, 5);
  p.ymin = tree.real(hid, 7);
  p.ymax = tree.real(hid, 8);
  if (p.nx < 1) tree.fail(hid, "word 3: number of bins " + std::to_string(p.nx));
  p.title = titleText(tree, hid, HEADER_WORDS + 1, hid.nd - HEADER_WORDS);

  const Bank* hco = tree.linked(hid, 1);
  if (!hco) tree.fail(hid, "link 1: contents bank not found");
  tree.take(*hco);
  const std::int64_t nchan = std::int64_t{p.nx} + 2;
  tree.requireData(*hco, CONTENTS_HEADER + nchan, std::to_string(p.nx) + " bins");
  const std::int32_t nbit = tree.integer(*hco, 1);
  if (nbit != 32) tree.fail(*hco, "word 1: bits per channel NBIT " + std::to_string(nbit) + " in a profile");
  p.entries = tree.integer(*hco, 2);
  for (std::int64_t ch = 0; ch < nchan; ++ch) p.sumWY.push_back(tree.real(*hco, CONTENTS_HEADER + 1 + ch));

  const Bank* wy2 = tree.linked(*hco, 0);
  if (!wy2) tree.fail(*hco, "next link: bank of sums of w*y^2 not found");
  const Bank* w = tree.linked(*wy2, 0);
  if (!w) tree.fail(*wy2, "next link: bank of sums of w not found");
  p.errorStatus = wy2->status;
  if ((p.errorStatus & OPTION_BITS) == OPTION_BITS) {
    throw Unsupported{"profile with unknown error option " + std::to_string(p.errorStatus & OPTION_BITS) +
                      " (both S and I)"};
  }
  p.sumWY2 = perBin(tree, *wy2, p.nx, "sums of w*y^2");
  p.sumW = perBin(tree, *w, p.nx, "sums of w");
  return p;
}

}  // namespace hbook::read
