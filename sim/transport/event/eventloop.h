// The event loop: one neutron from the start plane to the detector plane,
// through the stages of stages.h in order.
#pragma once

#include <cstdint>

#include "transport/event/runstate.h"

namespace tarn {

// Carry one neutron (event index `event`, 1-based) through the beamline.
void runEvent(std::int64_t event, RunState& state);

}  // namespace tarn
