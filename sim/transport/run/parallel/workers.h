// Worker processes of a run on one machine (tarn --jobs J): forked from
// the run after its start-up, so that each starts with the inputs loaded
// and the histograms booked, and no MPI library is involved.
//
// The run hands each worker one block at a time over a pipe and reads the
// block's results back over another: a message of a length (u64) and the
// bytes the worker's function made. A worker ends when its command pipe is
// closed, and dies with the run (PR_SET_PDEATHSIG). A worker that ends
// without sending what it was asked for, or by a signal, is reported by
// the pool as dead, with what the system says about it.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "transport/run/encoding.h"

namespace tarn {

class WorkerPool {
 public:
  // What a worker does with a block: the bytes to send back. `stop` is set
  // when the worker should end after sending them (a stop signal).
  using Work = std::function<Bytes(std::int64_t block, bool& stop)>;

  // Forks `workers` processes running `work` (standard output and error
  // flushed first, so that nothing buffered is written twice).
  WorkerPool(int workers, Work work);
  ~WorkerPool();  // ends the workers that are left (closing their pipes, then SIGKILL)
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  int size() const { return static_cast<int>(workers_.size()); }
  bool idle(int w) const { return workers_[w].alive && workers_[w].block < 0; }
  bool alive(int w) const { return workers_[w].alive; }
  std::int64_t blockOf(int w) const { return workers_[w].block; }
  pid_t pid(int w) const { return workers_[w].pid; }
  bool anyAlive() const;
  bool anyBusy() const;

  // Gives worker w block b.
  void give(int w, std::int64_t block);
  // The worker's command pipe closes: it ends after what it is doing.
  void release(int w);
  // Sends a signal to every worker still running.
  void signalAll(int signal);

  struct Event {
    enum Kind { None, Result, Ended, Died } kind = None;
    int worker = -1;
    pid_t pid = -1;
    std::int64_t block = -1;  // the block it was running
    Bytes bytes;              // Result: what it sent
    std::string why;          // Died: "killed by signal 9 (Killed)", "exit status 1"
  };
  // Waits up to `timeoutMs` for a worker to send a result or to end; a
  // stop signal ends the wait early (Kind None).
  Event wait(int timeoutMs);

 private:
  struct Worker {
    pid_t pid = -1;
    int commands = -1, results = -1;
    std::int64_t block = -1;
    bool alive = false;
  };
  [[noreturn]] void serve(int commands, int results, const Work& work);
  Event ended(int w);

  std::vector<Worker> workers_;
};

// The cores this process may run on (its CPU affinity), at least 1.
int availableCores();

}  // namespace tarn
