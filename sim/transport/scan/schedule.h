// How a scan shares its job slots (--jobs J) among its points: as many
// points side by side as there are free slots, each given an equal share of
// them but never more than it has blocks left (a run uses at most one worker
// per block), the first ones the larger shares. So J = 4 runs four points of
// one block each at a time, and three points of 20 blocks on 16 slots take 6,
// 5 and 5 workers; a slot left over by a point with few blocks goes to the
// next, and the slots of a point that ends go to the next points waiting.
#pragma once

#include <cstdint>
#include <vector>

namespace tarn::scan {

struct Start {
  std::size_t waiting = 0;  // which of the waiting points (its place in `blocksLeft`)
  int jobs = 1;
};

// The points to start now, in order, with their jobs: `freeSlots` slots
// free, `blocksLeft` the blocks each waiting point has to run, in the order
// they are to start.
std::vector<Start> pointsToStart(int freeSlots, const std::vector<std::int64_t>& blocksLeft);

}  // namespace tarn::scan
