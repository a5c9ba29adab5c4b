// The histogram memory's shortcuts against doing the work afresh: a copy
// taken from the kept copies is the copy a fresh memory makes, its first
// draw integrates to the same bits, deleted histograms lend their storage to
// new bookings that look brand new, and look-up by id works for every id.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "hbook/memory/store.h"
#include "support/consolecapture.h"
#include "support/hbookdumps.h"

namespace {

using hbook::Histogram;
using hbook::Store;
using testsupport::bitsOf;
using testsupport::ConsoleCapture;

// The shipped structure factor: 90 bins of 0.04 1/Å.
Histogram structureFactor() { return testsupport::readDump("sq.dump.txt").at(301); }

// Every field of a histogram, bit for bit, guide presence included.
void expectIdentical(const Histogram& expected, const Histogram& actual, const std::string& where) {
  SCOPED_TRACE(where);
  EXPECT_EQ(expected.id, actual.id);
  EXPECT_EQ(expected.title, actual.title);
  ASSERT_EQ(expected.nx, actual.nx);
  EXPECT_EQ(bitsOf(expected.xmin), bitsOf(actual.xmin));
  EXPECT_EQ(bitsOf(expected.xmax), bitsOf(actual.xmax));
  EXPECT_EQ(expected.kbits, actual.kbits);
  EXPECT_EQ(expected.entries, actual.entries);
  EXPECT_EQ(expected.readFromFile, actual.readFromFile);
  EXPECT_EQ(expected.sumw2, actual.sumw2);
  EXPECT_EQ(expected.sampleGuide.nx, actual.sampleGuide.nx);
  EXPECT_EQ(expected.sampleGuide.cells, actual.sampleGuide.cells);
  if (expected.sampleGuide.nx > 0) {
    EXPECT_EQ(expected.sampleGuide.edge, actual.sampleGuide.edge);
  }
  ASSERT_EQ(expected.channels.size(), actual.channels.size());
  for (std::size_t i = 0; i < expected.channels.size(); ++i)
    ASSERT_EQ(bitsOf(expected.channels[i]), bitsOf(actual.channels[i])) << "channel " << i;
}

std::vector<std::int32_t> idsOf(const Store& s) {
  std::vector<std::int32_t> ids;
  for (const Histogram* h : s.all()) ids.push_back(h->id);
  return ids;
}

// A memory that has never copied anything: S(q) and the copy of its range.
Histogram freshCopy(const Histogram& source, std::int32_t ifirst, std::int32_t ilast) {
  Store fresh;
  fresh.put(source);
  EXPECT_TRUE(fresh.copyRange(source.id, 302, " ", ifirst, ilast));
  return *fresh.find(302);
}

}  // namespace

TEST(HbookCopyCache, EveryReusedRangeIsTheFreshCopyBitForBit) {
  const Histogram sq = structureFactor();
  Store store;
  store.put(sq);
  // Each range twice, in an order that revisits ranges made long before.
  for (int pass = 0; pass < 2; ++pass) {
    for (std::int32_t last = 0; last <= 90; ++last) {
      const std::int32_t ilast = pass == 0 ? last : 90 - last;
      store.remove(302);
      ASSERT_TRUE(store.copyRange(301, 302, " ", 0, ilast));
      expectIdentical(freshCopy(sq, 0, ilast), *store.find(302), "last " + std::to_string(ilast));
    }
  }
  EXPECT_EQ(store.keptCopies(), 91u);
  // Ranges not from bin 0 are kept as well, and the words used and the
  // order are those of fresh bookings.
  for (std::int32_t ifirst : {1, 5, 44}) {
    ASSERT_TRUE(store.copyRange(301, 402, "own title", ifirst, 60));
    ASSERT_TRUE(store.copyRange(301, 402, "own title", ifirst, 60));
    Store fresh;
    fresh.put(sq);
    fresh.copyRange(301, 402, "own title", ifirst, 60);
    expectIdentical(*fresh.find(402), *store.find(402), "ifirst " + std::to_string(ifirst));
  }
  EXPECT_EQ(idsOf(store), (std::vector<std::int32_t>{301, 302, 402}));
  Store expectedWords;
  expectedWords.put(sq);
  expectedWords.copyRange(301, 302, " ", 0, 0);
  expectedWords.copyRange(301, 402, "own title", 44, 60);
  EXPECT_EQ(store.usedWords(), expectedWords.usedWords());
}

