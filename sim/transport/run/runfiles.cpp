#include "transport/run/runfiles.h"

namespace tarn {

std::string inDirectory(const std::string& dir, const std::string& name) {
  return dir.empty() ? name : dir + "/" + name;
}

std::string histFileName(std::int32_t ranNo) { return "h" + std::to_string(ranNo) + ".hbook"; }

std::string histFileNameAt(std::int32_t ranNo, int attempt) {
  if (attempt == 0) return histFileName(ranNo);
  return "h" + std::to_string(ranNo) + "-" + std::to_string(attempt) + ".hbook";
}

std::string partialFileName(std::int64_t ranNo) { return "h" + std::to_string(ranNo) + ".partial.hbook"; }

}  // namespace tarn
