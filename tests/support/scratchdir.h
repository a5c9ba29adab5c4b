// Test helper: a fresh directory under the system's temporary directory,
// made for one test and removed with everything in it at the end.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace testsupport {

class ScratchDir {
 public:
  // "tarn-TAG-XXXXXX", unique (mkdtemp) even among processes run at once.
  explicit ScratchDir(const std::string& tag) {
    std::string name = (std::filesystem::temp_directory_path() / ("tarn-" + tag + "-XXXXXX")).string();
    if (!::mkdtemp(name.data())) throw std::runtime_error("cannot make a scratch directory " + name);
    path_ = name;
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string str() const { return path_.string(); }

  // lam.hbook, gradx.hbook and sq.hbook as shipped in data/.
  void copyShippedInputs() const {
    for (const char* name : {"lam.hbook", "gradx.hbook", "sq.hbook"})
      std::filesystem::copy_file(std::filesystem::path(TARN_DATA_DIR) / name, path_ / name,
                                 std::filesystem::copy_options::overwrite_existing);
  }

 private:
  std::filesystem::path path_;
};

}  // namespace testsupport
