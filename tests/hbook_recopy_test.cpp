// Store::recopyRange against what it stands for, HDELET followed by HCOPYR,
// done side by side in two memories: after every step both hold the same
// histograms bit for bit in the same order, count the same words, print the
// same messages and draw the same numbers.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "hbook/memory/store.h"
#include "support/consolecapture.h"
#include "support/hbookdumps.h"
#include "support/storecompare.h"

namespace {

using hbook::Histogram;
using hbook::Store;
using testsupport::bitsOf;
using testsupport::ConsoleCapture;
using testsupport::expectSameFields;
using testsupport::expectSameMemory;

// HDELET then HCOPYR with a blank title, as the event loop did them.
void deleteAndCopy(Store& s, std::int32_t id1, std::int32_t id2, std::int32_t ifirst, std::int32_t ilast) {
  s.remove(id2);
  s.copyRange(id1, id2, " ", ifirst, ilast);
}

}  // namespace

TEST(HbookRecopy, EventsOfCopiesDrawsAndFillsLeaveTheSameMemory) {
  const Histogram sq = testsupport::readDump("sq.dump.txt").at(301);
  Store slow, fast;
  for (Store* s : {&slow, &fast}) {
    s->put(sq);
    s->book(116, "a result booked before the copies", 50, -5.0f, 5.0f);
    s->copyRange(301, 302, " ", 0, 40);
    s->copyRange(301, 402, " ", 0, 60);
  }
  std::mt19937 random(20261209);
  std::uniform_int_distribution<int> range(-3, 95), what(0, 9);
  for (int event = 0; event < 3000; ++event) {
    const std::int32_t id = what(random) < 5 ? 302 : 402;
    const std::int32_t ifirst = what(random) == 0 ? 1 + what(random) : 0;
    const std::int32_t ilast = range(random);
    const int afterwards = what(random);
    ConsoleCapture slowConsole;
    deleteAndCopy(slow, 301, id, ifirst, ilast);
    const std::vector<std::string> slowLines = slowConsole.lines();
    ConsoleCapture fastConsole;
    fast.recopyRange(301, id, ifirst, ilast);
    EXPECT_EQ(slowLines, fastConsole.lines());
    // Then draws (integrating the copy), a fill into it, another booking
    // at the end of the order, or nothing.
    if (afterwards < 5) {
      for (Store* s : {&slow, &fast}) {
        hbook::resetRndm();
        for (int k = 0; k < afterwards + 1; ++k) s->random(id);
      }
    } else if (afterwards == 5) {
      slow.fill(id, 0.3f, 2.0f);
      fast.fill(id, 0.3f, 2.0f);
    } else if (afterwards == 6 && event % 50 == 0) {
      slow.book(10000 + event, "later", 3, 0.0f, 1.0f);
      fast.book(10000 + event, "later", 3, 0.0f, 1.0f);
    }
    expectSameMemory(slow, fast, "event " + std::to_string(event));
    if (HasFatalFailure()) return;
  }
  // The draws of both from here on are the same numbers.
  for (Store* s : {&slow, &fast}) s->remove(302);
  deleteAndCopy(slow, 301, 302, 0, 77);
  fast.copyRange(301, 302, " ", 0, 77);
  fast.recopyRange(301, 302, 0, 77);
  hbook::resetRndm();
  std::vector<float> a, b;
  for (int k = 0; k < 500; ++k) a.push_back(slow.random(302));
  hbook::resetRndm();
  for (int k = 0; k < 500; ++k) b.push_back(fast.random(302));
  for (int k = 0; k < 500; ++k) ASSERT_EQ(bitsOf(a[k]), bitsOf(b[k])) << "draw " << k;
}

