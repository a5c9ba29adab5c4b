// The histogram package's own console messages about one histogram:
//   " ***** ERROR in HDELET : Unknown histogram : ID=     302 "
//   " *** WARNING in HCOPYR : Existing Histogram will be replaced : ID=     302 "
// The identifier is right-justified in 8 characters (eight asterisks when it
// does not fit) and the line ends with one blank.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace hbook {

std::string hbugLine(std::string_view severity, std::string_view routine, std::string_view text,
                     std::int32_t id);

// Print an error or a warning line on the console.
void hbugError(std::string_view routine, std::string_view text, std::int32_t id);
void hbugWarning(std::string_view routine, std::string_view text, std::int32_t id);

}  // namespace hbook
