#include "hbook/rz/writestop.h"

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstring>

namespace hbook {
namespace {

StopCheck g_check = nullptr;
void (*g_recordHook)(std::int64_t) = nullptr;

// The temporary name as a handler may read it: the bytes are complete
// before g_temporarySet says so.
char g_temporary[4096];
volatile std::sig_atomic_t g_temporarySet = 0;

}  // namespace

void setStopCheck(StopCheck check) { g_check = check; }

int stopRequested() { return g_check ? g_check() : 0; }

void removeTemporaryFile() noexcept {
  if (g_temporarySet) unlink(g_temporary);
}

void setRecordHook(void (*hook)(std::int64_t record)) { g_recordHook = hook; }

void setTemporaryFile(const char* path) noexcept {
  g_temporarySet = 0;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  if (!path || std::strlen(path) >= sizeof g_temporary) return;  // too long to keep: only the writer removes it
  std::memcpy(g_temporary, path, std::strlen(path) + 1);
  std::atomic_signal_fence(std::memory_order_seq_cst);
  g_temporarySet = 1;
}

void recordWritten(std::int64_t record) {
  if (g_recordHook) g_recordHook(record);
}

}  // namespace hbook
