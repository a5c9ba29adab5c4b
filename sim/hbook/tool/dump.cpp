// hbook dump FILE [ID]: every value, in the layout of the reference dumps.
#include <iostream>

#include "rzdump.h"
#include "tool.h"

namespace hbooktool {

int commandDump(const std::vector<std::string>& args) {
  if (args.size() != 1 && args.size() != 2) throw UsageError{"dump wants FILE [ID]"};
  const std::string& path = args[0];
  const hbook::ReadResult file = load(path);
  if (args.size() == 1) {
    std::cout << hbook::dumpFile(path, file);
  } else {
    std::cout << hbook::dumpHistogram(findId(file, path, idArgument(args[1])));
  }
  return 0;
}

}  // namespace hbooktool
