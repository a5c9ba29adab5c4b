#include "transport/run/parallel/launcher.h"

#include <cstdlib>
#include <initializer_list>
#include <string>

namespace tarn {
namespace {

// The first of the variables that is set to a whole number >= 0, or -1.
int firstNumber(std::initializer_list<const char*> names) {
  for (const char* name : names) {
    const char* value = std::getenv(name);
    if (!value || !*value) continue;
    char* end = nullptr;
    const long v = std::strtol(value, &end, 10);
    if (*end == '\0' && v >= 0 && v <= 1 << 30) return static_cast<int>(v);
  }
  return -1;
}

}  // namespace

Launch launchFromEnvironment() {
  Launch launch;
  const int size = firstNumber({"OMPI_COMM_WORLD_SIZE", "PMI_SIZE"});
  const int rank = firstNumber({"OMPI_COMM_WORLD_RANK", "PMIX_RANK", "PMI_RANK"});
  launch.launched = size >= 0 || rank >= 0;
  launch.rank = rank > 0 ? rank : 0;
  launch.size = size > 0 ? size : 0;
  return launch;
}

}  // namespace tarn
