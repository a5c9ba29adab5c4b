#include "transport/run/parallel/workers.h"

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <stdexcept>

namespace tarn {
namespace {

// Whole reads and writes over a pipe, through interruptions by signals.
bool writeAll(int fd, const void* data, std::size_t size) {
  const auto* p = static_cast<const unsigned char*>(data);
  while (size > 0) {
    const ssize_t k = write(fd, p, size);
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0) return false;
    p += k;
    size -= static_cast<std::size_t>(k);
  }
  return true;
}

// 1 read, 0 end of the pipe before anything, -1 error or end in between.
int readAll(int fd, void* data, std::size_t size) {
  auto* p = static_cast<unsigned char*>(data);
  std::size_t got = 0;
  while (got < size) {
    const ssize_t k = read(fd, p + got, size - got);
    if (k < 0 && errno == EINTR) continue;
    if (k < 0) return -1;
    if (k == 0) return got == 0 ? 0 : -1;
    got += static_cast<std::size_t>(k);
  }
  return 1;
}

std::string describeStatus(int status) {
  if (WIFSIGNALED(status))
    return "killed by signal " + std::to_string(WTERMSIG(status)) + " (" + strsignal(WTERMSIG(status)) + ")";
  if (WIFEXITED(status)) return "exit status " + std::to_string(WEXITSTATUS(status));
  return "status " + std::to_string(status);
}

}  // namespace

int availableCores() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) != 0) return 1;
  const int n = CPU_COUNT(&set);
  return n > 0 ? n : 1;
}

WorkerPool::WorkerPool(int workers, Work work) {
  std::cout.flush();
  std::cerr.flush();
  std::fflush(nullptr);
  const pid_t parent = getpid();
  for (int w = 0; w < workers; ++w) {
    int toWorker[2], fromWorker[2];
    if (pipe2(toWorker, O_CLOEXEC) != 0 || pipe2(fromWorker, O_CLOEXEC) != 0)
      throw std::runtime_error(std::string("cannot make a pipe for a worker: ") + std::strerror(errno));
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error(std::string("cannot start a worker process: ") + std::strerror(errno));
    if (pid == 0) {
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (getppid() != parent) _exit(1);
      for (const Worker& other : workers_) {
        close(other.commands);
        close(other.results);
      }
      close(toWorker[1]);
      close(fromWorker[0]);
      serve(toWorker[0], fromWorker[1], work);
    }
    close(toWorker[0]);
    close(fromWorker[1]);
    Worker worker;
    worker.pid = pid;
    worker.commands = toWorker[1];
    worker.results = fromWorker[0];
    worker.alive = true;
    workers_.push_back(worker);
  }
}

void WorkerPool::serve(int commands, int results, const Work& work) {
  for (;;) {
    std::int64_t block = -1;
    if (readAll(commands, &block, sizeof block) != 1) _exit(0);
    bool stop = false;
    const Bytes bytes = work(block, stop);
    const std::uint64_t size = bytes.size();
    if (!writeAll(results, &size, sizeof size) || !writeAll(results, bytes.data(), bytes.size())) _exit(0);
    if (stop) _exit(0);
  }
}

WorkerPool::~WorkerPool() {
  for (int w = 0; w < size(); ++w) release(w);
  for (Worker& worker : workers_) {
    if (worker.pid <= 0) continue;
    int status = 0;
    // A worker gets a moment to end after its pipe closed.
    for (int tries = 0; tries < 200; ++tries) {
      if (waitpid(worker.pid, &status, WNOHANG) != 0) {
        worker.pid = -1;
        break;
      }
      usleep(10000);
    }
    if (worker.pid > 0) {
      kill(worker.pid, SIGKILL);
      waitpid(worker.pid, &status, 0);
    }
    if (worker.results >= 0) close(worker.results);
  }
}

bool WorkerPool::anyAlive() const {
  for (const Worker& w : workers_)
    if (w.alive) return true;
  return false;
}

bool WorkerPool::anyBusy() const {
  for (const Worker& w : workers_)
    if (w.alive && w.block >= 0) return true;
  return false;
}

void WorkerPool::give(int w, std::int64_t block) {
  Worker& worker = workers_[w];
  worker.block = block;
  if (!writeAll(worker.commands, &block, sizeof block)) {
    // It has gone; wait() reports how.
  }
}

void WorkerPool::release(int w) {
  Worker& worker = workers_[w];
  if (worker.commands >= 0) close(worker.commands);
  worker.commands = -1;
}

void WorkerPool::signalAll(int signal) {
  for (const Worker& w : workers_)
    if (w.alive) kill(w.pid, signal);
}

WorkerPool::Event WorkerPool::ended(int w) {
  Worker& worker = workers_[w];
  Event e;
  e.worker = w;
  e.pid = worker.pid;
  e.block = worker.block;
  int status = 0;
  waitpid(worker.pid, &status, 0);
  worker.pid = -1;
  worker.alive = false;
  close(worker.results);
  worker.results = -1;
  release(w);
  const bool clean = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  e.kind = clean && worker.block < 0 ? Event::Ended : Event::Died;
  e.why = clean ? "ended without sending the results of its block" : describeStatus(status);
  return e;
}

WorkerPool::Event WorkerPool::wait(int timeoutMs) {
  std::vector<pollfd> fds;
  std::vector<int> which;
  for (int w = 0; w < size(); ++w)
    if (workers_[w].alive) {
      fds.push_back({workers_[w].results, POLLIN, 0});
      which.push_back(w);
    }
  Event none;
  if (fds.empty()) return none;
  const int ready = poll(fds.data(), fds.size(), timeoutMs);
  if (ready <= 0) return none;
  for (std::size_t i = 0; i < fds.size(); ++i) {
    if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
    const int w = which[i];
    Worker& worker = workers_[w];
    std::uint64_t size = 0;
    const int got = readAll(worker.results, &size, sizeof size);
    if (got != 1) return ended(w);
    Event e;
    e.kind = Event::Result;
    e.worker = w;
    e.block = worker.block;
    e.bytes.resize(size);
    if (readAll(worker.results, e.bytes.data(), size) != 1) return ended(w);
    worker.block = -1;
    return e;
  }
  return none;
}

}  // namespace tarn
