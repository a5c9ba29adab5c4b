// The channels of a 1-D contents bank: HCO1, HCOP and the contents of
// projections, slices and bands. Data word 1 is NBIT, word 2 the entries,
// words 3-8 fill statistics; the channels follow from word 9: one float each
// when NBIT is 32, else packed counts, NB = 32 / NBIT channels to a word,
// channel c in word 9 + c / NB at bit (c mod NB) * NBIT from the lowest.
// The bank holds (n + 1) / NB + 9 data words then, fewer than n + 10.
#include "hbook/rz/read/readers.h"

namespace hbook::read {
namespace {

constexpr std::int64_t CONTENTS_HEADER = 8;  // data words before channel 0

}  // namespace

std::vector<float> readChannels(const BankTree& tree, const Bank& b, std::int64_t n, std::int32_t nbit,
                                const std::string& what) {
  const std::int64_t nchan = n + 2;
  std::vector<float> channels;
  if (nbit == 32) {
    tree.requireData(b, CONTENTS_HEADER + nchan, std::to_string(n) + " channels of " + what);
    channels.resize(static_cast<std::size_t>(nchan));
    for (std::int64_t ch = 0; ch < nchan; ++ch) channels[ch] = tree.real(b, CONTENTS_HEADER + 1 + ch);
  } else if (nbit >= 1 && nbit < 32) {
    const std::int64_t nb = 32 / nbit;
    tree.requireData(b, CONTENTS_HEADER + 1 + (nchan - 1) / nb, std::to_string(n) + " packed channels of " + what);
    const std::uint32_t mask = (std::uint32_t{1} << nbit) - 1;
    channels.resize(static_cast<std::size_t>(nchan));
    for (std::int64_t ch = 0; ch < nchan; ++ch) {
      const std::uint32_t packed = tree.word(b, CONTENTS_HEADER + 1 + ch / nb);
      channels[ch] = static_cast<float>((packed >> ((ch % nb) * nbit)) & mask);
    }
  } else {
    tree.fail(b, "word 1: bits per channel NBIT " + std::to_string(nbit) + " of " + what);
  }
  return channels;
}

}  // namespace hbook::read
