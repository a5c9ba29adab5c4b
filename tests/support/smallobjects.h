// Small objects in memory for tests that write or show them: a profile of
// two bins with one entry in each.
#pragma once

#include <cstdint>

#include "hbook/objects/profile.h"

namespace testsupport {

// Profile `id` of 2 bins from 0 to 2, y from -1 to 1, with error option
// `errorStatus`: one entry of y = 1 in bin 1 and of y = 2 in bin 2.
inline hbook::Profile twoBinProfile(std::int32_t id, std::uint32_t errorStatus = 0) {
  hbook::Profile p;
  p.id = id;
  p.title = "p" + std::to_string(id);
  p.nx = 2;
  p.xmax = 2.0f;
  p.ymin = -1.0f;
  p.ymax = 1.0f;
  p.errorStatus = errorStatus;
  p.sumWY = {0.0f, 1.0f, 2.0f, 0.0f};
  p.sumWY2 = {1.0f, 4.0f};
  p.sumW = {1.0f, 1.0f};
  p.entries = 2;
  return p;
}

}  // namespace testsupport
