// The 6-bit character code of directory names and key tags.
#include "hbook/rz/words.h"

namespace hbook::rz {

std::uint32_t sixBitWord(std::string_view four) {
  static constexpr std::string_view SPECIAL = "+-*/()$= ,.#'!:\"_]&@?[><\\^;";
  std::uint32_t word = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    const char c = i < four.size() ? four[i] : ' ';
    std::uint32_t code = 57;  // '?' for anything without a code
    if (c >= 'A' && c <= 'Z') code = static_cast<std::uint32_t>(c - 'A' + 1);
    else if (c >= 'a' && c <= 'z') code = static_cast<std::uint32_t>(c - 'a' + 1);
    else if (c >= '0' && c <= '9') code = static_cast<std::uint32_t>(c - '0' + 27);
    else if (c == '%') code = 51;
    else if (c == '{') code = 41;
    else if (c == '|') code = 40;
    else if (c == '}') code = 42;
    else if (auto k = SPECIAL.find(c); k != std::string_view::npos) code = static_cast<std::uint32_t>(37 + k);
    if (c == ' ' && i > 0) code = 0;
    word |= code << (6 * i);
  }
  return word;
}

}  // namespace hbook::rz
