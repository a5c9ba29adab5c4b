#include "transport/run/digest.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "transport/run/sha256.h"

namespace tarn {

std::string sha256Hex(const void* data, std::size_t size) {
  Sha256 sha;
  sha.update(data, size);
  const std::array<unsigned char, Sha256::DIGEST_BYTES> digest = sha.finish();
  static const char* const HEX = "0123456789abcdef";
  std::string s;
  for (std::size_t i = 0; i < digest.size(); ++i) {
    s += HEX[digest[i] >> 4];
    s += HEX[digest[i] & 15];
  }
  return s;
}

std::string fileDigest(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return errno == ENOENT ? "absent" : "unreadable";
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return "unreadable";
  return "sha256:" + sha256Hex(bytes.data(), bytes.size());
}

}  // namespace tarn
