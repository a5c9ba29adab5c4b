// Files built word by word (support/handbuilt.h) where no golden file has
// the layout: little-endian words, the largest record lengths, an object
// continued in a second record of such a length, packed 1-D channels whose
// words the test writes out (channel order from the low bits up, the length
// the bank needs, bits left unused at the top of a word).
#include <gtest/gtest.h>

#include <sstream>

#include "hbook/print/dumpall/dumpall.h"
#include "hbook/rz/reader.h"
#include "support/handbuilt.h"

namespace {

using testsupport::fileBytes;
using testsupport::FileWord;
using testsupport::histogramObject;
using testsupport::real;

// A histogram of `nx` bins holding i mod 17 in bin i, with fill statistics.
std::vector<FileWord> counting(std::int32_t id, std::int32_t nx) {
  std::vector<FileWord> channels;
  for (std::int32_t i = 0; i < nx + 2; ++i) channels.push_back(real(static_cast<float>(i % 17)));
  return histogramObject(id, "counting 0..16 (title text)", nx, -1.5f, 2.5f, 32, 5, channels, 1.0 / 3.0, -2.5e-300);
}

std::vector<FileWord> packed(std::int32_t id) {
  // NBIT 8 over 7 bins: channels 0..8, four to a word from the low byte up.
  return histogramObject(id, "packed", 7, 0.0f, 7.0f, 8, 12, {{0x04030201}, {0x08070605}, {0x00000009}});
}

std::string dump(const hbook::ReadResult& r) {
  std::ostringstream out;
  hbook::dumpAll(out, "handbuilt.hbook", r);
  std::string s = out.str();
  return s.substr(s.find("\nROWS"));  // the READER line names the record length
}

TEST(HandBuiltFiles, LittleEndianWordsReadAsTheBigEndianFile) {
  const auto objects = {std::make_pair(3, counting(3, 40)), std::make_pair(4, packed(4))};
  const std::vector<unsigned char> big = fileBytes(1024, objects);
  const std::vector<unsigned char> little = fileBytes(1024, objects, true);
  ASSERT_NE(big, little);
  const hbook::ReadResult b = hbook::readMemory("big.hbook", big);
  const hbook::ReadResult l = hbook::readMemory("little.hbook", little);
  EXPECT_EQ(dump(l), dump(b));
  ASSERT_EQ(l.histograms.size(), 2u);
  const hbook::Histogram& h = l.histograms[0];
  EXPECT_EQ(h.title, "counting 0..16 (title text)");
  EXPECT_EQ(h.xmin, -1.5f);
  EXPECT_EQ(h.channels[17], 0.0f);
  EXPECT_EQ(h.channels[41], 7.0f);
  EXPECT_EQ(h.statSumWX, 1.0 / 3.0);  // a double's two words in the machine's order
  EXPECT_EQ(h.statSumWX2, -2.5e-300);
  EXPECT_EQ(l.histograms[1].channels, (std::vector<float>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

// The package writes records of up to 8191 words; the reader finds lengths up
// to 8663 (record 2 within the first 8704 words it searches, the top
// directory's file descriptor at word 40). A 9000-bin histogram fills more
// than one such record and continues in the next.
TEST(HandBuiltFiles, TheLargestRecordLengthsInBothByteOrders) {
  const auto objects = {std::make_pair(4, packed(4)), std::make_pair(9, counting(9, 9000))};
  const std::string reference = dump(hbook::readMemory("ref.hbook", fileBytes(1024, objects)));
  for (std::int64_t lrec : {8191, 8663}) {
    for (bool little : {false, true}) {
      SCOPED_TRACE("record length " + std::to_string(lrec) + (little ? " little-endian" : ""));
      const hbook::ReadResult r = hbook::readMemory("long.hbook", fileBytes(lrec, objects, little));
      EXPECT_EQ(r.recordWords, lrec);
      EXPECT_EQ(dump(r), reference);
      EXPECT_EQ(r.histograms.at(1).channels.at(9001), 8.0f);  // 9001 mod 17, beyond the first record
    }
  }
  EXPECT_THROW(hbook::readMemory("longer.hbook", fileBytes(8664, objects)), hbook::FileError);
}

hbook::ReadResult readPacked(std::int32_t nx, std::int32_t nbit, const std::vector<FileWord>& words) {
  return hbook::readMemory("packed.hbook",
                           fileBytes(1024, {{5, histogramObject(5, "p", nx, 0.0f, 1.0f, nbit, 1, words)}}));
}

TEST(HandBuiltFiles, PackedChannelsFromTheLowBitsUpWithinTheirWords) {
  // NBIT 10: three channels a word, its top two bits unused (set here, and ignored).
  const hbook::ReadResult r =
      readPacked(4, 10, {{0xC0000000u | 3u << 20 | 2u << 10 | 1u}, {0xC0000000u | 1023u << 20 | 5u << 10 | 4u}});
  EXPECT_EQ(r.histograms.at(0).channels, (std::vector<float>{1, 2, 3, 4, 5, 1023}));
  EXPECT_EQ(r.histograms.at(0).nbit, 10);
  // NBIT 16, 5 bins: channels 0..6 in (6 + 1) / 2 + 9 - 8 = 4 words, the last half unused.
  const hbook::ReadResult h = readPacked(5, 16, {{0x00020001}, {0x00040003}, {0x00060005}, {0xFFFF0007}});
  EXPECT_EQ(h.histograms.at(0).channels, (std::vector<float>{1, 2, 3, 4, 5, 6, 7}));
  // One word short of what the channels need, NBIT outside 1..32: damage, named.
  try {
    readPacked(5, 16, {{0x00020001}, {0x00040003}, {0x00060005}});
    ADD_FAILURE() << "a bank too short for its channels was read";
  } catch (const hbook::FileError& e) {
    EXPECT_NE(
        std::string(e.what()).find("(object of key 1 (5,0)), HCO1: data length ND 11 too short for 5 packed channels"),
        std::string::npos)
        << e.what();
  }
  for (std::int32_t nbit : {0, 33, -1}) {
    try {
      readPacked(5, nbit, {{0}, {0}, {0}, {0}, {0}, {0}, {0}});
      ADD_FAILURE() << "NBIT " << nbit << " was read";
    } catch (const hbook::FileError& e) {
      EXPECT_NE(std::string(e.what()).find("word 1: bits per channel NBIT " + std::to_string(nbit)), std::string::npos)
          << e.what();
    }
  }
}

}  // namespace
