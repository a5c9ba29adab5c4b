// hbook json FILE [ID]: the whole file, or one object (ID or /DIR/ID), as
// JSON whose numbers read back to the same bits (export/json.h).
#include <iostream>

#include "hbook/print/json.h"
#include "tool.h"

namespace hbooktool {

int commandJson(const std::vector<std::string>& args) {
  if (args.size() != 1 && args.size() != 2) throw UsageError{"json wants FILE [ID]"};
  const std::string& path = args[0];
  const ObjectAddress address = args.size() == 2 ? objectArgument(args[1]) : ObjectAddress{};
  const hbook::ReadResult file = load(path);
  if (args.size() == 1) {
    hbook::jsonFile(std::cout, path, file);
  } else {
    const Found f = findObject(file, path, address);
    hbook::jsonObject(std::cout, *f.directory, *f.object);
    std::cout << "\n";
  }
  return 0;
}

}  // namespace hbooktool
