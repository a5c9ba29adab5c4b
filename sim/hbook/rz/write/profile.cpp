// Profiles: HIDP (the layout of HID1, the y range in words 7 and 8), HCOP at
// link 1 (sum of w*y per channel 0..nx+1), HI1E at its next link (per bin
// the sum of w*y^2, or with option P the sum of squared deviations; its
// ZEBRA status word holds the error option) and HI1N at the next link of
// HI1E (sum of w). Memory order: HI1N, HI1E, HCOP, HIDP.
#include "hbook/rz/write/objectbanks.h"
#include "hbook/rz/write/objects.h"
#include "hbook/rz/writer.h"

namespace hbook::write {
namespace {

constexpr std::uint32_t HEADER_CONTROL = 0x2D15;
constexpr std::uint32_t HEADER_IO = 0x00600801;
constexpr std::uint32_t PROFILE_BITS = 0x181;  // KBITS bits 1, 8 and 9
constexpr std::uint32_t OPTION_BITS = 0x7;     // error option: bits 1-2 S or I, bit 3 P

std::vector<std::uint32_t> floats(const std::vector<float>& v) {
  std::vector<std::uint32_t> w;
  for (float f : v) w.push_back(floatBits(f));
  return w;
}

std::vector<std::uint32_t> build(const Profile& p, std::uint32_t start) {
  BankSet banks;
  const int n = banks.add("HI1N", 3, {CONTROL_FLOATS}, 0, 0, 0, floats(p.sumW));
  const int e = banks.add("HI1E", 2, {CONTROL_FLOATS}, 0, 0, p.errorStatus, floats(p.sumWY2));
  std::vector<std::uint32_t> contents = channelWords(p.sumWY, 32, p.entries, "profile " + std::to_string(p.id));
  const int co = banks.add("HCOP", 1, {channelControl(32), CHANNEL_IO}, 2, 2, ONE_EXTRA_WORD, std::move(contents));
  const float inverseWidth = p.xmax > p.xmin ? static_cast<float>(p.nx) / (p.xmax - p.xmin) : 0.0f;
  std::vector<std::uint32_t> d = {storedStatusBits(p),
                                  0,
                                  static_cast<std::uint32_t>(p.nx),
                                  floatBits(p.xmin),
                                  floatBits(p.xmax),
                                  floatBits(inverseWidth),
                                  floatBits(p.ymin),
                                  floatBits(p.ymax),
                                  0};
  for (std::uint32_t t : textWords(storedTitle(p.title))) d.push_back(t);
  const int id = banks.add("HIDP", p.id, {HEADER_CONTROL, HEADER_IO}, 1, 1, ONE_EXTRA_WORD, std::move(d));
  banks.hang(co, id, 1);
  banks.chain(e, co);
  banks.chain(n, e);
  banks.data(id)[1] = banks.accountingWords();
  return banks.object(start, id);
}

}  // namespace

KeyedObjects profile(const Profile& p) {
  const std::string what = "profile " + std::to_string(p.id);
  if (p.nx < 1) refuse(what, "number of bins " + std::to_string(p.nx) + " cannot be written");
  const auto nx = static_cast<std::size_t>(p.nx);
  if (p.sumWY.size() != nx + 2 || p.sumWY2.size() != nx || p.sumW.size() != nx) {
    refuse(what, "sums of " + std::to_string(p.sumWY.size()) + ", " + std::to_string(p.sumWY2.size()) + " and " +
                     std::to_string(p.sumW.size()) + " values for " + std::to_string(p.nx) + " bins (" +
                     std::to_string(nx + 2) + " channels of w*y, " + std::to_string(nx) +
                     " bins of w*y^2 and of w expected)");
  }
  if ((p.errorStatus & ~OPTION_BITS) != 0 || (p.errorStatus & 0x3) == 0x3) {
    refuse(what, "error option bits " + std::to_string(p.errorStatus) + " (0 blank, 1 S, 2 I, plus 4 for P)");
  }
  return {sized(p.id, 0, [&p](std::uint32_t start) { return build(p, start); })};
}

}  // namespace hbook::write

namespace hbook {

std::uint32_t storedStatusBits(const Profile& p) { return p.kbits | write::PROFILE_BITS; }

}  // namespace hbook
