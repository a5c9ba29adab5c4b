// The subcommands written in Python (matplotlib, SciPy, h5py): hbook plot,
// diff, fit and export are handed to hbook-plot, hbook-diff, hbook-fit and
// hbook-export, the Python commands beside this program (python/hbook/).
// Their exit status is the tool's.
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "tool.h"

namespace hbooktool {
namespace {

[[noreturn]] void runPython(const std::string& command, const std::vector<std::string>& args) {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  const std::filesystem::path helper = self.parent_path() / ("hbook-" + command);
  if (ec || !std::filesystem::exists(helper)) {
    throw InputError{command + " needs " + helper.string() +
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

}  // namespace

int commandPlot(const std::vector<std::string>& args) { runPython("plot", args); }
int commandDiff(const std::vector<std::string>& args) { runPython("diff", args); }
int commandFit(const std::vector<std::string>& args) { runPython("fit", args); }
int commandExport(const std::vector<std::string>& args) { runPython("export", args); }

}  // namespace hbooktool
