// The blocks of a run and sets of them: how many blocks a run has, the
// events of each, and the set's adding, membership, counts, intersection,
// difference, list and its text both ways, each at the edges of its rules.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "transport/run/blocks.h"

namespace {

using tarn::BlockSet;

BlockSet parsed(const std::string& text) {
  BlockSet s;
  EXPECT_TRUE(BlockSet::parse(text, s)) << text;
  return s;
}

}  // namespace

TEST(BlockSet, ARunHasABlockForEachStartedHundredThousandEvents) {
  EXPECT_EQ(tarn::blockCount(1), 1);
  EXPECT_EQ(tarn::blockCount(99999), 1);
  EXPECT_EQ(tarn::blockCount(100000), 1);
  EXPECT_EQ(tarn::blockCount(100001), 2);
  EXPECT_EQ(tarn::blockCount(200000), 2);
  EXPECT_EQ(tarn::blockCount(200001), 3);
  // The events of a block: 1-based, the last block cut at the run's end.
  const tarn::EventSpan first = tarn::eventsOfBlock(250000, 0);
  EXPECT_EQ(first.first, 1);
  EXPECT_EQ(first.last, 100000);
  const tarn::EventSpan second = tarn::eventsOfBlock(250000, 1);
  EXPECT_EQ(second.first, 100001);
  EXPECT_EQ(second.last, 200000);
  const tarn::EventSpan last = tarn::eventsOfBlock(250000, 2);
  EXPECT_EQ(last.first, 200001);
  EXPECT_EQ(last.last, 250000);
  EXPECT_EQ(last.count(), 50000);
  const tarn::EventSpan whole = tarn::eventsOfBlock(200000, 1);
  EXPECT_EQ(whole.last, 200000);
  EXPECT_EQ(whole.count(), 100000);
}

TEST(BlockSet, AddingKeepsRangesSortedDisjointAndNotAdjacent) {
  BlockSet s;
  s.add(tarn::BlockRange{5, 4});  // an empty range adds nothing
  EXPECT_TRUE(s.empty());
  EXPECT_EQ(s.text(), "none");
  s.add(3);
  s.add(4);  // adjacent after the last: joined
  EXPECT_EQ(s.text(), "3-4");
  s.add(6);  // a gap of one block: a range of its own
  EXPECT_EQ(s.text(), "3-4,6");
  s.add(tarn::BlockRange{6, 6});  // already there
  EXPECT_EQ(s.text(), "3-4,6");
  s.add(tarn::BlockRange{6, 9});  // starts in the last range
  EXPECT_EQ(s.text(), "3-4,6-9");
  s.add(0);  // before every range, not adjacent
  EXPECT_EQ(s.text(), "0,3-4,6-9");
  s.add(2);  // adjacent to the range after it only
  EXPECT_EQ(s.text(), "0,2-4,6-9");
  s.add(5);  // fills the gap: three ranges become one... with the one after it
  EXPECT_EQ(s.text(), "0,2-9");
  s.add(1);
  EXPECT_EQ(s.text(), "0-9");
  EXPECT_EQ(s.ranges().size(), 1u);

  BlockSet t = BlockSet::range(10, 12);
  t.add(tarn::BlockRange{20, 22});
  t.add(tarn::BlockRange{14, 15});  // between two, adjacent to neither
  EXPECT_EQ(t.text(), "10-12,14-15,20-22");
  t.add(tarn::BlockRange{13, 13});  // adjacent to both sides
  EXPECT_EQ(t.text(), "10-15,20-22");
  t.add(tarn::BlockRange{8, 21});  // covers one range and part of the next
  EXPECT_EQ(t.text(), "8-22");

  BlockSet u = BlockSet::range(0, 1);
  u.add(BlockSet::range(3, 3));
  u.add(parsed("5,7-8"));
  EXPECT_EQ(u.text(), "0-1,3,5,7-8");
}

TEST(BlockSet, MembershipAtEachEndOfEachRange) {
  const BlockSet s = parsed("2-4,7,10-11");
  const std::vector<std::int64_t> in = {2, 3, 4, 7, 10, 11};
  const std::vector<std::int64_t> out = {0, 1, 5, 6, 8, 9, 12, -1};
  for (std::int64_t b : in) EXPECT_TRUE(s.contains(b)) << b;
  for (std::int64_t b : out) EXPECT_FALSE(s.contains(b)) << b;
  EXPECT_FALSE(BlockSet().contains(0));
  EXPECT_EQ(s.count(), 6);
  EXPECT_EQ(BlockSet().count(), 0);
  EXPECT_EQ(s.list(), in);
  EXPECT_TRUE(BlockSet().list().empty());
}