TEST(HbookCopyCache, ChangedSourceIsCopiedAfresh) {
  Histogram sq = structureFactor();
  Store store;
  store.put(sq);
  ASSERT_TRUE(store.copyRange(301, 302, " ", 0, 77));
  // One fill into S(q) changes one bin: the copy must follow it.
  store.fill(301, 1.01f, 0.5f);
  ASSERT_TRUE(store.copyRange(301, 302, " ", 0, 77));
  expectIdentical(freshCopy(*store.find(301), 0, 77), *store.find(302), "after a fill");
  // The last bit of one bin, and the edges, count too.
  Histogram changed = *store.find(301);
  changed.channels[40] = std::nextafter(changed.channels[40], 1.0f);
  store.put(changed);
  ASSERT_TRUE(store.copyRange(301, 302, " ", 0, 77));
  expectIdentical(freshCopy(changed, 0, 77), *store.find(302), "one bit");
  changed.xmax = std::nextafter(changed.xmax, 5.0f);
  store.put(changed);
  ASSERT_TRUE(store.copyRange(301, 302, " ", 0, 77));
  expectIdentical(freshCopy(changed, 0, 77), *store.find(302), "upper edge");
  // Another source with the same contents but another id shares the copies.
  changed.id = 305;
  store.put(changed);
  ASSERT_TRUE(store.copyRange(305, 302, " ", 0, 77));
  expectIdentical(freshCopy(changed, 0, 77), *store.find(302), "other id");
}

TEST(HbookCopyCache, CopyOntoItselfAndRangesBeyondTheSource) {
  const Histogram sq = structureFactor();
  Store store;
  store.put(sq);
  for (int repeat = 0; repeat < 2; ++repeat) {
    Store fresh;
    fresh.put(sq);
    ASSERT_TRUE(fresh.copyRange(301, 301, " ", 0, 77));
    store.put(sq);
    ASSERT_TRUE(store.copyRange(301, 301, " ", 0, 77));
    expectIdentical(*fresh.find(301), *store.find(301), "onto itself");
  }
  // More bins than the source has plus one are never kept, yet right.
  store.put(sq);
  const std::size_t before = store.keptCopies();
  ASSERT_TRUE(store.copyRange(301, 302, " ", 0, 90));  // nx + 1 bins: kept
  const std::size_t kept = store.keptCopies();
  EXPECT_EQ(kept, before + 1);
  for (std::int32_t ilast : {91, 200}) {
    ASSERT_TRUE(store.copyRange(301, 302, " ", 0, ilast));
    expectIdentical(freshCopy(sq, 0, ilast), *store.find(302), "last " + std::to_string(ilast));
    EXPECT_EQ(store.keptCopies(), kept) << ilast;
  }
}

// Sources of up to 256 bins have their copies kept; larger ones are copied
// afresh each time, to the same bits.
TEST(HbookCopyCache, OnlySourcesOfAtMost256BinsAreKept) {
  for (std::int32_t nx : {256, 257}) {
    Histogram source;
    source.id = 301;
    source.nx = nx;
    source.xmax = static_cast<float>(nx);
    source.channels.assign(static_cast<std::size_t>(nx) + 2, 0.0f);
    for (std::int32_t i = 1; i <= nx; ++i) source.channels[static_cast<std::size_t>(i)] = static_cast<float>(i % 7);
    Store store;
    store.put(source);
    ASSERT_TRUE(store.copyRange(301, 302, " ", 0, 100));
    expectIdentical(freshCopy(source, 0, 100), *store.find(302), "nx " + std::to_string(nx));
    EXPECT_EQ(store.keptCopies(), nx == 256 ? 1u : 0u) << nx;
  }
}

