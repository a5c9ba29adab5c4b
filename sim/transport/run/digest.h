// SHA-256 digests (sha256.h) of the inputs a run reads and of
// the checkpoint's contents: "sha256:" and 64 hexadecimal digits, as
// `sha256sum` prints them.
#pragma once

#include <string>

namespace tarn {

// The digest of `size` bytes at `data`, 64 hexadecimal digits.
std::string sha256Hex(const void* data, std::size_t size);

// "sha256:<hex>" of a file's bytes, "absent" when it does not exist, or
// "unreadable" when it cannot be read.
std::string fileDigest(const std::string& path);

}  // namespace tarn
