// The histogram memory: booking, filling, deleting, the word budget, the
// package's messages, and the end states of the two golden call sequences
// compared bit for bit with the real package's dumps. (Copying:
// hbook_memory_copy_test.cpp.)
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "hbook/hbook.h"
#include "hbook/memory/sampleguide.h"
#include "hbook/memory/store.h"
#include "support/consolecapture.h"
#include "support/hbookdumps.h"
#include "support/storecompare.h"
#include "transport/event/catalogue.h"

namespace {

using hbook::Histogram;
using hbook::Store;
using testsupport::bitsOf;
using testsupport::expectSameHistogram;
using testsupport::idsOf;
using testsupport::readDump;

using testsupport::ConsoleCapture;

// ---------------------------------------------------------------- booking

TEST(HbookBooking, TitlesLoseTrailingBlanksAndDollar) {
  EXPECT_EQ(Store::storedTitle("Trailing blanks    "), "Trailing blanks");
  EXPECT_EQ(Store::storedTitle("Energy$"), "Energy");
  EXPECT_EQ(Store::storedTitle("Energy $  "), "Energy");
  EXPECT_EQ(Store::storedTitle(" "), "");
  EXPECT_EQ(Store::storedTitle(""), "");
  EXPECT_EQ(Store::storedTitle("  leading kept"), "  leading kept");
  EXPECT_EQ(Store::storedTitle("a$b"), "a$b");
}

TEST(HbookBooking, BookSetsBinningAndEmptyChannels) {
  Store s;
  ASSERT_TRUE(s.book(3006, "Path length (cm) DeB", 200, 83.15f, 83.25f));
  const Histogram* h = s.find(3006);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(h->title, "Path length (cm) DeB");
  EXPECT_EQ(h->nx, 200);
  EXPECT_EQ(bitsOf(h->xmin), 0x42A64CCDu);  // the float nearest 83.15
  EXPECT_EQ(bitsOf(h->xmax), 0x42A68000u);
  EXPECT_EQ(h->entries, 0);
  EXPECT_EQ(h->kbits, 1u);
  ASSERT_EQ(h->channels.size(), 202u);
  for (float c : h->channels) EXPECT_EQ(c, 0.0f);
  EXPECT_TRUE(h->sumw2.empty());
}

TEST(HbookBooking, ExistingIdIsKeptWithMessage) {
  ConsoleCapture console;
  Store s;
  ASSERT_TRUE(s.book(10, "first", 10, 0.0f, 1.0f));
  s.fill(10, 0.55f, 2.0f);
  EXPECT_FALSE(s.book(10, "second", 5, -1.0f, 1.0f));
  EXPECT_EQ(console.text(), " ***** ERROR in HBOOK1 : Histogram already exists : ID=      10 \n");
  const Histogram* h = s.find(10);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(h->title, "first");
  EXPECT_EQ(h->nx, 10);
  EXPECT_EQ(h->content(6), 2.0f);
  EXPECT_EQ(s.size(), 1u);
}

TEST(HbookBooking, ZeroChannelsMeansHundred) {
  Store s;
  ASSERT_TRUE(s.book(5, "t", 0, 0.0f, 1.0f));
  EXPECT_EQ(s.find(5)->nx, 100);
  EXPECT_EQ(s.find(5)->channels.size(), 102u);
}

TEST(HbookBooking, UnusableBookingsAreRefused) {
  ConsoleCapture console;
  Store s;
  EXPECT_FALSE(s.book(1, "neg", -3, 0.0f, 1.0f));
  EXPECT_FALSE(s.book(2, "reversed", 10, 1.0f, 0.0f));
  EXPECT_FALSE(s.book(3, "empty range", 10, 1.0f, 1.0f));
  EXPECT_FALSE(s.book(4, "nan", 10, std::nanf(""), 1.0f));
  EXPECT_FALSE(s.book(5, "inf", 10, 0.0f, std::numeric_limits<float>::infinity()));
  EXPECT_FALSE(s.book(6, "huge range", 10, -3e38f, 3e38f));
  EXPECT_FALSE(s.book(0, "zero id", 10, 0.0f, 1.0f));
  EXPECT_EQ(s.size(), 0u);
  // One message per refusal, each naming the id.
  std::istringstream lines(console.text());
  int n = 0;
  for (std::string line; std::getline(lines, line); ++n)
    EXPECT_EQ(line.rfind(" ***** ERROR in HBOOK1 : ", 0), 0u) << line;
  EXPECT_EQ(n, 7);
}

// Each refusal prints its own words; each limit is accepted exactly at it.
TEST(HbookBooking, EachRefusalPrintsItsReasonAndTheLimitsAreAccepted) {
  ConsoleCapture console;
  Store s;
  EXPECT_FALSE(s.book(0, "zero id", 10, 0.0f, 1.0f));
  EXPECT_FALSE(s.book(11, "neg", -1, 0.0f, 1.0f));
  EXPECT_TRUE(s.book(12, "one bin", 1, 0.0f, 1.0f));
  EXPECT_FALSE(s.book(12, "again", 1, 0.0f, 1.0f));
  EXPECT_TRUE(s.book(13, "narrowest", 1, 1.0f, std::nextafter(1.0f, 2.0f)));
  EXPECT_FALSE(s.book(14, "equal edges", 1, 1.0f, 1.0f));
  EXPECT_FALSE(s.book(15, "reversed", 1, 1.0f, std::nextafter(1.0f, 0.0f)));
  EXPECT_FALSE(s.book(16, "nan low", 1, std::nanf(""), 1.0f));
  EXPECT_FALSE(s.book(17, "nan high", 1, 0.0f, std::nanf("")));
  EXPECT_FALSE(s.book(18, "inf low", 1, -std::numeric_limits<float>::infinity(), 1.0f));
  EXPECT_TRUE(s.book(19, "widest", 1, -1.7e38f, 1.7e38f));  // the width is still a float
  EXPECT_FALSE(s.book(20, "too wide", 1, -1.8e38f, 1.8e38f));
  EXPECT_EQ(console.text(),
            " ***** ERROR in HBOOK1 : Histogram identifier 0 is not allowed : ID=       0 \n"
            " ***** ERROR in HBOOK1 : Number of channels must be positive : ID=      11 \n"
            " ***** ERROR in HBOOK1 : Histogram already exists : ID=      12 \n"
            " ***** ERROR in HBOOK1 : Invalid axis limits : ID=      14 \n"
            " ***** ERROR in HBOOK1 : Invalid axis limits : ID=      15 \n"
            " ***** ERROR in HBOOK1 : Invalid axis limits : ID=      16 \n"
            " ***** ERROR in HBOOK1 : Invalid axis limits : ID=      17 \n"
            " ***** ERROR in HBOOK1 : Invalid axis limits : ID=      18 \n"
            " ***** ERROR in HBOOK1 : Invalid axis limits : ID=      20 \n");
  EXPECT_EQ(idsOf(s), (std::vector<std::int32_t>{12, 13, 19}));
  EXPECT_EQ(s.find(12)->title, "one bin");  // the first booking is kept
}

// The id is printed as Fortran's I8: eight characters, stars beyond.
TEST(HbookBooking, MessageIdsFillEightColumnsAtMost) {
  ConsoleCapture console;
  Store s;
  for (std::int32_t id : {99999999, 100000000, -9999999, -10000000, 1}) EXPECT_FALSE(s.remove(id));
  EXPECT_EQ(console.text(),
            " ***** ERROR in HDELET : Unknown histogram : ID=99999999 \n"
            " ***** ERROR in HDELET : Unknown histogram : ID=******** \n"
            " ***** ERROR in HDELET : Unknown histogram : ID=-9999999 \n"
            " ***** ERROR in HDELET : Unknown histogram : ID=******** \n"
            " ***** ERROR in HDELET : Unknown histogram : ID=       1 \n");
}

TEST(HbookBooking, WordBudgetRefusesBeyondTheLimit) {
  ConsoleCapture console;
  // nx + title words + 42 words per histogram: 100 bins, "abcd" -> 143.
  Store s(300);
  ASSERT_TRUE(s.book(1, "abcd", 100, 0.0f, 1.0f));
  EXPECT_EQ(s.usedWords(), 143);
  ASSERT_TRUE(s.book(2, "abcd", 100, 0.0f, 1.0f));
  EXPECT_EQ(s.usedWords(), 286);
  EXPECT_FALSE(s.book(3, "", 1, 0.0f, 1.0f));  // 43 more words do not fit
  EXPECT_EQ(console.text(), " ***** ERROR in HBOOK1 : Not enough space in memory : ID=       3 \n");
  EXPECT_EQ(s.find(3), nullptr);
  ASSERT_TRUE(s.remove(1));
  EXPECT_EQ(s.usedWords(), 143);
  EXPECT_TRUE(s.book(3, "", 1, 0.0f, 1.0f));
  // A booking far beyond any budget is refused without allocating.
  EXPECT_FALSE(s.book(4, "big", std::numeric_limits<std::int32_t>::max(), 0.0f, 1.0f));
}

TEST(HbookBooking, HlimitSetsTheBudgetOfTheRunMemory) {
  ConsoleCapture console;
  hbook::memory().clear();
  HLIMIT(1000000);
  EXPECT_EQ(hbook::memory().limitWords(), 1000000);
  HLIMIT(200);
  HBOOK1(1, "fits", 100, 0.0f, 1.0f, 0.0f);
  HBOOK1(2, "does not fit", 100, 0.0f, 1.0f, 0.0f);
  EXPECT_NE(hbook::memory().find(1), nullptr);
  EXPECT_EQ(hbook::memory().find(2), nullptr);
  HLIMIT(1000000);
  hbook::memory().clear();
}

// The budget holds a booking that fills it exactly, not one word more; a
// negative HLIMIT gives the size as well.
TEST(HbookBooking, ABookingThatFillsTheBudgetExactlyFits) {
  ConsoleCapture console;
  Store exact(286);  // two histograms of 143 words
  ASSERT_TRUE(exact.book(1, "abcd", 100, 0.0f, 1.0f));
  EXPECT_TRUE(exact.book(2, "abcd", 100, 0.0f, 1.0f));
  EXPECT_EQ(exact.usedWords(), 286);
  Store short1(285);
  ASSERT_TRUE(short1.book(1, "abcd", 100, 0.0f, 1.0f));
  EXPECT_FALSE(short1.book(2, "abcd", 100, 0.0f, 1.0f));
  EXPECT_EQ(console.text(), " ***** ERROR in HBOOK1 : Not enough space in memory : ID=       2 \n");
  hbook::memory().clear();
  HLIMIT(-500);
  EXPECT_EQ(hbook::memory().limitWords(), 500);
  HLIMIT(1000000);
}

// A histogram with errors (HBARX, or read from a file with them) holds
// nx + 10 words more for its errors bank: 100 bins, "abcd" -> 143 + 110.
// The budget then holds one more 143-word booking exactly, not one word less.
TEST(HbookBooking, AHistogramWithErrorsCountsItsErrorsBank) {
  ConsoleCapture console;
  EXPECT_EQ(Store::wordsFor(100, 4, false), 143);
  EXPECT_EQ(Store::wordsFor(100, 4, true), 253);
  EXPECT_EQ(Store::wordsFor(1, 0, true), 11 + 9 + 23 + 11);
  Histogram withErrors;
  withErrors.id = 1;
  withErrors.title = "abcd";
  withErrors.nx = 100;
  withErrors.xmin = 0.0f;
  withErrors.xmax = 1.0f;
  withErrors.channels.assign(102, 0.0f);
  withErrors.sumw2.assign(100, 0.0f);
  Store exact(396);
  exact.put(withErrors);
  EXPECT_EQ(exact.usedWords(), 253);
  EXPECT_TRUE(exact.book(2, "abcd", 100, 0.0f, 1.0f));
  EXPECT_EQ(exact.usedWords(), 396);
  Store short1(395);
  short1.put(withErrors);
  EXPECT_FALSE(short1.book(2, "abcd", 100, 0.0f, 1.0f));
  EXPECT_EQ(short1.usedWords(), 253);
  EXPECT_EQ(console.text(), " ***** ERROR in HBOOK1 : Not enough space in memory : ID=       2 \n");
  // Replaced by the same histogram without errors, it gives the bank back.
  Histogram plain = withErrors;
  plain.sumw2.clear();
  short1.put(plain);
  EXPECT_EQ(short1.usedWords(), 143);
  EXPECT_TRUE(short1.book(2, "abcd", 100, 0.0f, 1.0f));
  EXPECT_EQ(short1.usedWords(), 286);
}

// ---------------------------------------------------------------- filling

TEST(HbookFill, EdgesUnderflowAndOverflow) {
  Store s;
  ASSERT_TRUE(s.book(3005, "E (meV) DetB", 1000, 0.0f, 40.0f));
  s.fill(3005, 0.0f, 1.0f);     // lower edge: bin 1
  s.fill(3005, 40.0f, 1.0f);    // upper edge: overflow
  s.fill(3005, -1e-30f, 1.0f);  // just below: underflow
  s.fill(3005, 5.0f, 1.0f);     // 5.0 * 1000 / 40 = 125 exactly: bin 126
  s.fill(3005, std::nextafter(40.0f, 0.0f), 1.0f);
  const Histogram* h = s.find(3005);
  EXPECT_EQ(h->content(1), 1.0f);
  EXPECT_EQ(h->overflow(), 1.0f);
  EXPECT_EQ(h->underflow(), 1.0f);
  EXPECT_EQ(h->content(126), 1.0f);
  EXPECT_EQ(h->content(125), 0.0f);
  EXPECT_EQ(h->content(1000), 1.0f);  // the largest float below 40 stays in range
  EXPECT_EQ(h->entries, 5);
}

TEST(HbookFill, ChannelOfFollowsSinglePrecision) {
  Histogram h;
  h.nx = 200;
  h.xmin = 83.15f;
  h.xmax = 83.25f;
  // (83.2 - 83.15) * 200 / 0.1 = 99.99237 in single precision: bin 100.
  EXPECT_EQ(Store::channelOf(h, 83.2f), 100);
  EXPECT_EQ(Store::channelOf(h, 83.15f), 1);
  EXPECT_EQ(Store::channelOf(h, 83.25f), 201);
  // Any x below the upper edge stays at or below the overflow channel.
  float x = std::nextafter(83.25f, 0.0f);
  EXPECT_GE(Store::channelOf(h, x), 200);
  EXPECT_LE(Store::channelOf(h, x), 201);
}

TEST(HbookFill, NonFiniteValuesGoToUnderOrOverflowAndCount) {
  Store s;
  ASSERT_TRUE(s.book(7, "y (cm) Up", 100, -3.0f, 3.0f));
  const float inf = std::numeric_limits<float>::infinity();
  s.fill(7, inf, 1.0f);
  s.fill(7, std::nanf(""), 2.0f);
  s.fill(7, -std::nanf(""), 4.0f);
  s.fill(7, -inf, 8.0f);
  const Histogram* h = s.find(7);
  EXPECT_EQ(h->overflow(), 7.0f);
  EXPECT_EQ(h->underflow(), 8.0f);
  for (int bin = 1; bin <= 100; ++bin) EXPECT_EQ(h->content(bin), 0.0f);
  EXPECT_EQ(h->entries, 4);
}

TEST(HbookFill, ZeroAndNegativeWeightsCountAsEntries) {
  Store s;
  ASSERT_TRUE(s.book(1001, "w", 10, 0.0f, 10.0f));
  s.fill(1001, 2.5f, 0.0f);
  s.fill(1001, 2.5f, -1.5f);
  s.fill(1001, -20.0f, 0.0f);
  const Histogram* h = s.find(1001);
  EXPECT_EQ(h->content(3), -1.5f);
  EXPECT_EQ(h->underflow(), 0.0f);
  EXPECT_EQ(h->entries, 3);
}

TEST(HbookFill, UnknownIdChangesNothing) {
  ConsoleCapture console;
  Store s;
  ASSERT_TRUE(s.book(1, "x", 10, 0.0f, 1.0f));
  s.fill(2, 0.5f, 1.0f);
  s.fill(-1, 0.5f, 1.0f);
  const Histogram* h = s.find(1);
  EXPECT_EQ(h->entries, 0);
  for (float c : h->channels) EXPECT_EQ(c, 0.0f);
  EXPECT_EQ(s.size(), 1u);
  EXPECT_EQ(console.text(), "");
}

// A histogram with errors (read from a file) takes w*w in the errors of
// bins 1..nx only; under- and overflow have no error word. Errors of any
// other length are left alone, as are channels of the wrong length (no
// entry counted). The entry counter wraps like a 32-bit integer, and a
// fill drops the sampler's guide.
TEST(HbookFill, ErrorsTakeSquaredWeightsOfTheBinsOnly) {
  Histogram h;
  h.id = 5;
  h.nx = 3;
  h.xmin = 0.0f;
  h.xmax = 3.0f;
  h.channels.assign(5, 0.0f);
  h.sumw2 = {0.0f, 0.0f, 0.0f};
  Store::fillHistogram(h, -1.0f, 5.0f);  // underflow
  Store::fillHistogram(h, 0.5f, 2.0f);   // bin 1
  Store::fillHistogram(h, 2.5f, 3.0f);   // bin 3, the last
  Store::fillHistogram(h, 3.0f, 7.0f);   // overflow
  EXPECT_EQ(h.channels, (std::vector<float>{5.0f, 2.0f, 0.0f, 3.0f, 7.0f}));
  EXPECT_EQ(h.sumw2, (std::vector<float>{4.0f, 0.0f, 9.0f}));
  EXPECT_EQ(h.entries, 4);

  Histogram odd = h;
  odd.sumw2 = {1.0f, 1.0f, 1.0f, 1.0f, 1.0f};  // one per channel: not an errors bank of nx words
  Store::fillHistogram(odd, 1.5f, 2.0f);
  EXPECT_EQ(odd.channels[2], 2.0f);
  EXPECT_EQ(odd.sumw2, (std::vector<float>{1.0f, 1.0f, 1.0f, 1.0f, 1.0f}));

  Histogram unusable = h;
  unusable.channels.assign(4, 0.0f);
  Store::fillHistogram(unusable, 1.5f, 2.0f);
  EXPECT_EQ(unusable.channels, (std::vector<float>{0.0f, 0.0f, 0.0f, 0.0f}));
  EXPECT_EQ(unusable.entries, 4);
  Histogram none = h;
  none.nx = 0;
  none.channels.assign(2, 0.0f);
  Store::fillHistogram(none, 1.5f, 2.0f);
  EXPECT_EQ(none.channels, (std::vector<float>{0.0f, 0.0f}));
  EXPECT_EQ(none.entries, 4);

  Histogram guided = h;
  guided.entries = std::numeric_limits<std::int32_t>::max();
  const std::vector<float> integrated = {0.0f, 0.25f, 0.5f, 1.0f};
  ASSERT_TRUE(hbook::makeSampleGuide(integrated, 3, guided.sampleGuide));
  ASSERT_TRUE(guided.sampleGuide.madeFor(3));
  Store::fillHistogram(guided, 1.5f, 1.0f);
  EXPECT_EQ(guided.entries, std::numeric_limits<std::int32_t>::min());
  EXPECT_FALSE(guided.sampleGuide.madeFor(3));

  // The same through the store, for an id looked up directly and one by hash.
  Store s;
  for (std::int32_t id : {5, 9000, 1 << 20}) {
    Histogram e = h;
    e.id = id;
    e.sumw2 = {0.0f, 0.0f, 0.0f};
    s.put(e);
    s.fill(id, 1.5f, 3.0f);
    EXPECT_EQ(s.find(id)->sumw2, (std::vector<float>{0.0f, 9.0f, 0.0f})) << id;
  }
}

// ---------------------------------------------------------------- deleting

TEST(HbookDelete, UnknownIdPrintsThePackageLine) {
  ConsoleCapture console;
  Store s;
  EXPECT_FALSE(s.remove(302));
  EXPECT_FALSE(s.remove(-5));
  EXPECT_FALSE(s.remove(123456789));
  EXPECT_EQ(console.text(),
            " ***** ERROR in HDELET : Unknown histogram : ID=     302 \n"
            " ***** ERROR in HDELET : Unknown histogram : ID=      -5 \n"
            " ***** ERROR in HDELET : Unknown histogram : ID=******** \n");
}

TEST(HbookDelete, RemovesOnlyThatIdAndKeepsTheOrder) {
  Store s;
  for (std::int32_t id : {5, 3, 9, 1}) ASSERT_TRUE(s.book(id, "t", 4, 0.0f, 1.0f));
  ASSERT_TRUE(s.remove(9));
  EXPECT_EQ(s.find(9), nullptr);
  EXPECT_EQ(idsOf(s), (std::vector<std::int32_t>{5, 3, 1}));
  ASSERT_TRUE(s.book(9, "again", 4, 0.0f, 1.0f));
  EXPECT_EQ(idsOf(s), (std::vector<std::int32_t>{5, 3, 1, 9}));
}

TEST(HbookDelete, IdZeroDeletesEverything) {
  Store s;
  for (std::int32_t id : {5, 3}) ASSERT_TRUE(s.book(id, "t", 4, 0.0f, 1.0f));
  EXPECT_TRUE(s.remove(0));
  EXPECT_EQ(s.size(), 0u);
  EXPECT_EQ(s.usedWords(), 0);
}

// ---------------------------------------------------------------- put

TEST(HbookPut, ReplacesInPlaceOrAppends) {
  Store s;
  for (std::int32_t id : {1, 2, 3}) ASSERT_TRUE(s.book(id, "t", 4, 0.0f, 1.0f));
  Histogram h;
  h.id = 2;
  h.title = "from file";
  h.nx = 3;
  h.xmin = -1.0f;
  h.xmax = 2.0f;
  h.channels.assign(5, 1.0f);
  s.put(h);
  EXPECT_EQ(idsOf(s), (std::vector<std::int32_t>{1, 2, 3}));
  EXPECT_EQ(s.find(2)->title, "from file");
  h.id = 100;
  s.put(h);
  EXPECT_EQ(idsOf(s), (std::vector<std::int32_t>{1, 2, 3, 100}));
}

// ---------------------------------------------------------------- golden end states

void expectSameStore(const std::map<std::int32_t, Histogram>& expected, const Store& s) {
  ASSERT_EQ(expected.size(), s.size());
  for (const auto& [id, h] : expected) {
    const Histogram* actual = s.find(id);
    ASSERT_NE(actual, nullptr) << "id " << id;
    expectSameHistogram(h, *actual);
  }
}

TEST(HbookGolden, BasicCallsReproduceThePackageFile) {
  ConsoleCapture console;
  hbook::memory().clear();
  HLIMIT(1000000);
  HBOOK1(10, "golden a", 10, 0.0f, 1.0f, 0.0f);
  for (int i = 1; i <= 10; ++i) HF1(10, 0.1f * static_cast<float>(i) - 0.05f, static_cast<float>(i));
  HF1(10, -0.5f, 2.0f);
  HF1(10, 1.0f, 3.0f);
  HBOOK1(20, "Path length (cm) DeB", 200, 83.15f, 83.25f, 0.0f);
  for (int k = 0; k <= 196; k += 7) HF1(20, 83.15f + 0.0005f * (static_cast<float>(k) + 0.5f), 1.0f);
  HBOOK1(-5, " ", 1, -1.0f, 1.0f, 0.0f);
  HF1(-5, 0.0f, -1.5f);
  HBOOK1(3005, "E (meV) DetB", 1000, 0.0f, 40.0f, 0.0f);
  for (int k = 0; k <= 999; ++k)
    HF1(3005, 0.04f * static_cast<float>(k) + 0.02f, static_cast<float>(k % 7 + 1));
  HBOOK1(4017, "th-0 (deg)", 200, 0.0f, 10.0f, 0.0f);

  expectSameStore(readDump("golden-basic.dump.txt"), hbook::memory());
  EXPECT_EQ(idsOf(hbook::memory()), (std::vector<std::int32_t>{10, 20, -5, 3005, 4017}));
  EXPECT_EQ(console.text(), "");
  hbook::memory().clear();
}

// The program's 44 result histograms, in booking order, from the run's own
// catalogue.
using tarn::Booking;
using tarn::RESULT_HISTOGRAMS;

TEST(HbookGolden, RunShapedSequenceReproducesThePackageFile) {
  ConsoleCapture console;
  Store& memory = hbook::memory();
  memory.clear();
  hbook::resetRndm();
  HLIMIT(1000000);
  // The four input histograms as the package read them.
  memory.put(readDump("lam.dump.txt").at(100));
  const auto gradx = readDump("gradx.dump.txt");
  memory.put(gradx.at(151));
  memory.put(gradx.at(152));
  memory.put(readDump("sq.dump.txt").at(301));
  for (const Booking& b : RESULT_HISTOGRAMS) HBOOK1(b.id, b.title, b.bins, b.lower, b.upper, 0.0f);
  for (int i = 0; i < 3; ++i) HRNDM1(100);
  HDELET(302);
  HCOPYR(301, 302, " ", 0, 77, 0, 0, " ");
  for (int i = 0; i < 3; ++i) HRNDM1(302);
  HCOPYR(301, 402, " ", 0, 60, 0, 0, " ");
  for (int i = 0; i < 3; ++i) HRNDM1(402);
  HF1(1, 0.5f, 1.0f);
  HF1(3005, 5.0f, 1.0f);
  HF1(3005, 40.0f, 1.0f);
  HF1(3006, 83.2f, 1.0f);
  HF1(5021, -10.0f, 1.0f);
  HF1(4017, 0.0f, 1.0f);

  expectSameStore(readDump("memory-golden-run.trim.txt"), memory);
  EXPECT_EQ(console.text(), " ***** ERROR in HDELET : Unknown histogram : ID=     302 \n");

  // Booking order, as HRPUT writes it: inputs, results, then the copies.
  std::vector<std::int32_t> order{100, 151, 152, 301};
  for (const Booking& b : RESULT_HISTOGRAMS) order.push_back(b.id);
  order.push_back(302);
  order.push_back(402);
  EXPECT_EQ(idsOf(memory), order);
  memory.clear();
  hbook::resetRndm();
}

}  // namespace
