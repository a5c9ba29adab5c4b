// The edit distance of two names (insertions, deletions and substitutions of
// one character each), for the nearest known name in a "did you mean" message.
#pragma once

#include <cstddef>
#include <string>

namespace textout {

std::size_t editDistance(const std::string& a, const std::string& b);

}  // namespace textout
