// Store::recopyIntegrated against what it stands for, recopyRange followed
// by HRNDM1's draws, done side by side in two memories: after every step
// both hold the same histograms bit for bit in the same order, count the
// same words, print the same messages and draw the same numbers, and a
// refused case changes nothing.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
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
using testsupport::expectSameMemory;

// `draws` numbers from id, from RNDM's starting state.
std::vector<std::uint32_t> drawBits(Store& s, std::int32_t id, int draws) {
  hbook::resetRndm();
  std::vector<std::uint32_t> bits;
  for (int k = 0; k < draws; ++k) bits.push_back(bitsOf(s.random(id)));
  return bits;
}

struct Step {
  std::int32_t id1, id2, ifirst, ilast;
  int draws;
};

// One step both ways; true when the integrated way was taken.
bool stepBothWays(Store& plain, Store& fast, const Step& st, const std::string& where) {
  SCOPED_TRACE(where);
  ConsoleCapture plainConsole;
  plain.recopyRange(st.id1, st.id2, st.ifirst, st.ilast);
  const std::vector<std::uint32_t> plainDraws = drawBits(plain, st.id2, st.draws);
  const std::vector<std::string> plainLines = plainConsole.lines();

  ConsoleCapture fastConsole;
  hbook::resetRndm();
  const bool integrated = fast.recopyIntegrated(st.id1, st.id2, st.ifirst, st.ilast);
  EXPECT_EQ(hbook::rndmDraws(), 0u) << "RNDM is not touched";
  if (!integrated) fast.recopyRange(st.id1, st.id2, st.ifirst, st.ilast);
  const std::vector<std::uint32_t> fastDraws = drawBits(fast, st.id2, st.draws);
  EXPECT_EQ(plainLines, fastConsole.lines());
  EXPECT_EQ(plainDraws, fastDraws);
  expectSameMemory(plain, fast, where);
  return integrated;
}

}  // namespace

TEST(HbookRecopyIntegrated, EventsOfCopiesAndDrawsLeaveTheSameMemory) {
  Histogram sq = testsupport::readDump("sq.dump.txt").at(301);
  Store plain, fast;
  for (Store* s : {&plain, &fast}) {
    s->put(sq);
    s->book(116, "a result booked before the copies", 50, -5.0f, 5.0f);
    s->copyRange(301, 302, " ", 0, 40);
    s->copyRange(301, 402, " ", 0, 60);
  }
  std::mt19937 random(20261210);
  std::uniform_int_distribution<int> range(-3, 95), what(0, 19), bin(1, 90);
  int integrated = 0;
  const int events = 4000;
  for (int event = 0; event < events; ++event) {
    const Step st{301, what(random) < 10 ? 302 : 402, what(random) == 0 ? 1 + what(random) % 5 : 0, range(random),
                  1 + what(random) % 4};
    integrated += stepBothWays(plain, fast, st, "event " + std::to_string(event));
    if (HasFatalFailure()) return;
    // Now and then the source changes (the kept copies start afresh), a
    // copy is filled, or something is booked at the end of the order.
    const int afterwards = what(random);
    if (afterwards == 0) {
      const int b = bin(random);
      const float v = what(random) < 3 ? 0.0f : sq.channels[static_cast<std::size_t>(b)] * 1.5f;
      sq.channels[static_cast<std::size_t>(b)] = v;
      for (Store* s : {&plain, &fast}) s->find(301)->channels[static_cast<std::size_t>(b)] = v;
    } else if (afterwards == 1) {
      for (Store* s : {&plain, &fast}) s->fill(st.id2, 0.3f, 2.0f);
    } else if (afterwards == 2 && event % 40 == 0) {
      for (Store* s : {&plain, &fast}) s->book(10000 + event, "later", 3, 0.0f, 1.0f);
    }
    expectSameMemory(plain, fast, "after event " + std::to_string(event));
    if (HasFatalFailure()) return;
  }
  // The integrated way is what most events take.
  EXPECT_GT(integrated, events / 2);
}

TEST(HbookRecopyIntegrated, CopiesThatDoNotIntegrateAreRefusedUnchanged) {
  Histogram sq = testsupport::readDump("sq.dump.txt").at(301);
  // Bins 1..8 empty: a copy of bins 0..5 has nothing to draw from.
  for (std::size_t b = 1; b <= 8; ++b) sq.channels[b] = 0.0f;
  Store plain, fast;
  for (Store* s : {&plain, &fast}) {
    s->put(sq);
    s->copyRange(301, 302, " ", 0, 20);
  }
  struct Case {
    Step step;
    bool integrated;
    const char* what;
  };
  const Case cases[] = {
      {{301, 302, 0, 20, 3}, true, "a kept copy with content"},
      {{301, 302, 0, 5, 3}, false, "a copy with nothing in its bins: HRNDM1's message"},
      {{301, 302, 0, 200, 2}, false, "more bins than are kept"},
      {{301, 402, 0, 20, 2}, false, "no copy to reuse"},
      {{301, 402, 0, 30, 2}, true, "and then one"},
      {{302, 402, 0, 20, 2}, true, "a copy of a copy: the kept copies start afresh"},
      {{301, 302, 5, 4, 1}, false, "an empty range"},
      {{999, 302, 0, 10, 1}, false, "an unknown source"},
      {{301, 302, 0, 10, 1}, false, "the copy deleted by the unknown source's try"},
      {{301, 302, 0, 10, 1}, true, "a kept range again"},
      {{302, 302, 0, 5, 1}, false, "a copy onto itself"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(stepBothWays(plain, fast, c.step, c.what), c.integrated) << c.what;
    if (HasFatalFailure()) return;
  }
  // A bin that is not finite: HRNDM1's other message.
  for (Store* s : {&plain, &fast}) s->find(301)->channels[5] = std::numeric_limits<float>::infinity();
  EXPECT_FALSE(stepBothWays(plain, fast, {301, 302, 0, 10, 1}, "a total not finite"));
  EXPECT_FALSE(stepBothWays(plain, fast, {301, 302, 0, 10, 2}, "and again"));
  // A word budget that holds the copy of 11 bins but not that of 91.
  for (Store* s : {&plain, &fast}) {
    s->put(testsupport::readDump("sq.dump.txt").at(301));
    s->copyRange(301, 302, " ", 0, 10);
    s->copyRange(301, 302, " ", 0, 90);
    s->remove(302);
    s->copyRange(301, 302, " ", 0, 10);
    s->setLimit(s->usedWords() + 20);
  }
  EXPECT_FALSE(stepBothWays(plain, fast, {301, 302, 0, 90, 1}, "beyond the word budget"));
}

TEST(HbookRecopyIntegrated, ARefusedCallChangesNoHistogram) {
  Histogram sq = testsupport::readDump("sq.dump.txt").at(301);
  for (std::size_t b = 1; b <= 8; ++b) sq.channels[b] = 0.0f;
  Store before, after;
  for (Store* s : {&before, &after}) {
    s->put(sq);
    s->copyRange(301, 302, " ", 0, 20);
  }
  ConsoleCapture console;
  EXPECT_FALSE(after.recopyIntegrated(301, 302, 0, 5));
  EXPECT_FALSE(after.recopyIntegrated(301, 402, 0, 5));
  EXPECT_TRUE(console.lines().empty());
  expectSameMemory(before, after, "refused");
}
