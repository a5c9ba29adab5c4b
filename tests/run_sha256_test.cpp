// SHA-256 of the run's digests (transport/run/sha256.h): the published test
// vectors, and every length and split of a message against libcrypto's.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/scratchdir.h"
#include "transport/run/digest.h"
#include "transport/run/sha256.h"

namespace {

std::string hexOf(const unsigned char* bytes, std::size_t size) {
  static const char* const HEX = "0123456789abcdef";
  std::string s;
  for (std::size_t i = 0; i < size; ++i) {
    s += HEX[bytes[i] >> 4];
    s += HEX[bytes[i] & 15];
  }
  return s;
}

std::string libcryptoHex(const std::vector<unsigned char>& message) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EXPECT_EQ(EVP_Digest(message.data(), message.size(), digest, &length, EVP_sha256(), nullptr), 1);
  return hexOf(digest, length);
}

// Bytes that are not a pattern a wrong word order or shift could still hash
// right: a 64-bit linear congruential sequence's top bytes.
std::vector<unsigned char> message(std::size_t size, std::uint64_t seed) {
  std::vector<unsigned char> m(size);
  for (unsigned char& byte : m) {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    byte = static_cast<unsigned char>(seed >> 56);
  }
  return m;
}

}  // namespace

TEST(RunSha256, PublishedVectors) {
  EXPECT_EQ(tarn::sha256Hex("", 0), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(tarn::sha256Hex("abc", 3), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  const std::string twoBlocks = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
  EXPECT_EQ(tarn::sha256Hex(twoBlocks.data(), twoBlocks.size()),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  const std::string longer =
      "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu";
  EXPECT_EQ(tarn::sha256Hex(longer.data(), longer.size()),
            "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1");
  // A million times 'a', in pieces that are not whole blocks.
  tarn::Sha256 sha;
  const std::string piece(999, 'a'), rest(1000, 'a');
  for (int i = 0; i < 1000; ++i) sha.update(piece.data(), piece.size());
  sha.update(rest.data(), rest.size());
  const auto digest = sha.finish();
  EXPECT_EQ(hexOf(digest.data(), digest.size()), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(RunSha256, EveryLengthAroundTheBlocksAgreesWithLibcrypto) {
  // Lengths 0 to 300 cover the padding's every case: the length in the
  // last block or in one more, and the 1 bit as the block's last byte.
  for (std::size_t size = 0; size <= 300; ++size) {
    const std::vector<unsigned char> m = message(size, size + 1);
    EXPECT_EQ(tarn::sha256Hex(m.data(), m.size()), libcryptoHex(m)) << size << " bytes";
  }
  const std::vector<unsigned char> large = message(100003, 7);
  EXPECT_EQ(tarn::sha256Hex(large.data(), large.size()), libcryptoHex(large));
}

TEST(RunSha256, AMessageInPiecesHashesAsAWhole) {
  const std::vector<unsigned char> m = message(1000, 99);
  const std::string whole = libcryptoHex(m);
  for (std::size_t first : {0, 1, 55, 56, 63, 64, 65, 127, 128, 500}) {
    for (std::size_t second : {0, 1, 9, 64, 100}) {
      tarn::Sha256 sha;
      sha.update(m.data(), first);
      sha.update(m.data() + first, second);
      sha.update(m.data() + first + second, m.size() - first - second);
      const auto digest = sha.finish();
      EXPECT_EQ(hexOf(digest.data(), digest.size()), whole) << first << " + " << second;
    }
  }
}

TEST(RunSha256, FileDigestIsTheSha256OfTheFilesBytes) {
  testsupport::ScratchDir dir("run_sha256");
  const std::vector<unsigned char> m = message(16384 + 17, 3);
  const std::filesystem::path path = dir.path() / "input.bin";
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(m.data()), m.size());
  EXPECT_EQ(tarn::fileDigest(path.string()), "sha256:" + libcryptoHex(m));
  EXPECT_EQ(tarn::fileDigest((dir.path() / "none.bin").string()), "absent");
}
