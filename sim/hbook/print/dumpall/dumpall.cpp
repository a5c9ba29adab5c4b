// The file and directory lines of the dump, and the dispatch to the kinds.
#include "hbook/print/dumpall/dumpall.h"

#include "hbook/print/dumpall/dumpers.h"
#include "hbook/print/dumpall/fortran.h"

namespace hbook {

using fortran::i;

namespace dump {

void objectHeader(std::ostream& out, const std::string& path, std::int32_t id, const char* kind, bool table) {
  out << "OBJECT " << path << i(id, 13) << "\n";
  out << "KIND " << kind << "\n";
  if (table) out << "TABLE yes (KBITS bit 3, booked as a table: HKIND returns 3)\n";
}

void title(std::ostream& out, const std::string& t, bool words) {
  out << "TITLE \"" << t << "\"\n";
  if (words) out << "TITLE_WORDS" << i(static_cast<std::int64_t>((t.size() + 3) / 4), 4) << "\n";
}

void end(std::ostream& out, std::int32_t id) { out << "END" << i(id, 13) << "\n \n"; }

}  // namespace dump

void dumpObject(std::ostream& out, const Directory& dir, const ObjectRef& ref) {
  switch (ref.kind) {
    case ObjectKind::Histogram1D: dump::histogram1D(out, dir.path, dir.histograms[ref.index]); break;
    case ObjectKind::Histogram2D: dump::histogram2D(out, dir.path, dir.histograms2d[ref.index]); break;
    case ObjectKind::Profile: dump::profile(out, dir.path, dir.profiles[ref.index]); break;
    case ObjectKind::RowNtuple: dump::rowNtuple(out, dir.path, dir.rowNtuples[ref.index]); break;
    case ObjectKind::ColumnNtuple: dump::columnNtuple(out, dir.path, dir.columnNtuples[ref.index]); break;
  }
}

void dumpAll(std::ostream& out, const std::string& path, const ReadResult& file) {
  const std::size_t slash = path.find_last_of('/');
  out << "FILE " << (slash == std::string::npos ? path : path.substr(slash + 1)) << "\n";
  out << "READER tarn hbook: record length " << file.recordWords << " words, every directory, highest cycles\n";
  out << "ROWS ALL\n";
  out << "REALS printed as G16.8 and Z8.8 (IEEE-754 bits)\n \n";
  std::int64_t objects = 0;
  for (const Directory& dir : file.directories) {
    out << "DIRECTORY " << dir.path << " NSUBDIRS" << i(static_cast<std::int64_t>(dir.subdirectories.size()), 5) << "\n";
    for (const std::string& s : dir.subdirectories) out << "SUBDIR \"" << s << "\"\n";
    out << "NOBJECTS" << i(static_cast<std::int64_t>(dir.objects.size()), 7) << "\n \n";
    for (const ObjectRef& ref : dir.byId()) dumpObject(out, dir, ref);
    objects += static_cast<std::int64_t>(dir.objects.size());
  }
  out << "TOTAL DIRECTORIES" << i(static_cast<std::int64_t>(file.directories.size()), 7) << " OBJECTS" << i(objects, 7) << "\n";
}

}  // namespace hbook
