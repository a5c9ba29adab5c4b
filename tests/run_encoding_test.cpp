// The bytes one process hands another and the checkpoint holds: the order
// and width of each kind of value, and each way a reader refuses bytes that
// end early or hold a count or a value that cannot be, in its own words.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "transport/run/encoding.h"

namespace {

using tarn::ByteReader;
using tarn::Bytes;
using tarn::ByteWriter;

// The message of what `read` throws, or "" when it throws nothing.
template <typename Read>
std::string refusal(const Bytes& bytes, Read read) {
  ByteReader in(bytes, "the test bytes");
  try {
    read(in);
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "";
}

Bytes counted(std::uint64_t n, std::size_t following) {
  ByteWriter w;
  w.u64(n);
  Bytes b = w.bytes();
  b.resize(b.size() + following, 0x41);
  return b;
}

}  // namespace

TEST(ByteEncoding, EachValueIsEightLittleEndianBytes) {
  ByteWriter w;
  w.u64(0x0102030405060708ULL);
  w.i64(-2);
  w.f64(1.0);
  w.f32(1.0f);
  const Bytes expected = {0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01,   // u64
                          0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,   // -2
                          0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF0, 0x3F,   // 1.0
                          0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0x00};  // 1.0f, widened
  EXPECT_EQ(w.bytes(), expected);

  ByteWriter t;
  t.text("ab");
  t.f64s({2.0});
  t.f32s({-1.0f, 0.5f});
  const Bytes texts = {2, 0, 0, 0,    0, 0, 0, 0, 'a', 'b',                             // size, then the characters
                       1, 0, 0, 0,    0, 0, 0, 0, 0,   0,   0,    0,    0, 0, 0, 0x40,  // {2.0}
                       2, 0, 0, 0,    0, 0, 0, 0, 0,   0,   0x80, 0xBF, 0, 0, 0, 0,     // {-1.0f,
                       0, 0, 0, 0x3F, 0, 0, 0, 0};                                      //  0.5f}
  EXPECT_EQ(t.bytes(), texts);
}

TEST(ByteEncoding, WhatIsWrittenReadsBackToTheEnd) {
  ByteWriter w;
  w.u64(0xFFFFFFFFFFFFFFFFULL);
  w.i64(-1234567890123LL);
  w.f64(-0.1);
  w.f32(3.25f);
  w.text("");
  w.text("tarn");
  w.f64s({1.5, -2.5});
  w.f32s({});
  w.f32s({7.0f});
  ByteReader in(w.bytes(), "test");
  EXPECT_EQ(in.u64(), 0xFFFFFFFFFFFFFFFFULL);
  EXPECT_EQ(in.position(), 8u);
  EXPECT_EQ(in.i64(), -1234567890123LL);
  EXPECT_EQ(std::bit_cast<std::uint64_t>(in.f64()), std::bit_cast<std::uint64_t>(-0.1));
  EXPECT_EQ(in.f32(), 3.25f);
  EXPECT_EQ(in.text(), "");
  EXPECT_EQ(in.text(), "tarn");
  EXPECT_EQ(in.f64s(), (std::vector<double>{1.5, -2.5}));
  EXPECT_TRUE(in.f32s().empty());
  EXPECT_FALSE(in.atEnd());
  EXPECT_EQ(in.f32s(), std::vector<float>{7.0f});
  EXPECT_TRUE(in.atEnd());
  EXPECT_EQ(in.position(), w.bytes().size());
}

TEST(ByteEncoding, BytesThatEndEarlyAreRefusedWhereTheyEnd) {
  EXPECT_EQ(refusal(Bytes(7, 0), [](ByteReader& in) { in.u64(); }), "the test bytes: ends early at byte 0");
  EXPECT_EQ(refusal(Bytes(8, 0), [](ByteReader& in) { in.u64(); }), "");
  EXPECT_EQ(refusal(Bytes(15, 0),
                    [](ByteReader& in) {
                      in.u64();
                      in.u64();
                    }),
            "the test bytes: ends early at byte 8");
  EXPECT_EQ(refusal(Bytes(16, 0),
                    [](ByteReader& in) {
                      in.u64();
                      in.u64();
                    }),
            "");
  EXPECT_EQ(refusal(Bytes(), [](ByteReader& in) { in.text(); }), "the test bytes: ends early at byte 0");
}

TEST(ByteEncoding, ACountMustFitInTheBytesLeft) {
  // Three items of 8 bytes in 24 bytes fit; in 23 they do not.
  EXPECT_EQ(refusal(counted(3, 24), [](ByteReader& in) { EXPECT_EQ(in.count(8), 3u); }), "");
  EXPECT_EQ(refusal(counted(3, 23), [](ByteReader& in) { in.count(8); }),
            "the test bytes: a count larger than the data at byte 8");
  EXPECT_EQ(refusal(counted(4, 24), [](ByteReader& in) { in.count(8); }),
            "the test bytes: a count larger than the data at byte 8");
  // Items of no size: any count.
  EXPECT_EQ(refusal(counted(1000, 0), [](ByteReader& in) { EXPECT_EQ(in.count(0), 1000u); }), "");
  // A text of 3 characters with 3 or 2 of them there.
  EXPECT_EQ(refusal(counted(3, 3), [](ByteReader& in) { EXPECT_EQ(in.text(), "AAA"); }), "");
  EXPECT_EQ(refusal(counted(3, 2), [](ByteReader& in) { in.text(); }),
            "the test bytes: a count larger than the data at byte 8");
  // Lists count 8 bytes an item, single-precision ones too.
  EXPECT_EQ(refusal(counted(2, 15), [](ByteReader& in) { in.f64s(); }),
            "the test bytes: a count larger than the data at byte 8");
  EXPECT_EQ(refusal(counted(2, 15), [](ByteReader& in) { in.f32s(); }),
            "the test bytes: a count larger than the data at byte 8");
  EXPECT_EQ(refusal(counted(2, 16), [](ByteReader& in) { EXPECT_EQ(in.f64s().size(), 2u); }), "");
  EXPECT_EQ(refusal(counted(2, 16), [](ByteReader& in) { EXPECT_EQ(in.f32s().size(), 2u); }),
            "the test bytes: a single-precision value out of range at byte 16");
}

TEST(ByteEncoding, ASinglePrecisionValueHoldsNoMoreThanThirtyTwoBits) {
  ByteWriter w;
  w.u64(0xFFFFFFFFULL);
  w.u64(0x100000000ULL);
  ByteReader in(w.bytes(), "the checkpoint");
  EXPECT_EQ(std::bit_cast<std::uint32_t>(in.f32()), 0xFFFFFFFFu);
  try {
    in.f32();
    ADD_FAILURE() << "a value of 33 bits was read";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "the checkpoint: a single-precision value out of range at byte 16");
  }
}
