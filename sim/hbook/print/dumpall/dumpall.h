// Text dump of every object of an HBOOK file, line for line in the layout of
// the dumps the package itself makes of 2-D histograms, profiles, ntuples and
// subdirectories: every directory breadth first, its objects by id, reals as
// G16.8 with their bits in hex. Every ntuple row is printed. Only the
// READER line differs from the package's dumps (it names this reader).
#pragma once

#include <ostream>
#include <string>

#include "hbook/rz/reader.h"

namespace hbook {

void dumpAll(std::ostream& out, const std::string& path, const ReadResult& file);

// One object, from the OBJECT line to the END line.
void dumpObject(std::ostream& out, const Directory& dir, const ObjectRef& ref);

}  // namespace hbook
