// Helpers shared by the writers of the object kinds.
#include <bit>
#include <cmath>

#include "hbook/rz/fileerror.h"
#include "hbook/rz/write/objects.h"

namespace hbook::write {

std::uint32_t floatBits(float f) { return std::bit_cast<std::uint32_t>(f); }

std::string storedTitle(const std::string& title) {
  std::string t = title;
  t.erase(t.find_last_not_of(' ') + 1);
  return t;
}

void refuse(const std::string& what, const std::string& why) { throw FileError(what + ": " + why); }

KeyedObject sized(std::int32_t key1, std::int32_t key2,
                  std::function<std::vector<std::uint32_t>(std::uint32_t)> build) {
  KeyedObject k;
  k.key1 = key1;
  k.key2 = key2;
  k.words = static_cast<std::int64_t>(build(0).size());
  k.build = std::move(build);
  return k;
}

std::uint32_t channelControl(std::int32_t nbit) { return nbit == 32 ? 0x31A3 : 0x31A1; }

std::vector<std::uint32_t> channelWords(const std::vector<float>& channels, std::int32_t nbit, std::int32_t entries,
                                        const std::string& what) {
  std::vector<std::uint32_t> w = {
      static_cast<std::uint32_t>(nbit), static_cast<std::uint32_t>(entries), 0, 0, 0, 0, 0, 0};
  if (nbit == 32) {
    for (float c : channels) w.push_back(floatBits(c));
    return w;
  }
  if (nbit < 1 || nbit > 31) refuse(what, "bits per channel " + std::to_string(nbit) + " (1 to 32)");
  const std::size_t nb = static_cast<std::size_t>(32 / nbit);
  const double most = std::ldexp(1.0, nbit) - 1;
  w.resize(8 + (channels.size() - 1) / nb + 1, 0);
  for (std::size_t c = 0; c < channels.size(); ++c) {
    const double v = channels[c];
    if (!(v >= 0 && v <= most && v == std::floor(v))) {
      refuse(what, "channel " + std::to_string(c) + " holds " + std::to_string(v) + ", not a count of 0 to " +
                       std::to_string(static_cast<std::int64_t>(most)) + " that " + std::to_string(nbit) +
                       " packed bits can hold");
    }
    w[8 + c / nb] |= static_cast<std::uint32_t>(v) << ((c % nb) * static_cast<std::size_t>(nbit));
  }
  return w;
}

}  // namespace hbook::write
