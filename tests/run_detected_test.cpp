// The detected neutrons of --ntuple added block by block: the rows kept are
// the run's first in event order and the 2-D cells the same sums whatever
// the grouping and order of the blocks, cap or none; a record survives its
// encoding; records of another choice are refused.
#include <gtest/gtest.h>

#include <random>

#include "transport/event/catalogue.h"
#include "transport/run/detected.h"

namespace {

using tarn::DetectedRecord;
using tarn::NtupleChoice;

// A block's neutrons: `count` events of block `block`, some scattered, on
// both sides.
DetectedRecord block(std::int64_t b, int count, NtupleChoice choice, std::int64_t cap) {
  DetectedRecord r(choice, cap);
  r.startBlock(b);
  std::mt19937 rng(static_cast<unsigned>(b + 1));
  std::uniform_real_distribution<double> u(-3.0, 3.0);
  for (int i = 0; i < count; ++i) {
    tarn::DetectedNeutron n;
    n.event = b * 100000 + 1 + 7 * i;
    n.En = 2.0 + u(rng) / 4;
    n.detector = {n.En, u(rng), u(rng), 0.0, 0.01, 0.02};
    n.upIn.x = n.downOut.x = i % 3 == 0 ? -1.0 : 1.0;
    n.scatteredUp = i % 4 == 0;
    n.up.unscatteredPath = 41.6;
    n.totalRotation = 100.0 + 10 * u(rng);
    r.take(n);
  }
  return r;
}

std::vector<unsigned char> bytes(const DetectedRecord& r) {
  tarn::ByteWriter w;
  r.encode(w);
  return w.bytes();
}

}  // namespace

TEST(DetectedRecord, BlocksAddToTheSameRowsAndCellsInAnyGroupingAndOrder) {
  for (const NtupleChoice choice : {NtupleChoice::Detected, NtupleChoice::Scattered}) {
    for (const std::int64_t cap : {std::int64_t{1000000}, std::int64_t{15}, std::int64_t{1}}) {
      DetectedRecord inOrder;
      for (std::int64_t b = 0; b < 4; ++b) inOrder.add(block(b, 20, choice, cap));
      // Blocks 3 and 1 in one worker, 2 and 0 in another, handed over late first.
      DetectedRecord one, two, run;
      one.add(block(3, 20, choice, cap));
      one.add(block(1, 20, choice, cap));
      two.add(block(2, 20, choice, cap));
      two.add(block(0, 20, choice, cap));
      run.add(one);
      run.add(two);
      EXPECT_EQ(bytes(run), bytes(inOrder)) << static_cast<int>(choice) << " " << cap;
      const std::int64_t asked = choice == NtupleChoice::Detected ? 80 : 20;
      EXPECT_EQ(run.selected(), asked);
      EXPECT_EQ(static_cast<std::int64_t>(run.rows().size()), std::min(cap, asked));
      EXPECT_EQ(run.leftOut(), asked - std::min(cap, asked));
      EXPECT_EQ(run.rows().front().event, 1);  // the run's first, block 0
      // One block alone keeps no more rows than the cap either.
      const std::int64_t inBlock = choice == NtupleChoice::Detected ? 20 : 5;
      EXPECT_EQ(static_cast<std::int64_t>(block(0, 20, choice, cap).rows().size()), std::min(cap, inBlock)) << cap;
      EXPECT_EQ(run.results2d().at(0).entries, 80);  // every detected neutron, whatever the choice
      EXPECT_EQ(run.results2d().at(1).entries + run.results2d().at(2).entries, 80);
      tarn::ByteWriter w;
      run.encode(w);
      tarn::ByteReader in(w.bytes(), "test");
      EXPECT_EQ(bytes(DetectedRecord::decode(in)), bytes(run));
    }
  }
}

TEST(DetectedRecord, TheFileObjectsHoldTheRowsAndTheCells) {
  DetectedRecord r = block(0, 30, NtupleChoice::Scattered, 1000);
  const hbook::ColumnNtuple n = r.ntuple();
  EXPECT_EQ(n.id, tarn::hid::DETECTED_NTUPLE);
  EXPECT_EQ(n.entries, 8);  // i = 0, 4, ..., 28
  ASSERT_EQ(n.columns.size(), 13u);
  EXPECT_EQ(n.columns[0].name, "event");
  EXPECT_EQ(n.columns[0].doubles.at(1), 1.0 + 7 * 4);
  const std::vector<hbook::Histogram2D> h = r.histograms2d();
  ASSERT_EQ(h.size(), std::size(tarn::RESULTS_2D));
  float sum = 0;
  for (float c : h[0].cells) sum += c;
  EXPECT_EQ(sum, 30.0f);
  EXPECT_EQ(h[1].entries + h[2].entries, 30);
  EXPECT_EQ(h[2].entries, 10);  // the left side: i = 0, 3, ..., 27
}