TEST(HbookRecopy, EveryOtherCaseGoesTheWayOfTheTwoCalls) {
  const Histogram sq = testsupport::readDump("sq.dump.txt").at(301);
  Store slow, fast;
  for (Store* s : {&slow, &fast}) s->put(sq);
  struct Case {
    std::int32_t id1, id2, ifirst, ilast;
    const char* what;
  };
  const Case cases[] = {
      {301, 302, 0, 10, "no copy yet: HDELET's message"},
      {301, 302, 0, 10, "a kept range"},
      {301, 302, 0, 200, "more bins than are kept"},
      {301, 302, 5, 4, "an empty range"},
      {999, 302, 0, 10, "an unknown source"},
      {301, 302, 0, 10, "the copy deleted by the unknown source's try"},
      {302, 302, 0, 5, "a copy onto itself"},
      {301, 0, 0, 10, "id 0 deletes everything"},
  };
  for (const Case& c : cases) {
    ConsoleCapture slowConsole;
    deleteAndCopy(slow, c.id1, c.id2, c.ifirst, c.ilast);
    const std::vector<std::string> slowLines = slowConsole.lines();
    ConsoleCapture fastConsole;
    fast.recopyRange(c.id1, c.id2, c.ifirst, c.ilast);
    EXPECT_EQ(slowLines, fastConsole.lines()) << c.what;
    expectSameMemory(slow, fast, c.what);
  }
  // A word budget that holds the copy of 11 bins but not that of 91.
  for (Store* s : {&slow, &fast}) {
    s->put(sq);
    s->copyRange(301, 302, " ", 0, 10);
    s->copyRange(301, 302, " ", 0, 90);
    s->remove(302);
    s->copyRange(301, 302, " ", 0, 10);
    s->setLimit(s->usedWords() + 20);
  }
  ConsoleCapture slowConsole;
  deleteAndCopy(slow, 301, 302, 0, 90);
  const std::vector<std::string> slowLines = slowConsole.lines();
  ConsoleCapture fastConsole;
  fast.recopyRange(301, 302, 0, 90);
  EXPECT_EQ(slowLines, fastConsole.lines());
  EXPECT_FALSE(slowLines.empty());
  expectSameMemory(slow, fast, "beyond the word budget");
}

TEST(HbookRecopy, EveryFieldOfAReusedHistogramIsAsNew) {
  // Every field away from its default, then the histogram deleted and its
  // storage booked again, or copied into in place.
  auto dirty = [](Histogram& h) {
    h.title = "a title long enough to live outside the string itself";
    h.kbits = 0x11;
    h.minimum = 1.0f;
    h.maximum = 2.0f;
    h.norm = 3.0f;
    h.entries = 77;
    h.statSumW = 4.0f;
    h.statSumW2 = 5.0f;
    h.statSumWX = 6.0;
    h.statSumWX2 = 7.0;
    h.sumw2.assign(static_cast<std::size_t>(h.nx), 8.0f);
    h.edges.assign(static_cast<std::size_t>(h.nx) + 1, 9.0f);
    h.nbit = 16;
    h.readFromFile = true;
    h.markedAsRead = true;
    h.sampleGuide.nx = h.nx;
    h.sampleGuide.cells = 4;
    h.sampleGuide.edge.assign(5, 1);
  };
  Store reused, fresh;
  ASSERT_TRUE(reused.book(5, "old", 30, 0.0f, 3.0f));
  dirty(*reused.find(5));
  ASSERT_TRUE(reused.remove(5));
  ASSERT_TRUE(reused.book(6, "new", 10, -1.0f, 1.0f));
  ASSERT_TRUE(fresh.book(6, "new", 10, -1.0f, 1.0f));
  expectSameFields(*fresh.find(6), *reused.find(6));

  const Histogram sq = testsupport::readDump("sq.dump.txt").at(301);
  Store inPlace;
  inPlace.put(sq);
  inPlace.copyRange(301, 302, " ", 0, 40);
  dirty(*inPlace.find(302));
  inPlace.recopyRange(301, 302, 0, 40);
  Store made;
  made.put(sq);
  made.copyRange(301, 302, " ", 0, 40);
  expectSameFields(*made.find(302), *inPlace.find(302));
  EXPECT_TRUE(inPlace.find(302)->sumw2.empty());
  // The source retitled, its contents the same (the kept copies stay): the
  // copy made in place takes the new title, then keeps it when copied again.
  for (Store* s : {&inPlace, &made}) s->find(301)->title = "retitled";
  for (int again = 0; again < 2; ++again) {
    inPlace.recopyRange(301, 302, 0, 40);
    deleteAndCopy(made, 301, 302, 0, 40);
    expectSameFields(*made.find(302), *inPlace.find(302));
    EXPECT_EQ(inPlace.find(302)->title, "retitled");
  }
}
