// hbook plot FILE ID [ID...] -o OUT: handed to hbook-plot, the Python
// command beside this program (matplotlib draws the figure; see
// python/hbook/plot.py). Its exit status is the tool's.
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "tool.h"

namespace hbooktool {

int commandPlot(const std::vector<std::string>& args) {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  const std::filesystem::path helper = self.parent_path() / "hbook-plot";
  if (ec || !std::filesystem::exists(helper)) {
    throw InputError{"plot needs " + helper.string() +
                     ", made by the build when python3-dev, pybind11-dev and python3-numpy are installed "
                     "(bash scripts/setup-deps.sh)"};
  }
  std::vector<std::string> words = {helper.string()};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  std::cout.flush();
  ::execv(helper.c_str(), argv.data());
  throw InputError{"cannot run " + helper.string() + ": " + std::strerror(errno)};
}

}  // namespace hbooktool
