// Test helper: a text compared with a reference file of tests/data/run,
// or written as the new reference when asked.
#pragma once

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/files.h"

namespace testsupport {

// How a reference file in tests/data/run compares with what a run made:
// the first line that differs, or none. With TARN_UPDATE_REFERENCE=1 the
// file is written instead (review its diff before committing it).
struct ReferenceDifference {
  bool differs = false;
  std::size_t line = 0;  // 1-based
  std::string expected, actual;
  std::string describe(const std::string& name) const {
    return name + " differs from the reference first at line " + std::to_string(line) + ":\n  expected: " + expected +
           "\n  actual:   " + actual;
  }
};

inline ReferenceDifference compareOrUpdateReference(const std::string& name, const std::string& actual) {
  ReferenceDifference d;
  const std::filesystem::path ref = std::filesystem::path(TARN_TEST_DATA) / "run" / name;
  const char* update = std::getenv("TARN_UPDATE_REFERENCE");
  if (update && std::strcmp(update, "1") == 0) {
    std::ofstream(ref, std::ios::binary) << actual;
    return d;
  }
  const std::string expected =
      std::filesystem::exists(ref) ? readText(ref) : "<no reference file " + ref.string() + ">\n";
  if (expected == actual) return d;
  const auto e = lines(expected), a = lines(actual);
  std::size_t i = 0;
  while (i < e.size() && i < a.size() && e[i] == a[i]) ++i;
  d.differs = true;
  d.line = i + 1;
  d.expected = i < e.size() ? e[i] : "<end>";
  d.actual = i < a.size() ? a[i] : "<end>";
  return d;
}

}  // namespace testsupport
