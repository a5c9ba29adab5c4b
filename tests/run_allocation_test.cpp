// The event loop allocates no memory once the copies of S(q) it needs have
// been made: every operator new of the program is counted here.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <sstream>
#include <string>

#include "hbook/hbook.h"
#include "hbook/memory/store.h"
#include "ranlux/ranlux.h"
#include "textout/console.h"
#include "transport/event/catalogue.h"
#include "transport/event/eventloop.h"
#include "transport/event/runstate.h"
#include "transport/run/freshstart.h"

namespace {
std::size_t allocations = 0;
}  // namespace

void* operator new(std::size_t size) {
  ++allocations;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

TEST(RunAllocation, EventsThatMakeNoNewCopyRangeAllocateNothing) {
  std::ostringstream console;
  textout::setConsole(&console);
  tarn::startFresh();  // a fresh process
  HLIMIT(1000000);
  const std::string data = TARN_DATA_DIR;
  ASSERT_EQ(HRGET(100, data + "/lam.hbook", ""), hbook::FileStatus::Ok);
  ASSERT_EQ(HRGET(301, data + "/sq.hbook", ""), hbook::FileStatus::Ok);
  ranlux::RLUXGO(3, 763595, 0, 0);
  tarn::bookResultHistograms();
  tarn::RunState run;
  int eventsWithNewRanges = 0, eventsAllocating = 0;
  std::size_t allocationsForNewRanges = 0;
  std::string allocatingEvents;
  for (std::int32_t event = 1; event <= 20000; ++event) {
    const std::size_t ranges = hbook::memory().keptCopies();
    const std::size_t before = allocations;
    tarn::runEvent(event, run);
    if (hbook::memory().keptCopies() != ranges) {
      ++eventsWithNewRanges;
      allocationsForNewRanges += allocations - before;
    } else if (allocations != before) {
      if (++eventsAllocating <= 10) allocatingEvents += " " + std::to_string(event);
    }
  }
  textout::setConsole(nullptr);
  EXPECT_EQ(eventsAllocating, 0) << "events:" << allocatingEvents;
  // The run meets many of the 91 ranges, each once, and keeping one
  // allocates (so the counting works).
  EXPECT_GT(eventsWithNewRanges, 20);
  EXPECT_GE(allocationsForNewRanges, static_cast<std::size_t>(eventsWithNewRanges));
  EXPECT_LE(hbook::memory().keptCopies(), 91u);
  hbook::memory().clear();
}
