// Every input in tests/data/hbook/fuzz (findings of the fuzzer and the
// hostile images of the reliability report) goes through the fuzzer's own
// pipeline: read, dump, export, write and read again. A file listed here
// must give the reader's message; any other must at least not crash.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "../fuzz/pipeline.h"

namespace {

const std::filesystem::path FUZZ_DIR = std::filesystem::path(TARN_TEST_DATA) / "hbook" / "fuzz";

// File -> a fragment of the message it is refused with.
const std::map<std::string, std::string> REFUSED = {
    {"detect-34k.hbook", "no consistent record length"},
    {"detect-256.hbook", "no consistent record length"},
};

TEST(FuzzRegression, EveryFindingGoesThroughThePipeline) {
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(FUZZ_DIR)) {
    const std::string name = entry.path().filename().string();
    std::ifstream in(entry.path(), std::ios::binary);
    const std::vector<unsigned char> bytes(std::istreambuf_iterator<char>(in), {});
    ++files;
    const bool loaded = fuzzpipeline::run(bytes.data(), bytes.size());
    const auto expected = REFUSED.find(name);
    if (expected == REFUSED.end()) continue;
    EXPECT_FALSE(loaded) << name;
    try {
      hbook::readMemory(name, bytes);
    } catch (const hbook::FileError& e) {
      EXPECT_NE(std::string(e.what()).find(expected->second), std::string::npos) << name << ": " << e.what();
    }
  }
  EXPECT_GE(files, static_cast<int>(REFUSED.size()));
}

}  // namespace
