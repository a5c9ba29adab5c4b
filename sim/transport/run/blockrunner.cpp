#include "transport/run/blockrunner.h"

#include <string>

#include "hbook/memory/store.h"
#include "ranlux/blockstreams.h"
#include "ranlux/ranlux.h"
#include "textout/freeformat.h"
#include "transport/event/catalogue.h"
#include "transport/event/eventloop.h"
#include "transport/run/blocks.h"
#include "transport/run/interrupt.h"
#include "transport/run/runlog.h"

namespace tarn {

BlockRunner::BlockRunner(std::int64_t seed, std::int64_t events, SamplerChoice sampler, RunLog* log,
                         const Beamline& beamline, std::function<void(const DetectedNeutron&)> observer,
                         std::function<void(const TargetCall&)> targetObserver, DetectedRecord detected)
    : seed_(seed), events_(events), choice_(sampler), blockDetected_(std::move(detected)) {
  state_.log = log;
  state_.beamline = beamline;
  state_.observer = std::move(observer);
  state_.targetObserver = std::move(targetObserver);
}

void BlockRunner::startBlock(std::int64_t block) {
  // The event loop's run-level state as a run starts with it, the block's
  // counters from zero.
  RunState fresh;
  fresh.log = state_.log;
  fresh.beamline = state_.beamline;
  fresh.observer = std::move(state_.observer);
  fresh.targetObserver = std::move(state_.targetObserver);
  fresh.firstEvent = eventsOfBlock(events_, block).first;
  state_ = std::move(fresh);
  blockDetected_.clear();
  blockDetected_.startBlock(block);
  state_.detected = blockDetected_.active() ? &blockDetected_ : nullptr;
  // No copies of S(q) yet: the first event makes them without deleting any.
  for (std::int32_t id : WORKING_COPIES)
    if (hbook::memory().find(id)) hbook::memory().remove(id);

  if (block == 0)
    ranlux::RLUXGO(3, static_cast<std::int32_t>(seed_), 0, 0);
  else
    ranlux::startBlockStream(ranlux::runGenerator(), seed_, static_cast<std::uint64_t>(block),
                             ranlux::BlockStream::Physics);
  sampler_.startBlock(seed_, block, choice_);
}

BlockOutcome BlockRunner::run(std::int64_t block, RunSums& into, bool mayFinish, Progress* progress,
                              std::int64_t done, const std::function<double()>& clock) {
  startBlock(block);
  const EventSpan span = eventsOfBlock(events_, block);
  BlockOutcome outcome;
  const double started = clock();
  bool finishing = false;
  for (std::int64_t event = span.first; event <= span.last; ++event) {
    if (!finishing) {
      if (const int signal = pendingStopSignal()) {
        // Finish the block only when the rest of it is quick.
        const std::int64_t run = event - span.first;
        const double left = run > 0 ? (clock() - started) / static_cast<double>(run) *
                                          static_cast<double>(span.last - event + 1)
                                    : FINISH_WITHIN + 1.0;
        outcome.signal = signal;
        if (!mayFinish || left > FINISH_WITHIN) {
          outcome.stoppedBefore = event;
          RunSums::discardBlock();
          return outcome;
        }
        finishing = true;
      }
    }
    if (sampler_.beforeEvent())
      printAndLog(*state_.log, textout::Line().text(
                                   " The histogram sampler leaves RNDM before its numbers come round (period 2^30): "
                                   "from event " + std::to_string(event) + " on it draws from block 0's own RANLUX stream"));
    runEvent(event, state_);
    if (progress) progress->update(done + event - span.first + 1);
  }
  // The copies of S(q) kept for the block's events go back before the sums
  // are made, which can then take their place in the heap; a next block
  // makes them afresh (the same copies: only their storage is new).
  hbook::memory().dropKeptCopies();
  into.collectBlock(block, state_.counters, state_.nNoTransfer);
  into.detected.add(blockDetected_);
  outcome.completed = true;
  return outcome;
}

}  // namespace tarn