TEST(HbookCopyCache, FirstDrawOfAReusedCopyIntegratesAsAFreshOne) {
  const Histogram sq = structureFactor();
  Store store;
  store.put(sq);
  for (std::int32_t last : {77, 3, 77, 90, 3}) {
    store.remove(302);
    ASSERT_TRUE(store.copyRange(301, 302, " ", 0, last));
    Store fresh;
    fresh.put(sq);
    ASSERT_TRUE(fresh.copyRange(301, 302, " ", 0, last));
    hbook::resetRndm();
    std::vector<float> reused, made;
    for (int i = 0; i < 200; ++i) reused.push_back(store.random(302));
    hbook::resetRndm();
    for (int i = 0; i < 200; ++i) made.push_back(fresh.random(302));
    expectIdentical(*fresh.find(302), *store.find(302), "integrated, last " + std::to_string(last));
    EXPECT_EQ(store.find(302)->entries, -1);
    ASSERT_TRUE(store.find(302)->sampleGuide.madeFor(last + 1));
    for (int i = 0; i < 200; ++i) ASSERT_EQ(bitsOf(made[i]), bitsOf(reused[i])) << "draw " << i;
  }
}

TEST(HbookCopyCache, ACopyFilledBeforeItsFirstDrawIsIntegratedAfresh) {
  const Histogram sq = structureFactor();
  Store store, fresh;
  store.put(sq);
  fresh.put(sq);
  store.copyRange(301, 302, " ", 0, 77);
  store.remove(302);
  for (Store* s : {&store, &fresh}) {
    s->copyRange(301, 302, " ", 0, 77);
    s->fill(302, 0.5f, 2.0f);
  }
  hbook::resetRndm();
  const float a = store.random(302);
  hbook::resetRndm();
  const float b = fresh.random(302);
  EXPECT_EQ(bitsOf(a), bitsOf(b));
  expectIdentical(*fresh.find(302), *store.find(302), "filled copy");
}

TEST(HbookCopyCache, EmptyRangeGivesTheMessageAtEveryFirstDraw) {
  // S(q) is zero in its first bins: the copy up to bin 1 holds nothing.
  std::vector<float> contents(90, 1.0f);
  contents[0] = contents[1] = 0.0f;
  Histogram sq;
  sq.id = 301;
  sq.nx = 90;
  sq.xmin = 0.0f;
  sq.xmax = 3.6f;
  sq.channels.assign(92, 0.0f);
  for (int i = 0; i < 90; ++i) sq.channels[i + 1] = contents[i];
  Store store;
  store.put(sq);
  ConsoleCapture console;
  for (std::int32_t id : {302, 402, 302}) {
    store.remove(id);
    store.copyRange(301, id, " ", 0, 1);
    store.random(id);
  }
  EXPECT_EQ(console.lines(), (std::vector<std::string>{
                                 " ***** ERROR in HDELET : Unknown histogram : ID=     302 ",
                                 " ***** ERROR in HRNDM1 : Integral is zero : ID=     302 ",
                                 " ***** ERROR in HDELET : Unknown histogram : ID=     402 ",
                                 " ***** ERROR in HRNDM1 : Integral is zero : ID=     402 ",
                                 " ***** ERROR in HRNDM1 : Integral is zero : ID=     302 ",
                             }));
}

