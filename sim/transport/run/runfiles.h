// Where a run's files go: a name in the input or output directory, and the
// histogram file's name.
#pragma once

#include <cstdint>
#include <string>

namespace tarn {

// `name` in `dir`; "" is the working directory.
std::string inDirectory(const std::string& dir, const std::string& name);

// "h<ranNo>.hbook".
std::string histFileName(std::int32_t ranNo);

// "h<ranNo>.partial.hbook": the histograms of the blocks a stopped run
// completed.
std::string partialFileName(std::int64_t ranNo);

// The name tried at the attempt-th try when earlier names were taken:
// h<ranNo>.hbook, then h<ranNo>-1.hbook, h<ranNo>-2.hbook, ...
std::string histFileNameAt(std::int32_t ranNo, int attempt);

}  // namespace tarn
