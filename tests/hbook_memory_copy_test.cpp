// Copying histograms in the memory (HCOPYR and the store's copyRange): the
// package's own copy bit for bit, the edges, titles, the bins below the
// first, a target that exists, a deleted one, an unknown source or empty
// range, a single bin, a copy onto itself, and the upper-case entries.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "hbook/hbook.h"
#include "hbook/memory/store.h"
#include "support/consolecapture.h"
#include "support/hbookdumps.h"
#include "support/storecompare.h"

namespace {

using hbook::Histogram;
using hbook::Store;
using testsupport::bitsOf;
using testsupport::ConsoleCapture;
using testsupport::expectSameHistogram;
using testsupport::idsOf;
using testsupport::readDump;

class HbookCopy : public ::testing::Test {
 protected:
  void SetUp() override {
    auto sq = readDump("sq.dump.txt");
    store.put(sq.at(301));
  }
  Store store;
};

TEST_F(HbookCopy, CopyUpToBin77MatchesThePackageBitForBit) {
  // The package's own copy, before any draw (mixed.hbook id 302).
  const Histogram expected = readDump("mixed.dump.txt").at(302);
  ASSERT_TRUE(store.copyRange(301, 302, " ", 0, 77));
  const Histogram* copy = store.find(302);
  ASSERT_NE(copy, nullptr);
  expectSameHistogram(expected, *copy);
  EXPECT_EQ(copy->entries, 90);  // one fill per bin of 301
  EXPECT_EQ(copy->content(1), 0.0f);
  // 301's bin i is 302's bin i+1.
  for (int i = 1; i <= 77; ++i)
    EXPECT_EQ(bitsOf(copy->content(i + 1)), bitsOf(store.find(301)->content(i))) << i;
}

TEST_F(HbookCopy, EdgesAreOneWidthBelowAndLastPlusOneWidthsAbove) {
  ASSERT_TRUE(store.copyRange(301, 402, "", 0, 60));
  const Histogram* copy = store.find(402);
  EXPECT_EQ(copy->nx, 61);
  EXPECT_EQ(bitsOf(copy->xmin), 0xBD23D70Au);  // -0.04
  EXPECT_EQ(bitsOf(copy->xmax), 0x4019999Au);  // 2.4, as the package books it
  EXPECT_EQ(copy->title, "S(q) liquid helium");
  // 301's bins 61..90 all land in the overflow.
  float above = 0.0f;
  for (int i = 61; i <= 90; ++i) above += store.find(301)->content(i);
  EXPECT_EQ(bitsOf(copy->overflow()), bitsOf(above));
  EXPECT_EQ(copy->underflow(), 0.0f);
}

TEST_F(HbookCopy, GivenTitleIsUsed) {
  ASSERT_TRUE(store.copyRange(301, 303, "my copy  ", 1, 90));
  const Histogram* copy = store.find(303);
  EXPECT_EQ(copy->title, "my copy");
  EXPECT_EQ(copy->nx, 90);
  EXPECT_EQ(bitsOf(copy->xmin), bitsOf(store.find(301)->xmin));
  for (int i = 1; i <= 90; ++i)
    EXPECT_EQ(bitsOf(copy->content(i)), bitsOf(store.find(301)->content(i))) << i;
}

TEST_F(HbookCopy, BinsBelowTheFirstGoToTheUnderflow) {
  ASSERT_TRUE(store.copyRange(301, 304, " ", 11, 20));
  const Histogram* copy = store.find(304);
  const Histogram* source = store.find(301);
  EXPECT_EQ(copy->nx, 10);
  float below = 0.0f;
  for (int i = 1; i <= 10; ++i) below += source->content(i);
  EXPECT_EQ(bitsOf(copy->underflow()), bitsOf(below));
  for (int i = 1; i <= 10; ++i)
    EXPECT_EQ(bitsOf(copy->content(i)), bitsOf(source->content(i + 10))) << i;
}

TEST_F(HbookCopy, ExistingTargetIsReplacedWithWarningAndMovesToTheEnd) {
  ConsoleCapture console;
  ASSERT_TRUE(store.copyRange(301, 302, " ", 0, 77));
  ASSERT_TRUE(store.book(1, "x (cm) Up", 100, -3.5f, 3.5f));
  EXPECT_EQ(idsOf(store), (std::vector<std::int32_t>{301, 302, 1}));
  ASSERT_TRUE(store.copyRange(301, 302, " ", 0, 5));
  EXPECT_EQ(console.text(),
            " *** WARNING in HCOPYR : Existing Histogram will be replaced : ID=     302 \n");
  EXPECT_EQ(store.find(302)->nx, 6);
  EXPECT_EQ(idsOf(store), (std::vector<std::int32_t>{301, 1, 302}));
  EXPECT_EQ(store.size(), 3u);
}

TEST_F(HbookCopy, DeleteThenCopyIsANewBookingAtTheEnd) {
  ConsoleCapture console;
  ASSERT_TRUE(store.copyRange(301, 302, " ", 0, 77));
  ASSERT_TRUE(store.book(1, "x (cm) Up", 100, -3.5f, 3.5f));
  ASSERT_TRUE(store.remove(302));
  ASSERT_TRUE(store.copyRange(301, 302, " ", 0, 10));
  EXPECT_EQ(idsOf(store), (std::vector<std::int32_t>{301, 1, 302}));
  EXPECT_EQ(console.text(), "");
}

TEST_F(HbookCopy, UnknownSourceOrEmptyRangeBooksNothing) {
  ConsoleCapture console;
  EXPECT_FALSE(store.copyRange(999, 302, " ", 0, 77));
  EXPECT_FALSE(store.copyRange(301, 302, " ", 5, 4));
  EXPECT_EQ(store.find(302), nullptr);
  EXPECT_EQ(console.text(),
            " ***** ERROR in HCOPYR : Unknown histogram : ID=     999 \n"
            " ***** ERROR in HCOPYR : Invalid channel range : ID=     301 \n");
}

// One bin (ifirst == ilast) is the smallest copy; the range is refused one below it.
TEST_F(HbookCopy, ASingleBinIsTheSmallestRange) {
  ConsoleCapture console;
  EXPECT_TRUE(store.copyRange(301, 302, " ", 5, 5));
  ASSERT_NE(store.find(302), nullptr);
  EXPECT_EQ(store.find(302)->nx, 1);
  EXPECT_EQ(bitsOf(store.find(302)->content(1)), bitsOf(store.find(301)->content(5)));
  EXPECT_FALSE(store.copyRange(301, 303, " ", 5, 4));
  EXPECT_EQ(store.find(303), nullptr);
  EXPECT_EQ(console.text(), " ***** ERROR in HCOPYR : Invalid channel range : ID=     301 \n");
}

TEST_F(HbookCopy, CopyOntoItself) {
  ConsoleCapture console;
  ASSERT_TRUE(store.copyRange(301, 301, " ", 0, 89));
  const Histogram* copy = store.find(301);
  EXPECT_EQ(copy->nx, 90);
  EXPECT_EQ(copy->content(1), 0.0f);
  EXPECT_EQ(copy->entries, 90);
}

TEST(HbookCopyEntries, TheUpperCaseEntriesUseTheRunMemory) {
  ConsoleCapture console;
  hbook::memory().clear();
  hbook::memory().put(readDump("sq.dump.txt").at(301));
  HDELET(302);
  HCOPYR(301, 302, " ", 0, 77, 0, 0, " ");
  ASSERT_NE(hbook::memory().find(302), nullptr);
  expectSameHistogram(readDump("mixed.dump.txt").at(302), *hbook::memory().find(302));
  EXPECT_EQ(console.text(), " ***** ERROR in HDELET : Unknown histogram : ID=     302 \n");
  hbook::memory().clear();
}

}  // namespace
