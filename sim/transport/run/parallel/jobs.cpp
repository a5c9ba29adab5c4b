#include "transport/run/parallel/jobs.h"

#include <map>
#include <sstream>
#include <string>

#include "textout/console.h"
#include "textout/freeformat.h"
#include "transport/run/interrupt.h"
#include "transport/run/localrun.h"
#include "transport/run/parallel/workers.h"
#include "transport/run/runlog.h"

namespace tarn {
namespace {

// How long the run waits for its workers after a stop before it ends them.
constexpr double STOP_GRACE = BlockRunner::FINISH_WITHIN + 25.0;  // s

struct BlockMessage {
  BlockOutcome outcome;
  RunSums sums;
  std::string console, log;
};

Bytes encodeMessage(const BlockMessage& m) {
  ByteWriter out;
  out.u64(m.outcome.completed ? 1 : 0);
  out.i64(m.outcome.signal);
  out.i64(m.outcome.stoppedBefore);
  m.sums.encode(out);
  out.text(m.console);
  out.text(m.log);
  return std::move(out.bytes());
}

BlockMessage decodeMessage(const Bytes& bytes) {
  ByteReader in(bytes, "a worker's results");
  BlockMessage m;
  m.outcome.completed = in.u64() != 0;
  m.outcome.signal = static_cast<int>(in.i64());
  m.outcome.stoppedBefore = in.i64();
  m.sums = RunSums::decode(in);
  m.console = in.text();
  m.log = in.text();
  return m;
}

std::string kept(const std::string& s) {
  if (s.size() <= MOST_BLOCK_CONSOLE) return s;
  return s.substr(0, MOST_BLOCK_CONSOLE) + "\n ... " + std::to_string(s.size() - MOST_BLOCK_CONSOLE) + " more bytes\n";
}

// The blocks to run, one after another.
class BlockCursor {
 public:
  explicit BlockCursor(const BlockSet& blocks) : blocks_(blocks) {}
  bool more() const { return range_ < blocks_.ranges().size(); }
  std::int64_t next() {
    const BlockRange& r = blocks_.ranges()[range_];
    const std::int64_t b = r.first + offset_;
    if (++offset_ >= r.count()) ++range_, offset_ = 0;
    return b;
  }
  std::int64_t peek() const { return blocks_.ranges()[range_].first + offset_; }

 private:
  const BlockSet& blocks_;
  std::size_t range_ = 0;
  std::int64_t offset_ = 0;
};

}  // namespace

Execution runBlocksInWorkers(const RunPlan& plan, int workers, BlockRunner& runner, RunLog& log,
                             Checkpointer& checkpointer, Progress& progress) {
  Execution ex;
  ex.sums = plan.done;

  // In a worker: its console and log lines are kept for the run to write.
  std::ostringstream console;
  std::string logLines;
  bool setUp = false;
  WorkerPool::Work work = [&](std::int64_t block, bool& stop) {
    if (!setUp) {
      textout::setConsole(&console);
      log.keepLinesIn(&logLines);
      recordStopSignalsOnly();
      setUp = true;
    }
    BlockMessage m;
    m.outcome = runner.run(block, m.sums, true, nullptr, 0);
    m.console = kept(console.str());
    m.log = logLines;
    console.str("");
    logLines.clear();
    stop = m.outcome.signal != 0 || pendingStopSignal() != 0;
    return encodeMessage(m);
  };
  WorkerPool pool(workers, work);

  BlockCursor next(plan.toRun), toWrite(plan.toRun);
  std::map<std::int64_t, std::pair<std::string, std::string>> waiting;  // lines of blocks done out of order
  auto writeLines = [&](const std::pair<std::string, std::string>& lines) {
    progress.clear();
    textout::console() << lines.first;
    std::istringstream in(lines.second);
    for (std::string line; std::getline(in, line);) log.write(line);
  };
  auto writeInOrder = [&] {
    while (toWrite.more()) {
      auto it = waiting.find(toWrite.peek());
      if (it == waiting.end()) return;
      writeLines(it->second);
      waiting.erase(it);
      toWrite.next();
    }
  };

  const std::int64_t events = plan.run.events();
  std::int64_t done = 0;
  bool stopping = false;
  double stopAt = 0.0;
  auto stop = [&](int signal) {
    if (stopping) return;
    stopping = true;
    stopAt = steadySeconds();
    pool.signalAll(signal);
    for (int w = 0; w < pool.size(); ++w)
      if (pool.idle(w)) pool.release(w);
  };
  for (int w = 0; w < pool.size(); ++w) {
    if (next.more())
      pool.give(w, next.next());
    else
      pool.release(w);
  }
  while (pool.anyAlive()) {
    if (const int signal = pendingStopSignal(); signal && !stopping) {
      ex.signal = signal;
      stop(signal);
    }
    if (stopping && steadySeconds() - stopAt > STOP_GRACE) break;  // the pool ends them
    WorkerPool::Event e = pool.wait(100);
    if (e.kind == WorkerPool::Event::Died) {
      progress.clear();
      const std::string what = "worker " + std::to_string(e.worker + 1) + " (process " + std::to_string(e.pid) +
                               ") ended, " + e.why + (e.block >= 0 ? ", while running block " + std::to_string(e.block) : "");
      if (ex.failure.empty()) ex.failure = what;
      stop(SIGTERM);
      continue;
    }
    if (e.kind != WorkerPool::Event::Result) continue;
    const BlockMessage m = decodeMessage(e.bytes);
    if (m.outcome.completed) {
      ex.sums.add(m.sums);
      done += eventsOfBlock(events, e.block).count();
      progress.update(done);
      checkpointer.maybe(ex.sums);
    }
    if (m.outcome.signal) {
      if (ex.stopNote.empty()) ex.stopNote = stopNoteFor(e.block, m.outcome);
      if (!ex.signal) ex.signal = m.outcome.signal;
      stop(m.outcome.signal);
    }
    waiting[e.block] = {m.console, m.log};
    writeInOrder();
    if (stopping || !next.more())
      pool.release(e.worker);
    else
      pool.give(e.worker, next.next());
  }
  for (const auto& [block, lines] : waiting) writeLines(lines);
  return ex;
}

}  // namespace tarn
