// Openings that must fit together: a septum narrower than what it divides,
// and each element's opening overlapping the one it follows, so that a
// neutron can pass at all. Checked by readDescription once every value is
// read; "" for each rule that holds.
#pragma once

#include <string>
#include <vector>

#include "transport/description/read.h"

namespace tarn::description {

// One message per rule broken: "WHERE: KEY = VALUE ...: why".
std::vector<std::string> checkFit(const Description& d);

}  // namespace tarn::description
