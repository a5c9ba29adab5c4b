#include "console.h"

#include <cstdlib>
#include <iostream>
#include <utility>

namespace textout {
namespace {
std::ostream* g_console = nullptr;
std::function<void()> g_cleanup;
}  // namespace

std::ostream& console() { return g_console ? *g_console : std::cout; }

void setConsole(std::ostream* out) { g_console = out; }

void setAbortCleanup(std::function<void()> cleanup) { g_cleanup = std::move(cleanup); }

void abortRun(int status) {
  console().flush();
  if (g_cleanup) g_cleanup();
  std::exit(status);
}

}  // namespace textout
