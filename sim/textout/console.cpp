#include "textout/console.h"

#include <cstdio>
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

bool consoleWritten() {
  std::ostream& out = console();
  out.flush();
  bool ok = !out.fail();
  if (&out == &std::cout && (std::fflush(stdout) != 0 || std::ferror(stdout))) ok = false;
  return ok;
}

void setAbortCleanup(std::function<void()> cleanup) { g_cleanup = std::move(cleanup); }

void abortRun(int status) {
  console().flush();
  if (g_cleanup) g_cleanup();
  std::exit(status);
}

}  // namespace textout