TEST(DetectedRecord, RecordsOfAnotherChoiceOrCapAreRefused) {
  DetectedRecord a = block(0, 5, NtupleChoice::Detected, 100);
  EXPECT_THROW(a.add(block(1, 5, NtupleChoice::Scattered, 100)), std::runtime_error);
  EXPECT_THROW(a.add(block(1, 5, NtupleChoice::Detected, 10)), std::runtime_error);
  a.add(DetectedRecord());  // a run's part without neutrons recorded: nothing to add
  EXPECT_EQ(a.selected(), 5);
}

// The bytes of a record another process sent: the choice, the 2-D results
// and the rows kept each checked, refused in their own words where they stop.
TEST(DetectedRecord, DamagedBytesAreRefusedWhereTheyStop) {
  EXPECT_STREQ(tarn::ntupleChoiceName(NtupleChoice::Detected), "detected");
  EXPECT_STREQ(tarn::ntupleChoiceName(NtupleChoice::Scattered), "scattered");
  EXPECT_STREQ(tarn::ntupleChoiceName(NtupleChoice::None), "");
  // choice, rows cap, rows selected, the rows (13 words each), then the 2-D results.
  const auto record = [](std::uint64_t choice, std::int64_t maxRows, std::int64_t selected, int rows, int results,
                         bool cellsOfTheRun) {
    tarn::ByteWriter w;
    w.u64(choice);
    w.i64(maxRows);
    w.i64(selected);
    w.u64(static_cast<std::uint64_t>(rows));
    for (int i = 0; i < 13 * rows; ++i) w.u64(0);
    w.u64(static_cast<std::uint64_t>(results));
    for (int k = 0; k < results; ++k) {
      w.i64(0);
      const std::size_t cells = cellsOfTheRun && k < static_cast<int>(std::size(tarn::RESULTS_2D))
                                    ? static_cast<std::size_t>(tarn::RESULTS_2D[k].nx + 2) *
                                          static_cast<std::size_t>(tarn::RESULTS_2D[k].ny + 2)
                                    : 0;
      w.f64s(std::vector<double>(cells, 0.0));
    }
    return w.bytes();
  };
  const auto refusal = [](const std::vector<unsigned char>& b) -> std::string {
    tarn::ByteReader in(b, "rank 1");
    try {
      DetectedRecord::decode(in);
    } catch (const std::runtime_error& e) {
      return e.what();
    }
    return in.atEnd() ? "" : "bytes left over";
  };
  const int results = static_cast<int>(std::size(tarn::RESULTS_2D));
  EXPECT_EQ(refusal(record(0, 0, 0, 0, 0, true)), "");
  EXPECT_EQ(refusal(record(2, 10, 1, 1, results, true)), "");
  EXPECT_EQ(refusal(record(3, 10, 1, 1, results, true)), "rank 1: an unknown choice of ntuple at byte 8");
  EXPECT_EQ(refusal(record(1, 10, 0, 0, 1, true)), "rank 1: 2-D results that are not the run's at byte 40");
  EXPECT_EQ(refusal(record(1, 10, 0, 0, results + 1, true)), "rank 1: 2-D results that are not the run's at byte 40");
  EXPECT_EQ(refusal(record(1, 10, 0, 0, results, false)), "rank 1: 2-D results of another binning at byte 56");
  // At least as many selected as rows kept, and a cap of no rows at least.
  EXPECT_EQ(refusal(record(1, 10, 0, 1, 0, true)), "rank 1: a damaged ntuple record at byte 144");
  EXPECT_EQ(refusal(record(1, 10, 2, 1, 0, true)), "");
  EXPECT_EQ(refusal(record(1, -1, 0, 0, 0, true)), "rank 1: a damaged ntuple record at byte 40");
  // Rows that the bytes cannot hold.
  std::vector<unsigned char> cut = record(1, 10, 1, 1, 0, true);
  cut.resize(cut.size() - 9);
  EXPECT_EQ(refusal(cut), "rank 1: a count larger than the data at byte 32");
}
