#include "transport/run/digest.h"

#include <openssl/evp.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

namespace tarn {

std::string sha256Hex(const void* data, std::size_t size) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_Digest(data, size, digest, &length, EVP_sha256(), nullptr);
  static const char* const HEX = "0123456789abcdef";
  std::string s;
  for (unsigned int i = 0; i < length; ++i) {
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
