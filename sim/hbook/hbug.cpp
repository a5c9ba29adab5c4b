#include "hbook/hbug.h"

#include "textout/console.h"

namespace hbook {

std::string hbugLine(std::string_view severity, std::string_view routine, std::string_view text,
                     std::int32_t id) {
  std::string number = std::to_string(id);
  if (number.size() > 8) number = std::string(8, '*');  // Fortran I8 overflow
  std::string line = " ";
  line += severity;
  line += " in ";
  line += routine;
  line += " : ";
  line += text;
  line += " : ID=";
  line += std::string(8 - number.size(), ' ') + number;
  line += ' ';
  return line;
}

void hbugError(std::string_view routine, std::string_view text, std::int32_t id) {
  textout::console() << hbugLine("***** ERROR", routine, text, id) << '\n';
}

void hbugWarning(std::string_view routine, std::string_view text, std::int32_t id) {
  textout::console() << hbugLine("*** WARNING", routine, text, id) << '\n';
}

}  // namespace hbook
