// A checkpoint through its bytes: read back as written; a file longer or
// shorter than its header says, or whose done blocks are not of its run, is
// refused saying which. The checkpointer that cannot write says so in the
// log once, however often it tries. The worker pool tells a worker that
// ended between blocks from one that ended in the middle of one.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "hbook/memory/store.h"
#include "support/scratchdir.h"
#include "textout/console.h"
#include "transport/event/catalogue.h"
#include "transport/run/checkpoint.h"
#include "transport/run/parallel/workers.h"
#include "transport/run/runlog.h"
#include "transport/run/runplan.h"

namespace {

tarn::Checkpoint someCheckpoint() {
  tarn::Checkpoint c;
  c.run = tarn::RunIdentity(41, 1250000, "auto", tarn::BlockSet::range(0, 12));
  c.options.set("input-dir", "/data/tarn");
  return c;
}

std::string refusal(const tarn::Bytes& bytes) {
  try {
    tarn::checkpointFromBytes(bytes, "h41.checkpoint");
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "accepted";
}

// The next event of the pool that is not a timeout.
tarn::WorkerPool::Event nextEvent(tarn::WorkerPool& pool) {
  for (int tries = 0; tries < 60; ++tries) {
    tarn::WorkerPool::Event e = pool.wait(1000);
    if (e.kind != tarn::WorkerPool::Event::None) return e;
  }
  return {};
}

}  // namespace

TEST(Checkpoint, ItsBytesReadBackAndALengthOtherThanTheHeadersIsRefused) {
  const tarn::Bytes bytes = tarn::checkpointBytes(someCheckpoint());
  const tarn::Checkpoint back = tarn::checkpointFromBytes(bytes, "h41.checkpoint");
  EXPECT_EQ(back.run.text(), someCheckpoint().run.text());
  EXPECT_EQ(back.options.get("input-dir"), "/data/tarn");

  tarn::Bytes longer = bytes;
  longer.push_back(0);
  EXPECT_NE(refusal(longer).find("h41.checkpoint is longer than its header says: " + std::to_string(bytes.size() + 1) +
                                 " bytes where its header says " + std::to_string(bytes.size())),
            std::string::npos)
      << refusal(longer);
  const tarn::Bytes shorter(bytes.begin(), bytes.end() - 1);
  EXPECT_NE(refusal(shorter).find("h41.checkpoint is truncated: "), std::string::npos) << refusal(shorter);

  // Blocks done: those of the run are taken, others refused.
  hbook::memory().clear();
  tarn::bookResultHistograms();
  tarn::Checkpoint fifth = someCheckpoint();
  fifth.done.collectBlock(5, tarn::Counters{}, 0);
  EXPECT_EQ(tarn::checkpointFromBytes(tarn::checkpointBytes(fifth), "h41.checkpoint").done.blocks().text(), "5");
  fifth.run.setBlocks(tarn::BlockSet::range(0, 1));
  EXPECT_EQ(refusal(tarn::checkpointBytes(fifth)), "h41.checkpoint says blocks 5 are done, which are not blocks of its run");
  hbook::memory().clear();
}

TEST(Checkpoint, OneThatCannotBeWrittenIsSaidOnceInTheLog) {
  testsupport::ScratchDir dir("checkpointer");
  const std::string notADirectory = (dir.path() / "file").string();
  std::ofstream(notADirectory) << "in the way\n";
  tarn::RunPlan plan;
  plan.run = tarn::RunIdentity(41, 1250000, "auto", tarn::BlockSet::range(0, 12));
  plan.checkpoints = true;
  plan.outputDir = notADirectory;
  std::string kept;
  tarn::RunLog log;
  log.keepLinesIn(&kept);
  std::ostringstream console;
  textout::setConsole(&console);
  tarn::Checkpointer checkpointer(plan, &log, [] { return 0.0; });
  EXPECT_FALSE(checkpointer.write(tarn::RunSums{}));
  EXPECT_FALSE(checkpointer.write(tarn::RunSums{}));
  textout::setConsole(nullptr);
  const std::string said = " The checkpoint could not be written: ";
  EXPECT_NE(kept.find(said), std::string::npos) << kept;
  EXPECT_EQ(kept.find(said), kept.rfind(said)) << kept;
  EXPECT_EQ(console.str().find(said), console.str().rfind(said));
}

TEST(WorkerPool, AWorkerThatEndsInTheMiddleOfABlockHasDied) {
  tarn::WorkerPool pool(1, [](std::int64_t block, bool&) {
    if (block == 1) _exit(0);  // a clean end, without the block's results
    return tarn::Bytes{static_cast<unsigned char>(10 + block)};
  });
  pool.give(0, 0);
  tarn::WorkerPool::Event e = nextEvent(pool);
  ASSERT_EQ(e.kind, tarn::WorkerPool::Event::Result);
  EXPECT_EQ(e.block, 0);
  EXPECT_EQ(e.bytes, tarn::Bytes{10});
  pool.give(0, 1);
  e = nextEvent(pool);
  EXPECT_EQ(e.kind, tarn::WorkerPool::Event::Died);
  EXPECT_EQ(e.block, 1);
  EXPECT_EQ(e.why, "ended without sending the results of its block");
}

TEST(WorkerPool, OneReleasedBetweenBlocksEndsAndOneKilledHasDied) {
  tarn::WorkerPool pool(2, [](std::int64_t block, bool&) { return tarn::Bytes{static_cast<unsigned char>(block)}; });
  pool.release(0);
  tarn::WorkerPool::Event e = nextEvent(pool);
  EXPECT_EQ(e.kind, tarn::WorkerPool::Event::Ended);
  EXPECT_EQ(e.worker, 0);
  EXPECT_FALSE(pool.alive(0));
  ASSERT_TRUE(pool.alive(1));
  kill(pool.pid(1), SIGKILL);
  e = nextEvent(pool);
  EXPECT_EQ(e.kind, tarn::WorkerPool::Event::Died);
  EXPECT_EQ(e.worker, 1);
  EXPECT_EQ(e.why, "killed by signal 9 (Killed)");
  EXPECT_FALSE(pool.anyAlive());
}