TEST(HbookStoreReuse, ABookingInADeletedHistogramsStorageLooksBrandNew) {
  Store store;
  ASSERT_TRUE(store.book(7, "a long title that needs its own storage", 500, -1.0f, 1.0f));
  Histogram* old = store.find(7);
  old->sumw2.assign(500, 2.0f);
  old->entries = 99;
  old->kbits = 0x11;
  old->minimum = 3.0f;
  old->readFromFile = true;
  old->channels[3] = 5.0f;
  store.fill(7, 0.0f, 1.0f);
  ASSERT_TRUE(store.remove(7));
  ASSERT_TRUE(store.book(8, "new", 20, 0.0f, 2.0f));
  Store fresh;
  ASSERT_TRUE(fresh.book(8, "new", 20, 0.0f, 2.0f));
  expectIdentical(*fresh.find(8), *store.find(8), "reused storage");
  EXPECT_EQ(store.find(8)->minimum, 0.0f);
  EXPECT_EQ(store.find(7), nullptr);
}

TEST(HbookStoreIndex, EveryKindOfIdIsFoundFilledAndDeleted) {
  // Page edges of the direct look-up (16 ids a page, ids below 65536), and
  // ids beyond it.
  Store store;
  const std::vector<std::int32_t> ids = {1,  15, 16, 65535, 65536, 65537, 123456789, -1, -65536, INT32_MAX,
                                         INT32_MIN, 4017};
  for (std::int32_t id : ids) ASSERT_TRUE(store.book(id, "h", 4, 0.0f, 4.0f)) << id;
  EXPECT_EQ(idsOf(store), ids);
  for (std::int32_t id : ids) {
    store.fill(id, 1.5f, static_cast<float>(id % 7));
    ASSERT_NE(store.find(id), nullptr) << id;
    EXPECT_EQ(store.find(id)->id, id);
    EXPECT_EQ(store.find(id)->content(2), static_cast<float>(id % 7)) << id;
  }
  EXPECT_EQ(store.find(0), nullptr);
  EXPECT_EQ(store.find(2), nullptr);
  EXPECT_EQ(store.find(14), nullptr);
  EXPECT_EQ(store.find(9000), nullptr);
  EXPECT_EQ(store.find(70000), nullptr);
  EXPECT_EQ(store.find(-2), nullptr);
  {
    ConsoleCapture console;
    EXPECT_FALSE(store.book(65536, "again", 4, 0.0f, 4.0f));
    EXPECT_FALSE(store.book(-1, "again", 4, 0.0f, 4.0f));
  }
  for (std::int32_t id : {65536, -1, 1}) ASSERT_TRUE(store.remove(id));
  EXPECT_EQ(idsOf(store),
            (std::vector<std::int32_t>{15, 16, 65535, 65537, 123456789, -65536, INT32_MAX, INT32_MIN, 4017}));
  for (std::int32_t id : {65536, -1, 1}) EXPECT_EQ(store.find(id), nullptr);
  const Histogram* stillThere = store.find(4017);
  ASSERT_TRUE(store.book(1, "back", 4, 0.0f, 4.0f));
  EXPECT_EQ(store.find(4017), stillThere);
  store.clear();
  for (std::int32_t id : ids) EXPECT_EQ(store.find(id), nullptr);
}

TEST(HbookCopyCache, DroppedCopiesAreMadeAfresh) {
  const Histogram sq = structureFactor();
  Store store;
  store.put(sq);
  store.copyRange(301, 302, " ", 0, 40);
  store.copyRange(301, 402, " ", 0, 77);
  EXPECT_EQ(store.keptCopies(), 2u);
  store.dropKeptCopies();
  EXPECT_EQ(store.keptCopies(), 0u);
  EXPECT_EQ(idsOf(store), (std::vector<std::int32_t>{301, 302, 402}));
  store.remove(302);
  ASSERT_TRUE(store.copyRange(301, 302, " ", 0, 77));
  hbook::resetRndm();
  store.random(302);
  const Histogram fresh = [&sq] {
    Store s;
    s.put(sq);
    s.copyRange(301, 302, " ", 0, 77);
    hbook::resetRndm();
    s.random(302);
    return *s.find(302);
  }();
  expectIdentical(fresh, *store.find(302), "after the drop");
  EXPECT_EQ(store.keptCopies(), 1u);
}
