// libFuzzer target: arbitrary bytes as an HBOOK file (fuzz/pipeline.h says
// what is done with them and what counts as a finding).
#include "pipeline.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzpipeline::run(data, size);
  return 0;
}
