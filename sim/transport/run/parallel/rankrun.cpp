#include "transport/run/parallel/rankrun.h"

#include "transport/run/interrupt.h"
#include "transport/run/localrun.h"

namespace tarn {

Execution runBlocksOnRanks(const RunPlan& plan, RankGroup& ranks, BlockRunner& runner, Checkpointer& checkpointer,
                           Progress& progress, KeptConsole& keptConsole, std::string& otherConsoles) {
  const bool root = ranks.rank() == 0;
  Execution ex;
  if (root) ex.sums = plan.done;
  RunSums pending;  // this rank's blocks since the last meeting
  const std::int64_t events = plan.run.events();
  const std::int64_t rounds = roundsOf(plan.toRun, ranks.size());
  std::int64_t done = 0;
  int stopSeen = 0;
  for (std::int64_t round = 0; round < rounds; ++round) {
    const std::int64_t block = blockOfRound(plan.toRun, ranks.size(), ranks.rank(), round);
    if (stopSeen == 0) stopSeen = pendingStopSignal();
    if (block >= 0 && stopSeen == 0) {
      const BlockOutcome outcome = runner.run(block, pending, plan.checkpoints, root ? &progress : nullptr, done);
      done += eventsOfBlock(events, block).count();
      if (outcome.signal) {
        stopSeen = outcome.signal;
        if (root) ex.stopNote = stopNoteFor(block, outcome);
      }
    }
    const bool last = round == rounds - 1;
    if ((round + 1) % SYNC_ROUNDS != 0 && !last) continue;
    const bool due = root && checkpointer.due();
    const std::int64_t met = ranks.largest(2 * static_cast<std::int64_t>(stopSeen) + (due ? 1 : 0));
    const int signal = static_cast<int>(met / 2);
    if (signal == 0 && met % 2 == 0 && !last) continue;

    // Every rank's blocks since the last meeting to rank 0.
    ByteWriter mine;
    if (!root) {
      pending.encode(mine);
      mine.text(keptConsole.kept());
      keptConsole.forgetStartUp();
    }
    const int interrupted = ranks.gatherInOrder(mine.bytes(), [&](int rank, const Bytes& bytes) {
      ByteReader in(bytes, "the results of rank " + std::to_string(rank));
      ex.sums.add(RunSums::decode(in));
      const std::string lines = in.text();
      if (!lines.empty()) otherConsoles += " Console of rank " + std::to_string(rank) + ":\n" + lines;
    });
    if (root) ex.sums.add(pending);
    pending = RunSums();
    if (signal || interrupted) {
      ex.signal = signal ? signal : interrupted;
      if (signal) ranks.markStoppedTogether();
      return ex;
    }
    if (root && met % 2 == 1) checkpointer.write(ex.sums);
  }
  return ex;
}

}  // namespace tarn
