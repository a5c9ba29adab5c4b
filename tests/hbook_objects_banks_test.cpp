// The reader's walk of an object's banks and its column buffers, on words
// built here one by one: each count of the object header, the memory table
// and a bank (NWTAB, NWBK, NL, NS, ND, the entry address) checked at its limit
// and one past it, packed channels of 1 to 32 bits, and a column value that
// fills a buffer but its first word.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "hbook/rz/fileerror.h"
#include "hbook/rz/read/banks.h"
#include "hbook/rz/read/columnstream.h"
#include "hbook/rz/read/image.h"
#include "hbook/rz/read/readers.h"
#include "support/files.h"

namespace {

using testsupport::readBytes;

const std::string OBJECTS = std::string(TARN_TEST_DATA) + "/hbook/objects/";

// An object of one memory region starting at address 100 holding `material`.
std::vector<std::uint32_t> objectOf(const std::vector<std::uint32_t>& material, std::uint32_t lentry) {
  std::vector<std::uint32_t> w = {2, static_cast<std::uint32_t>(material.size()), lentry, 100,
                                  100 + static_cast<std::uint32_t>(material.size())};
  w.insert(w.end(), material.begin(), material.end());
  return w;
}

// A bank of nl links (ns structural) and nd data words, its first word at
// material word p; its address is 100 + p + nl + 1.
std::vector<std::uint32_t> bankOf(std::uint32_t nl, std::uint32_t ns, std::uint32_t nd) {
  std::vector<std::uint32_t> b = {nl + 12};
  for (std::uint32_t j = 0; j < nl; ++j) b.push_back(0);
  const std::uint32_t name = ('B' << 24) | ('A' << 16) | ('N' << 8) | 'K';
  for (std::uint32_t w : {0u, 0u, 0u, 1u, name, nl, ns, nd, 0u}) b.push_back(w);
  for (std::uint32_t k = 0; k < nd; ++k) b.push_back(k);
  return b;
}

// The message of the bank walk over `words`, or "" when it reads.
std::string bankRefusal(const std::vector<std::uint32_t>& words) {
  static const hbook::read::Image image("banks.hbook", readBytes(OBJECTS + "prof.hbook"));
  try {
    hbook::read::BankTree tree(image, words, "object");
  } catch (const hbook::FileError& e) {
    return e.what();
  }
  return "";
}

// The bank walk's checks of the object header, the memory table and each
// bank's counts, each at its limit and one past it.
TEST(ObjectsBanks, EachCountOfTheObjectAndItsBanksIsCheckedAtItsLimit) {
  const std::vector<std::uint32_t> one = bankOf(1, 1, 2);  // address 102
  EXPECT_EQ(bankRefusal(objectOf(one, 102)), "");
  EXPECT_EQ(bankRefusal({2, 0}), "banks.hbook: object: object of 2 words has no header");
  for (std::uint32_t nwtab : {0u, 3u}) {
    std::vector<std::uint32_t> w = objectOf(one, 102);
    w[0] = nwtab;
    EXPECT_EQ(bankRefusal(w), "banks.hbook: object: table length NWTAB " + std::to_string(nwtab) + " invalid");
  }
  std::vector<std::uint32_t> w = objectOf(one, 102);
  const auto longest = static_cast<std::uint32_t>((w.size() - 3) & ~std::size_t{1});  // even, to the end at most
  w[0] = longest;
  EXPECT_EQ(bankRefusal(w).find("NWTAB"), std::string::npos) << bankRefusal(w);  // refused, but not for NWTAB
  w[0] = longest + 2;
  EXPECT_EQ(bankRefusal(w), "banks.hbook: object: table length NWTAB " + std::to_string(longest + 2) + " invalid");
  w = objectOf(one, 102);
  w[1] += 1;
  EXPECT_EQ(bankRefusal(w), "banks.hbook: object: bank material length NWBK " + std::to_string(w[1]) +
                                " disagrees with the object length " + std::to_string(w.size()));
  w = objectOf(one, 102);
  w[4] = 99;
  EXPECT_EQ(bankRefusal(w), "banks.hbook: object: table region 1 ends before it starts");
  w[4] = 100 + static_cast<std::uint32_t>(one.size()) + 1;
  EXPECT_EQ(bankRefusal(w), "banks.hbook: object: table regions hold " + std::to_string(one.size() + 1) +
                                " words, NWBK says " + std::to_string(one.size()));

  // Regions of fewer than 12 words are dead and skipped; of none, damage.
  std::vector<std::uint32_t> dead(11, 0);
  dead[0] = 11;
  dead.insert(dead.end(), one.begin(), one.end());
  EXPECT_EQ(bankRefusal(objectOf(dead, 102 + 11)), "");
  dead[0] = 0;
  EXPECT_EQ(bankRefusal(objectOf(dead, 102 + 11)),
            "banks.hbook: object, bank at material word 1: zero-length dead region");

  // The bank's own counts.
  EXPECT_EQ(bankRefusal(objectOf(bankOf(0, 0, 0), 101)), "");
  EXPECT_EQ(bankRefusal(objectOf(bankOf(1, 2, 0), 102)),
            "banks.hbook: object, bank at material word 1: link counts NL 1, NS 2 disagree with NOFF 13");
  std::vector<std::uint32_t> links = bankOf(1, 0, 0);
  links[7] = 2;  // NL 2 where NOFF leaves room for one
  EXPECT_EQ(bankRefusal(objectOf(links, 102)),
            "banks.hbook: object, bank at material word 1: link counts NL 2, NS 0 disagree with NOFF 13");
  std::vector<std::uint32_t> overrun = one;
  overrun[1 + 1 + 7] = 3;  // ND one more than there are words
  EXPECT_EQ(bankRefusal(objectOf(overrun, 102)),
            "banks.hbook: object, bank at material word 1: data length ND 3 overruns the object");
  const std::vector<std::uint32_t> header(one.begin(), one.begin() + 10);  // cut before its status word
  EXPECT_EQ(bankRefusal(objectOf(header, 102)),
            "banks.hbook: object, bank at material word 1: bank header runs past the bank material");
  const std::vector<std::uint32_t> noData(one.begin(), one.begin() + 11);  // the header whole, no data
  EXPECT_EQ(bankRefusal(objectOf(noData, 102)),
            "banks.hbook: object, bank at material word 1: data length ND 2 overruns the object");
  EXPECT_EQ(bankRefusal(objectOf(one, 0)), "banks.hbook: object: entry address LENTRY 0x00000000 is no bank");
  EXPECT_EQ(bankRefusal(objectOf(one, 101)), "banks.hbook: object: entry address LENTRY 0x00000065 is no bank");
}

// The channels of a contents bank whose data words are `data`, or the message.
std::string channelsOf(const std::vector<std::uint32_t>& data, std::int64_t n, std::int32_t nbit,
                       std::vector<float>* channels = nullptr) {
  std::vector<std::uint32_t> bank = bankOf(0, 0, 0);
  bank[1 + 7] = static_cast<std::uint32_t>(data.size());  // ND
  bank.insert(bank.end(), data.begin(), data.end());
  static const hbook::read::Image image("banks.hbook", readBytes(OBJECTS + "prof.hbook"));
  try {
    const hbook::read::BankTree tree(image, objectOf(bank, 101), "object");
    std::vector<float> c = hbook::read::readChannels(tree, tree.entry(), n, nbit, "a test");
    if (channels) *channels = c;
  } catch (const hbook::FileError& e) {
    return e.what();
  }
  return "";
}

// Floats take n + 2 words after the 8 of the header; packed counts (n + 1) /
// NB + 1, NB = 32 / NBIT to a word from the lowest bits; NBIT 1 to 32.
TEST(ObjectsBanks, ChannelsNeedTheirWordsAndBitsOfOneTo32) {
  std::vector<std::uint32_t> floats(8 + 3 + 2, 0);
  floats[8] = std::bit_cast<std::uint32_t>(1.5f);
  floats[12] = std::bit_cast<std::uint32_t>(-2.0f);
  std::vector<float> c;
  EXPECT_EQ(channelsOf(floats, 3, 32, &c), "");
  EXPECT_EQ(c, (std::vector<float>{1.5f, 0.0f, 0.0f, 0.0f, -2.0f}));
  floats.pop_back();
  EXPECT_EQ(channelsOf(floats, 3, 32),
            "banks.hbook: object, BANK: data length ND 12 too short for 3 channels of a test");

  // 10 channels (12 with under- and overflow) of 4 bits: 8 to a word, 2 words.
  std::vector<std::uint32_t> packed(8 + 2, 0);
  packed[8] = 0x76543210u;
  packed[9] = 0x000000BAu;
  EXPECT_EQ(channelsOf(packed, 10, 4, &c), "");
  EXPECT_EQ(c, (std::vector<float>{0, 1, 2, 3, 4, 5, 6, 7, 10, 11, 0, 0}));
  packed.pop_back();
  EXPECT_EQ(channelsOf(packed, 10, 4),
            "banks.hbook: object, BANK: data length ND 9 too short for 10 packed channels of a test");
  // 14 channels of 4 bits still fit 2 words; 15 need a third.
  packed.push_back(0);
  EXPECT_EQ(channelsOf(packed, 14, 4), "");
  EXPECT_NE(channelsOf(packed, 15, 4), "");
  // One bit: 32 channels to a word; 31 bits: one.
  EXPECT_EQ(channelsOf({0, 0, 0, 0, 0, 0, 0, 0, 0xFFFFFFFFu}, 30, 1, &c), "");
  EXPECT_EQ(c, std::vector<float>(32, 1.0f));
  EXPECT_EQ(channelsOf({0, 0, 0, 0, 0, 0, 0, 0, 0x7FFFFFFFu, 5, 0xFFFFFFFFu}, 1, 31, &c), "");
  EXPECT_EQ(c, (std::vector<float>{2147483647.0f, 5.0f, 2147483647.0f}));
  for (std::int32_t nbit : {0, 33, -1}) {
    EXPECT_EQ(channelsOf(packed, 1, nbit),
              "banks.hbook: object, BANK: word 1: bits per channel NBIT " + std::to_string(nbit) + " of a test");
  }
}

// A column's value of whole words fits a buffer when it fills every word
// but the first (which is no value); one word more is refused as not
// fitting any buffer, not read on into the next ones.
TEST(ObjectsColumnStream, AValueFillsABufferButTheFirstWord) {
  const hbook::read::Image image("test.hbook", readBytes(OBJECTS + "cwn.hbook"));
  const std::vector<std::vector<std::uint32_t>> buffers = {{0, 11, 12, 13}, {0, 21, 22, 23}, {0, 31, 32, 33}};
  hbook::read::ColumnStream fits(image, buffers, "column x");
  const std::uint32_t* first = fits.words(3);
  EXPECT_EQ(std::vector<std::uint32_t>(first, first + 3), (std::vector<std::uint32_t>{11, 12, 13}));
  const std::uint32_t* second = fits.words(3);
  EXPECT_EQ(std::vector<std::uint32_t>(second, second + 3), (std::vector<std::uint32_t>{21, 22, 23}));
  hbook::read::ColumnStream tooLong(image, buffers, "column x");
  try {
    tooLong.words(4);
    ADD_FAILURE() << "a value of 4 words read from buffers of 3 value words";
  } catch (const hbook::FileError& e) {
    EXPECT_NE(std::string(e.what()).find("test.hbook: column x: a value of 4 words does not fit in a buffer"),
              std::string::npos)
        << e.what();
  }
}

}  // namespace
