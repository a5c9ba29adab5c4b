#include "transport/run/parallel/mpiranks.h"

#include <mpi.h>
#include <sched.h>

#include <ctime>

#include "transport/run/interrupt.h"

namespace tarn {
namespace {

// Tries of a request before the wait for it starts to sleep between tries,
// and the sleep.
constexpr int SPIN_TRIES = 2000;
constexpr long SLEEP_NS = 200000;

constexpr int SIZE_TAG = 1, DATA_TAG = 2;

// Waits for the request, looking for a stop signal meanwhile: 0 when it
// completed, else the signal (the request is left).
// A stop signal already pending when the exchange began does not end it
// (the ranks stop together, after handing over their results).
int waitFor(MPI_Request& request, int pendingBefore) {
  for (int tries = 0;; ++tries) {
    int done = 0;
    MPI_Test(&request, &done, MPI_STATUS_IGNORE);
    if (done) return 0;
    if (const int signal = pendingStopSignal(); signal && !pendingBefore) return signal;
    if (tries < SPIN_TRIES) {
      sched_yield();
    } else {
      const timespec pause{0, SLEEP_NS};
      nanosleep(&pause, nullptr);
    }
  }
}

}  // namespace

MpiRanks::MpiRanks(int* argc, char*** argv) {
  MPI_Init(argc, argv);
  MPI_Comm_rank(MPI_COMM_WORLD, &rank_);
  MPI_Comm_size(MPI_COMM_WORLD, &size_);
}

void MpiRanks::broadcast(std::int64_t* values, int count) {
  MPI_Bcast(values, count, MPI_INT64_T, 0, MPI_COMM_WORLD);
}

std::int64_t MpiRanks::largest(std::int64_t value) {
  std::int64_t result = value;
  MPI_Allreduce(&value, &result, 1, MPI_INT64_T, MPI_MAX, MPI_COMM_WORLD);
  return result;
}

int MpiRanks::gatherInOrder(const Bytes& mine, const std::function<void(int rank, const Bytes& block)>& take) {
  const int before = pendingStopSignal();
  if (rank_ != 0) {
    // The size first, then the block; both buffers live until sent.
    const unsigned long long size = mine.size();
    MPI_Request request;
    MPI_Isend(&size, 1, MPI_UNSIGNED_LONG_LONG, 0, SIZE_TAG, MPI_COMM_WORLD, &request);
    if (const int signal = waitFor(request, before)) return signal;
    MPI_Isend(mine.data(), static_cast<int>(mine.size()), MPI_UNSIGNED_CHAR, 0, DATA_TAG, MPI_COMM_WORLD, &request);
    return waitFor(request, before);
  }
  Bytes block;
  for (int from = 1; from < size_; ++from) {
    unsigned long long size = 0;
    MPI_Request request;
    MPI_Irecv(&size, 1, MPI_UNSIGNED_LONG_LONG, from, SIZE_TAG, MPI_COMM_WORLD, &request);
    if (const int signal = waitFor(request, before)) return signal;
    block.resize(size);
    MPI_Irecv(block.data(), static_cast<int>(size), MPI_UNSIGNED_CHAR, from, DATA_TAG, MPI_COMM_WORLD, &request);
    if (const int signal = waitFor(request, before)) return signal;
    take(from, block);
  }
  return 0;
}

int MpiRanks::finish(int status) {
  if (status >= 128 && !stoppedTogether_) MPI_Abort(MPI_COMM_WORLD, status);
  MPI_Finalize();
  return status;
}

std::string MpiRanks::libraryVersion() {
  char text[MPI_MAX_LIBRARY_VERSION_STRING];
  int length = 0;
  MPI_Get_library_version(text, &length);
  std::string s(text, static_cast<std::size_t>(length));
  const std::size_t end = s.find_first_of(",\n");
  return end == std::string::npos ? s : s.substr(0, end);
}

}  // namespace tarn
