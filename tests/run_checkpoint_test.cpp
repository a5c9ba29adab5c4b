// A checkpoint through its bytes: read back as written; a file longer or
// shorter than its header says, or whose done blocks are not of its run, is
// refused saying which. The checkpointer that cannot write says so in the
// log once, however often it tries. The worker pool tells a worker that
// ended between blocks from one that ended in the middle of one.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "hbook/memory/store.h"
#include "support/scratchdir.h"
#include "textout/console.h"
#include "transport/event/catalogue.h"
#include "transport/run/checkpoint.h"
#include "transport/run/digest.h"
#include "transport/run/encoding.h"
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

// A checkpoint file's bytes around `payload`: the magic, the version, the
// length given and the SHA-256 of everything before it.
tarn::Bytes framed(const tarn::Bytes& payload, std::uint64_t version = tarn::CHECKPOINT_VERSION) {
  tarn::ByteWriter out;
  const std::string magic = "TARNCKPT";
  out.bytes().insert(out.bytes().end(), magic.begin(), magic.end());
  out.u64(version);
  out.u64(payload.size());
  out.bytes().insert(out.bytes().end(), payload.begin(), payload.end());
  const std::string hex = tarn::sha256Hex(out.bytes().data(), out.bytes().size());
  tarn::Bytes bytes = out.bytes();
  for (std::size_t i = 0; i < hex.size(); i += 2)
    bytes.push_back(static_cast<unsigned char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}

TEST(Checkpoint, EachWayAFileIsNotACheckpointIsSaid) {
  const tarn::Bytes bytes = tarn::checkpointBytes(someCheckpoint());
  const tarn::Bytes payload(bytes.begin() + 24, bytes.end() - 32);
  EXPECT_EQ(bytes, framed(payload));  // the layout the header describes
  EXPECT_EQ(refusal(framed(payload)), "accepted");

  const std::string notOurs = "h41.checkpoint is not a checkpoint of tarn (it does not begin with TARNCKPT)";
  EXPECT_EQ(refusal({}), notOurs);
  EXPECT_EQ(refusal(tarn::Bytes(bytes.begin(), bytes.begin() + 7)), notOurs);
  tarn::Bytes other = bytes;
  other[7] = 'X';
  EXPECT_EQ(refusal(other), notOurs);
  EXPECT_EQ(refusal(tarn::Bytes(bytes.begin(), bytes.begin() + 8)),
            "h41.checkpoint is truncated: 8 bytes, not even its header");
  EXPECT_EQ(refusal(tarn::Bytes(bytes.begin(), bytes.begin() + 23)),
            "h41.checkpoint is truncated: 23 bytes, not even its header");
  EXPECT_EQ(refusal(tarn::Bytes(bytes.begin(), bytes.begin() + 24)),
            "h41.checkpoint is truncated: 24 bytes where its header says " + std::to_string(bytes.size()));

  EXPECT_EQ(refusal(framed(payload, tarn::CHECKPOINT_VERSION + 1)),
            "h41.checkpoint is of checkpoint format " + std::to_string(tarn::CHECKPOINT_VERSION + 1) +
                "; this tarn reads format " + std::to_string(tarn::CHECKPOINT_VERSION));
  EXPECT_EQ(refusal(framed(payload, tarn::CHECKPOINT_VERSION - 1)),
            "h41.checkpoint is of checkpoint format " + std::to_string(tarn::CHECKPOINT_VERSION - 1) +
                "; this tarn reads format " + std::to_string(tarn::CHECKPOINT_VERSION));

  // A length so large that the size it implies wraps round to the file's own.
  tarn::Bytes wrapped(bytes.begin(), bytes.begin() + 45);
  for (int i = 0; i < 8; ++i) wrapped[16 + i] = static_cast<unsigned char>((~std::uint64_t{10}) >> (8 * i));
  EXPECT_NE(refusal(wrapped).find(" bytes where its header says 45"), std::string::npos) << refusal(wrapped);

  const std::string damaged =
      "h41.checkpoint is damaged: its SHA-256 does not match its contents (edited or corrupted)";
  tarn::Bytes edited = bytes;
  edited[30] ^= 1;
  EXPECT_EQ(refusal(edited), damaged);
  edited = bytes;
  edited.back() ^= 0x80;
  EXPECT_EQ(refusal(edited), damaged);

  tarn::Bytes longer = payload;
  longer.push_back(0);
  EXPECT_EQ(refusal(framed(longer)), "h41.checkpoint holds more than a checkpoint of this format");
  const tarn::Bytes garbage(8, 0xFF);
  EXPECT_EQ(refusal(framed(garbage)).rfind("h41.checkpoint cannot be read although its digest matches: ", 0), 0u)
      << refusal(framed(garbage));
}

// The options line: items of KEY=VALUE split at the first '=' and at single
// blanks, anything without '=' passed over; a damaged run line is refused
// with its reason.
TEST(Checkpoint, TheOptionsLineIsReadItemByItem) {
  const auto withOptions = [](const std::string& run, const std::string& options) {
    tarn::ByteWriter payload;
    payload.text(run);
    payload.text(options);
    tarn::RunSums().encode(payload);
    return framed(payload.bytes());
  };
  const std::string run = "seed=41 events=1250000 sampler=auto blocks=0-12";
  const tarn::Checkpoint c = tarn::checkpointFromBytes(
      withOptions(run, "input-dir=/data/a b novalue  jobs=2 extra=a=b last="), "h41.checkpoint");
  EXPECT_EQ(c.options.get("input-dir"), "/data/a");
  EXPECT_EQ(c.options.get("jobs"), "2");
  EXPECT_EQ(c.options.get("extra"), "a=b");
  EXPECT_EQ(c.options.get("last"), "");
  EXPECT_EQ(c.options.text(), "input-dir=/data/a jobs=2 extra=a=b last=");
  EXPECT_EQ(tarn::checkpointFromBytes(withOptions(run, ""), "h41.checkpoint").options.text(), "");
  EXPECT_EQ(tarn::checkpointFromBytes(withOptions(run, "k=v"), "h41.checkpoint").options.get("k"), "v");
  EXPECT_EQ(refusal(withOptions("seed=41 events=0 blocks=0", "")),
            "h41.checkpoint cannot be read although its digest matches: the run record gives no events");
}

TEST(Checkpoint, AMissingFileOrFolderIsSaidWithTheSystemsReason) {
  testsupport::ScratchDir dir("checkpointfile");
  const std::string missing = (dir.path() / "h41.checkpoint").string();
  try {
    tarn::readCheckpoint(missing);
    ADD_FAILURE() << "read a missing checkpoint";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()), missing + ": cannot be read: No such file or directory");
  }
  const std::string beside = (dir.path() / "none" / "h41.checkpoint").string();
  try {
    tarn::writeCheckpoint(beside, someCheckpoint());
    ADD_FAILURE() << "wrote into a missing folder";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()), "cannot create a temporary file beside " + beside + ": No such file or directory");
  }
  tarn::writeCheckpoint(missing, someCheckpoint());
  EXPECT_EQ(tarn::readCheckpoint(missing).run.text(), someCheckpoint().run.text());
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 1)
      << "only the checkpoint itself is left";
}

