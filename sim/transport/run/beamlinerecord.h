// What tarn's files and logs say about their beamline, and how two of them
// are compared before their runs are added: a run's record carries the
// beamline's digest (`beamline=` in the run line) and each value that
// differs from the shipped beamline, as the log shows it ("cells.length",
// "30 cm"). A file or a log that carries neither is of the shipped beamline:
// tarn gives the file of every other beamline a record (filerecord.h), and
// its log lists the values (description/summary.h).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "transport/event/geometry.h"

namespace tarn {

// (key, value as shown with its unit), in key order.
using BeamlineValues = std::vector<std::pair<std::string, std::string>>;

// The values of `b` that differ from the shipped beamline.
BeamlineValues beamlineValues(const Beamline& b);

// The digest of the shipped beamline (description/summary.h).
std::string shippedBeamlineDigest();

// The beamline of a file or log, for comparing: its digest ("" means the
// shipped one) and its values.
struct BeamlineOf {
  std::string name;  // the file or log
  std::string digest;
  BeamlineValues values;
};

// "" when the two are of one beamline; otherwise why they may not be added:
//   a.hbook and b.hbook are runs of different beamlines: cells.length = 30 cm
//   in a.hbook, 41.6 cm (shipped) in b.hbook: only runs of one beamline are added
std::string differentBeamlines(const BeamlineOf& a, const BeamlineOf& b);

}  // namespace tarn
