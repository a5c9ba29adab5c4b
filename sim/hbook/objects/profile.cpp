// The values HBOOK derives from the sums of a profile (HI, HIE).
#include "hbook/objects/profile.h"

#include <cmath>
#include <cstdint>

namespace hbook {

// HI: the mean Y / N in single precision.
float Profile::mean(int bin) const {
  const float n = sumW.at(static_cast<std::size_t>(bin - 1));
  if (n == 0.0f) return 0.0f;
  return sumWY.at(static_cast<std::size_t>(bin)) / n;
}

namespace {

constexpr std::uint32_t OPTION_BITS = 0x3;  // status bits 1-2
constexpr std::uint32_t OPTION_S = 1;
constexpr std::uint32_t OPTION_I = 2;
constexpr std::uint32_t OPTION_P = 0x4;  // status bit 3

}  // namespace

// HIE: the spread s = sqrt(|Y2/N - (Y/N)^2|) in double precision, with
// option P s = sqrt(|D/N|) of the stored squared deviations D; for a bin
// without spread sqrt(|Y|), or 1/sqrt(12) with option I; divided by sqrt(N)
// (taken in single precision) unless the option is S.
float Profile::error(int bin) const {
  const float n = sumW.at(static_cast<std::size_t>(bin - 1));
  if (n == 0.0f) return 0.0f;
  const double y = sumWY.at(static_cast<std::size_t>(bin));
  const double y2 = sumWY2.at(static_cast<std::size_t>(bin - 1));
  const double mean = y / n;
  double s = std::sqrt(std::fabs((errorStatus & OPTION_P) ? y2 / n : y2 / n - mean * mean));
  const std::uint32_t option = errorStatus & OPTION_BITS;
  if (s <= 0.0 && n >= 1.0f) s = option == OPTION_I ? 1.0 / std::sqrt(12.0) : std::sqrt(std::fabs(y));
  if (option != OPTION_S) s /= static_cast<double>(std::sqrt(n));
  return static_cast<float>(s);
}

std::string Profile::errorOption() const {
  const std::uint32_t option = errorStatus & OPTION_BITS;
  std::string o = option == OPTION_S ? "S" : option == OPTION_I ? "I" : "";
  if (errorStatus & OPTION_P) o += "P";
  return o.empty() ? " " : o;
}

}  // namespace hbook
