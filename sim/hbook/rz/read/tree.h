// Reading a whole file: every directory from the top one, breadth first,
// every object of each, dispatched to the reader of its kind.
#pragma once

#include "hbook/rz/read/image.h"
#include "hbook/rz/reader.h"

namespace hbook::read {

// Deepest subdirectory accepted (the top directory is depth 0).
constexpr int MAX_DIRECTORY_DEPTH = 64;

ReadResult readTree(const Image& image);

}  // namespace hbook::read
