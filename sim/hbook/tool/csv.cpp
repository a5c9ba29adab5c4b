// hbook csv FILE ID: low,high,content,error, one row per bin.
#include <cmath>
#include <iostream>

#include "tool.h"

namespace hbooktool {

int commandCsv(const std::vector<std::string>& args) {
  if (args.size() != 2) throw UsageError{"csv wants FILE ID"};
  const std::string& path = args[0];
  const std::int32_t id = idArgument(args[1]);
  const hbook::ReadResult file = load(path);
  const hbook::Histogram& h = findId(file, path, id);
  std::string out = "low,high,content,error\n";
  for (int i = 1; i <= h.nx; ++i) {
    const float c = h.channels[static_cast<std::size_t>(i)];
    const float e = h.sumw2.empty() ? std::sqrt(std::fabs(c)) : std::sqrt(h.sumw2[static_cast<std::size_t>(i - 1)]);
    out += g9(lowEdge(h, i)) + "," + g9(highEdge(h, i)) + "," + g9(c) + "," + g9(e) + "\n";
  }
  std::cout << out;
  return 0;
}

}  // namespace hbooktool
