// Small helpers shared by the HBOOK file reader and writer: 32-bit words in
// the file's byte order, the 6-bit character code of directory names and key
// tags.
#pragma once

#include <cstdint>
#include <string_view>

namespace hbook::rz {

// Record layout of a file written by HRPUT: 1024-word records, a two-record
// top directory (quota 32000 records), keys (histogram id, 0).
constexpr int RECORD_WORDS = 1024;
constexpr int QUOTA = 32000;
constexpr int DIRECTORY_RECORDS = 2;
constexpr int MAX_KEYS_IN_DIRECTORY = 141;  // one more would need a directory extension record

inline std::uint32_t loadBig(const unsigned char* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         std::uint32_t{p[3]};
}
inline std::uint32_t loadLittle(const unsigned char* p) {
  return (std::uint32_t{p[3]} << 24) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) |
         std::uint32_t{p[0]};
}
inline void storeBig(unsigned char* p, std::uint32_t w) {
  p[0] = static_cast<unsigned char>(w >> 24);
  p[1] = static_cast<unsigned char>(w >> 16);
  p[2] = static_cast<unsigned char>(w >> 8);
  p[3] = static_cast<unsigned char>(w);
}

// Four characters in the 6-bit code of directory names and key tags:
// character 1 in bits 1-6, 2 in bits 7-12, ...; a blank is 45 in position 1
// and 0 in positions 2-4.
std::uint32_t sixBitWord(std::string_view four);

}  // namespace hbook::rz
