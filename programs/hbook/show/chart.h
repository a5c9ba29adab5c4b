// A column chart of bin contents within 80 columns, for hbook show.
#pragma once

#include <string>
#include <vector>

namespace hbooktool {

// Contents of bins 1..n (in order) over low..high: up to 64 columns (each the
// mean of neighbouring bins), 8 lines of bars above and below a zero axis,
// the range written under it.
std::vector<std::string> chart(const std::vector<float>& contents, float low, float high);

}  // namespace hbooktool
