// Stop signals: while a run holds them, the first SIGTERM, SIGINT or SIGHUP
// is recorded for the run to act on, and the handlers before are given back
// after; each signal, and what became of the block it met, is named in the
// run's words.
#include <gtest/gtest.h>

#include <csignal>

#include "hbook/hbook.h"
#include "hbook/memory/store.h"
#include "transport/event/catalogue.h"
#include "transport/run/blockrunner.h"
#include "transport/run/exitstatus.h"
#include "transport/run/interrupt.h"
#include "transport/run/localrun.h"
#include "transport/run/progress.h"
#include "transport/run/runplan.h"
#include "support/scratchdir.h"

namespace {

volatile std::sig_atomic_t g_before = 0;
void before(int signal) { g_before = signal; }

TEST(StopSignals, TheFirstStopSignalIsRecordedAndTheHandlersBeforeComeBack) {
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
    std::signal(signal, before);
    g_before = 0;
    {
      tarn::StopSignals held;
      EXPECT_EQ(tarn::pendingStopSignal(), 0);
      std::raise(signal);
      EXPECT_EQ(tarn::pendingStopSignal(), signal);
      EXPECT_EQ(g_before, 0);  // not the handler from before
    }
    std::raise(signal);
    EXPECT_EQ(g_before, signal) << "the handler before comes back";
    std::signal(signal, SIG_DFL);
  }
}

TEST(StopSignals, EachSignalIsNamedAndEndsWith128PlusItsNumber) {
  EXPECT_STREQ(tarn::stopSignalName(SIGTERM), "SIGTERM");
  EXPECT_STREQ(tarn::stopSignalName(SIGINT), "SIGINT");
  EXPECT_STREQ(tarn::stopSignalName(SIGHUP), "SIGHUP");
  EXPECT_STREQ(tarn::stopSignalName(SIGUSR1), ("signal " + std::to_string(SIGUSR1)).c_str());
  EXPECT_EQ(tarn::signalStatus(SIGTERM), 128 + 15);
  EXPECT_EQ(tarn::signalStatus(SIGINT), 128 + 2);
}

// What the log says of the block a stop met: finished first, or dropped at
// the event it stopped before, with the time its rest would have needed.
TEST(StopSignals, TheBlockAStopMetIsNamedWithWhatBecameOfIt) {
  tarn::BlockOutcome finished;
  finished.completed = true;
  finished.signal = SIGTERM;
  EXPECT_EQ(tarn::stopNoteFor(3, finished), "block 3 was finished first");
  tarn::BlockOutcome dropped;
  dropped.signal = SIGINT;
  dropped.stoppedBefore = 300123;
  EXPECT_EQ(tarn::stopNoteFor(3, dropped),
            "block 3 was dropped at its event 300123 (its rest would have taken more than 5 s)");
}

// A stop that a run of several blocks meets between two blocks: nothing of
// the next block is run, and the log's line reads " Interrupted by SIGTERM
// (before block 4)" (the note in its brackets), not "block 4 was ..."
// of a block that was met.
TEST(StopSignals, AStopBetweenBlocksIsNamedBeforeTheNextBlock) {
  testsupport::ScratchDir dir("stopbetween");
  const std::int64_t events = 1250000;
  tarn::RunPlan plan;
  plan.run = tarn::RunIdentity(41, events, "auto", tarn::BlockSet::range(0, 12));
  plan.toRun = tarn::BlockSet::range(4, 7);
  plan.checkpoints = true;
  plan.outputDir = dir.str();
  tarn::BlockRunner runner(41, events, tarn::SamplerChoice::Automatic, nullptr);
  tarn::Checkpointer checkpointer(plan, nullptr, [] { return 0.0; });
  std::ostringstream progressOut;
  tarn::Progress progress(events, false, progressOut);
  tarn::Execution ex;
  {
    tarn::StopSignals held;
    std::raise(SIGTERM);
    ex = tarn::runBlocksHere(plan, runner, checkpointer, progress);
  }
  EXPECT_EQ(ex.signal, SIGTERM);
  EXPECT_EQ(ex.stopNote, "before block 4");
  EXPECT_EQ(ex.stoppedBefore, tarn::eventsOfBlock(events, 4).first);
  EXPECT_TRUE(ex.sums.blocks().empty());
  EXPECT_FALSE(std::filesystem::exists(plan.checkpointPath()));
  EXPECT_EQ(progressOut.str(), "");
}

}  // namespace

// A stop already there when a block would start: nothing of the block has
// run to tell how long the rest would take, so it is dropped at its first
// event whether or not it may be finished, and its fills are forgotten.
TEST(StopSignals, AStopBeforeABlocksFirstEventDropsTheBlock) {
  hbook::memory().clear();
  tarn::bookResultHistograms();
  for (const bool mayFinish : {true, false}) {
    hbook::Histogram& h = *hbook::memory().find(3001);
    HF1(3001, 0.25f, 2.0f);
    ASSERT_GT(h.entries, 0);
    tarn::BlockRunner runner(41, 250000, tarn::SamplerChoice::Automatic, nullptr);
    tarn::RunSums into;
    tarn::BlockOutcome outcome;
    {
      tarn::StopSignals held;
      std::raise(SIGHUP);
      outcome = runner.run(2, into, mayFinish, nullptr, 0, [] { return 0.0; });
    }
    EXPECT_EQ(outcome.signal, SIGHUP) << mayFinish;
    EXPECT_FALSE(outcome.completed) << mayFinish;
    EXPECT_EQ(outcome.stoppedBefore, 200001) << mayFinish;
    EXPECT_TRUE(into.blocks().empty()) << mayFinish;
    EXPECT_EQ(h.entries, 0) << mayFinish;
    EXPECT_EQ(h.statSumW, 0.0f) << mayFinish;
    for (float c : h.channels) EXPECT_EQ(c, 0.0f) << mayFinish;
  }
  hbook::memory().clear();
}
