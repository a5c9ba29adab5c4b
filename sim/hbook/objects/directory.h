// Everything read from an HBOOK file, directory by directory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hbook/objects/histogram.h"
#include "hbook/objects/histogram2d.h"
#include "hbook/objects/ntuple.h"
#include "hbook/objects/profile.h"

namespace hbook {

enum class ObjectKind { Histogram1D, Histogram2D, Profile, RowNtuple, ColumnNtuple };

// "1D", "2D", "PROFILE", "RWN", "CWN"
const char* kindName(ObjectKind kind);
// "1-D histogram", "2-D histogram", "profile histogram", "row-wise ntuple", "column-wise ntuple"
const char* kindDescription(ObjectKind kind);

// One object of a directory: its kind, id and place in that kind's list.
struct ObjectRef {
  ObjectKind kind = ObjectKind::Histogram1D;
  std::int32_t id = 0;
  std::size_t index = 0;
};

struct Directory {
  std::string path;                         // "/" for the top directory, "/AA/BB" below it
  std::vector<std::string> subdirectories;  // names, in the order of the file
  std::vector<ObjectRef> objects;           // in directory (key) order
  std::vector<Histogram> histograms;        // 1-D
  std::vector<Histogram2D> histograms2d;
  std::vector<Profile> profiles;
  std::vector<RowNtuple> rowNtuples;
  std::vector<ColumnNtuple> columnNtuples;

  // The objects sorted by id (stable), as the package lists a directory.
  std::vector<ObjectRef> byId() const;
  // The first object with this id, or null.
  const ObjectRef* find(std::int32_t id) const;
  // Its shape: "200 bins 0..20", "10 x 8 bins 0..1 x 0..2", "9 variables x 2000 rows".
  std::string shape(const ObjectRef& ref) const;
  std::string title(const ObjectRef& ref) const;
  std::int64_t entries(const ObjectRef& ref) const;
};

}  // namespace hbook
