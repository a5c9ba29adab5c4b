// The meeting of the ranks, through a stand-in for the ranks: a rank after
// the first hands rank 0 its sums with the lines it printed, and rank 0
// prints each rank's lines under " Console of rank r:". A stop already
// pending keeps any block from running, so no event is needed.
#include <gtest/gtest.h>

#include <csignal>

#include "textout/freeformat.h"
#include "transport/run/blockrunner.h"
#include "transport/run/interrupt.h"
#include "transport/run/parallel/rankrun.h"
#include "support/scratchdir.h"

namespace {

// Rank `rank` of two: the largest of the values is this rank's own, and
// the gather hands rank 0 `theirs` as rank 1's block and keeps what a
// rank 1 sends.
class TwoRanksHere : public tarn::RankGroup {
 public:
  TwoRanksHere(int rank, Bytes theirs) : rank_(rank), theirs_(std::move(theirs)) {}
  int rank() const override { return rank_; }
  int size() const override { return 2; }
  void broadcast(std::int64_t*, int) override {}
  std::int64_t largest(std::int64_t value) override { return value; }
  int gatherInOrder(const Bytes& mine, const std::function<void(int, const Bytes&)>& take) override {
    if (rank_ == 0) {
      take(1, theirs_);
    } else {
      sent = mine;
    }
    return 0;
  }
  void markStoppedTogether() override { stoppedTogether = true; }
  Bytes sent;
  bool stoppedTogether = false;

 private:
  int rank_;
  Bytes theirs_;
};

tarn::Execution meet(tarn::RankGroup& ranks, tarn::KeptConsole& kept, std::string& otherConsoles,
                     const std::string& dir) {
  const std::int64_t events = 500000;
  tarn::RunPlan plan;
  plan.run = tarn::RunIdentity(41, events, "auto", tarn::BlockSet::range(0, 4));
  plan.toRun = tarn::BlockSet::range(0, 4);
  plan.checkpoints = true;
  plan.outputDir = dir;
  tarn::BlockRunner runner(41, events, tarn::SamplerChoice::Automatic, nullptr);
  tarn::Checkpointer checkpointer(plan, nullptr, [] { return 0.0; });
  std::ostringstream progressOut;
  tarn::Progress progress(events, false, progressOut);
  tarn::StopSignals held;
  std::raise(SIGTERM);
  return tarn::runBlocksOnRanks(plan, ranks, runner, checkpointer, progress, kept, otherConsoles);
}

TEST(RankMeeting, TheLinesOfRankOneReachRankZeroUnderTheirHeading) {
  testsupport::ScratchDir dir("rankmeeting");
  TwoRanksHere one(1, {});
  std::string none;
  {
    tarn::KeptConsole kept(true);
    textout::print(textout::Line().text("a line of rank 1"));
    const tarn::Execution ex = meet(one, kept, none, dir.str());
    EXPECT_EQ(ex.signal, SIGTERM);
  }
  EXPECT_TRUE(one.stoppedTogether);
  EXPECT_EQ(none, "");
  ASSERT_FALSE(one.sent.empty());

  TwoRanksHere zero(0, one.sent);
  std::string otherConsoles;
  tarn::KeptConsole inactive(false);
  const tarn::Execution ex = meet(zero, inactive, otherConsoles, dir.str());
  EXPECT_EQ(ex.signal, SIGTERM);
  EXPECT_TRUE(ex.sums.blocks().empty());
  EXPECT_EQ(otherConsoles, " Console of rank 1:\n a line of rank 1\n");

  // A rank that printed nothing adds no heading.
  tarn::ByteWriter silent;
  tarn::RunSums().encode(silent);
  silent.text("");
  TwoRanksHere quiet(0, silent.bytes());
  std::string nothing;
  meet(quiet, inactive, nothing, dir.str());
  EXPECT_EQ(nothing, "");
}

}  // namespace
