// hbook dump FILE [ID]: every value of the 1-D histograms, in the layout of
// the reference dumps.
// hbook dump --all FILE: every object of every directory, in the layout of
// the package's dumps of 2-D histograms, profiles, ntuples and directories.
#include <iostream>

#include "hbook/print/dump.h"
#include "hbook/print/dumpall/dumpall.h"
#include "tool.h"

namespace hbooktool {

int commandDump(const std::vector<std::string>& args) {
  if (!args.empty() && args[0] == "--all") {
    if (args.size() != 2) throw UsageError{"dump --all wants one FILE"};
    const hbook::ReadResult file = load(args[1]);
    hbook::dumpAll(std::cout, args[1], file);
    return 0;
  }
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