// A checkpoint is due once checkpointEvery seconds have passed since the
// last (at exactly that, not before); without checkpoints, never.
TEST(Checkpoint, OneIsDueAtTheIntervalNotBefore) {
  testsupport::ScratchDir dir("checkpointdue");
  tarn::RunPlan plan;
  plan.run = tarn::RunIdentity(41, 1250000, "auto", tarn::BlockSet::range(0, 12));
  plan.checkpoints = true;
  plan.checkpointEvery = 60.0;
  plan.outputDir = dir.str();
  double now = 100.0;
  tarn::Checkpointer checkpointer(plan, nullptr, [&] { return now; });
  now = 159.999;
  EXPECT_FALSE(checkpointer.due());
  checkpointer.maybe(tarn::RunSums{});
  EXPECT_FALSE(std::filesystem::exists(plan.checkpointPath()));
  now = 160.0;
  EXPECT_TRUE(checkpointer.due());
  checkpointer.maybe(tarn::RunSums{});
  EXPECT_TRUE(std::filesystem::exists(plan.checkpointPath()));
  EXPECT_EQ(plan.checkpointPath(), (dir.path() / "h41.checkpoint").string());
  EXPECT_FALSE(checkpointer.due());  // counted again from the write
  now = 219.999;
  EXPECT_FALSE(checkpointer.due());
  now = 220.0;
  EXPECT_TRUE(checkpointer.due());
  plan.checkpoints = false;
  EXPECT_FALSE(checkpointer.due());
  EXPECT_FALSE(checkpointer.write(tarn::RunSums{}));
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