TEST(BlockSet, EventsCountTheShortLastBlockAndOnlyTheRunsEvents) {
  // A run of 250000 events: blocks 0 and 1 whole, block 2 of 50000.
  EXPECT_EQ(BlockSet::range(0, 2).events(250000), 250000);
  EXPECT_EQ(BlockSet::range(2, 2).events(250000), 50000);
  EXPECT_EQ(BlockSet::range(1, 1).events(250000), 100000);
  EXPECT_EQ(parsed("0,2").events(250000), 150000);
  EXPECT_EQ(BlockSet::range(0, 0).events(1), 1);
  // A block past the run's end holds none of its events.
  EXPECT_EQ(BlockSet::range(3, 4).events(250000), 0);
  EXPECT_EQ(parsed("2-3").events(200000), 0);
  EXPECT_EQ(BlockSet().events(250000), 0);
}

TEST(BlockSet, IntersectionAndDifferenceAtTheEdges) {
  const BlockSet a = parsed("0-4,8-9");
  EXPECT_EQ(a.intersection(parsed("4-8")).text(), "4,8");
  EXPECT_EQ(parsed("4-8").intersection(a).text(), "4,8");
  EXPECT_EQ(a.intersection(parsed("5-7")).text(), "none");
  EXPECT_EQ(a.intersection(parsed("0-20")).text(), "0-4,8-9");
  EXPECT_EQ(a.intersection(parsed("1,3,9")).text(), "1,3,9");
  EXPECT_EQ(a.intersection(BlockSet()).text(), "none");

  EXPECT_EQ(a.minus(parsed("4-8")).text(), "0-3,9");
  EXPECT_EQ(a.minus(parsed("0")).text(), "1-4,8-9");
  EXPECT_EQ(a.minus(parsed("5-7")).text(), "0-4,8-9");
  EXPECT_EQ(a.minus(parsed("2")).text(), "0-1,3-4,8-9");
  EXPECT_EQ(a.minus(parsed("1,3")).text(), "0,2,4,8-9");
  EXPECT_EQ(a.minus(parsed("0-4")).text(), "8-9");
  EXPECT_EQ(a.minus(parsed("0-9")).text(), "none");
  EXPECT_EQ(a.minus(BlockSet()).text(), "0-4,8-9");
  EXPECT_EQ(BlockSet::range(0, 12).minus(parsed("0-3,5-12")).text(), "4");
}

TEST(BlockSet, TextReadsBackAndAnythingElseIsRefused) {
  for (const std::string text : {"none", "0", "7", "0-9", "0-9,12,15-19", "3,5", "1-2,4-5"}) {
    BlockSet s;
    ASSERT_TRUE(BlockSet::parse(text, s)) << text;
    EXPECT_EQ(s.text(), text);
  }
  EXPECT_TRUE(parsed("none").empty());
  EXPECT_EQ(parsed("5-5").text(), "5");
  // Eighteen digits are a number, nineteen are not.
  EXPECT_EQ(parsed("123456789012345678").ranges().front().first, 123456789012345678);
  EXPECT_EQ(parsed("1-123456789012345678").ranges().front().last, 123456789012345678);
  for (const std::string bad : {"",
                                "None",
                                "-",
                                "-3",
                                "3-",
                                "4-3",
                                "3,",
                                ",3",
                                "3,,5",
                                "3;5",
                                "3 ",
                                " 3",
                                "3-5-7",
                                "1234567890123456789",
                                "1-1234567890123456789",
                                "0-2,3",
                                "0-2,2",
                                "5,3",
                                "0-4,2-6",
                                "3,3",
                                "x"}) {
    BlockSet s = BlockSet::range(0, 0);
    EXPECT_FALSE(BlockSet::parse(bad, s)) << "'" << bad << "'";
  }
  // A refused text leaves no blocks behind from before it.
  BlockSet s = BlockSet::range(0, 3);
  BlockSet::parse("x", s);
  EXPECT_FALSE(s.contains(0));
}
