// Adding files: directories matched by path, objects by id, each kind added
// by its own file; and the comparison of two files' contents.
#include <map>
#include <set>

#include "hbook/merge/kinds.h"
#include "hbook/rz/write/objects.h"

namespace hbook {
namespace {

using merging::Parts;
using merging::refuse;

std::string label(const Directory& d, const ObjectRef& o) {
  const std::string what = o.kind == ObjectKind::Histogram1D ? "histogram" : kindDescription(o.kind);
  return what + " " + std::to_string(o.id) + (d.path == "/" ? "" : " in " + d.path);
}

std::map<std::string, const Directory*> byPath(const MergeSource& s) {
  if (!s.file.skipped.empty()) {
    const SkippedObject& k = s.file.skipped.front();
    refuse(s.name, "object " + std::to_string(k.id) + " in " + k.directory + " cannot be read (" + k.note +
                       "); hbook merge adds files it reads completely");
  }
  std::map<std::string, const Directory*> out;
  for (const Directory& d : s.file.directories) out.emplace(d.path, &d);
  return out;
}

std::map<std::int32_t, const ObjectRef*> byId(const Directory& d, const std::string& file) {
  std::map<std::int32_t, const ObjectRef*> out;
  for (const ObjectRef& o : d.objects) {
    if (!out.emplace(o.id, &o).second) refuse(file, label(d, o) + " appears twice");
  }
  return out;
}

template <typename T>
const T& object(const Directory& d, const ObjectRef& o);
template <>
const Histogram& object(const Directory& d, const ObjectRef& o) {
  return d.histograms.at(o.index);
}
template <>
const Histogram2D& object(const Directory& d, const ObjectRef& o) {
  return d.histograms2d.at(o.index);
}
template <>
const Profile& object(const Directory& d, const ObjectRef& o) {
  return d.profiles.at(o.index);
}
template <>
const RowNtuple& object(const Directory& d, const ObjectRef& o) {
  return d.rowNtuples.at(o.index);
}
template <>
const ColumnNtuple& object(const Directory& d, const ObjectRef& o) {
  return d.columnNtuples.at(o.index);
}

template <typename T>
std::size_t push(std::vector<T>& list, T value) {
  list.push_back(std::move(value));
  return list.size() - 1;
}

}  // namespace

MergedFile mergeFiles(const std::vector<MergeSource>& sources) {
  if (sources.empty()) throw FileError("no files to merge");
  std::vector<std::map<std::string, const Directory*>> dirs;
  for (const MergeSource& s : sources) dirs.push_back(byPath(s));
  const MergeSource& first = sources.front();
  for (std::size_t f = 1; f < sources.size(); ++f) {
    for (const auto& [path, d] : dirs[f]) {
      if (!dirs[0].count(path))
        refuse(sources[f].name, "holds the directory " + path + ", which " + first.name + " does not");
    }
    for (const auto& [path, d] : dirs[0]) {
      if (!dirs[f].count(path)) refuse(sources[f].name, "holds no directory " + path + " (" + first.name + " has it)");
    }
  }
  MergedFile out;
  for (const Directory& d0 : first.file.directories) {
    std::vector<std::map<std::int32_t, const ObjectRef*>> ids;
    std::vector<const Directory*> parts;
    for (std::size_t f = 0; f < sources.size(); ++f) {
      parts.push_back(dirs[f].at(d0.path));
      ids.push_back(byId(*parts.back(), sources[f].name));
    }
    for (std::size_t f = 1; f < sources.size(); ++f) {
      for (const auto& [id, o] : ids[f]) {
        if (!ids[0].count(id)) refuse(sources[f].name, label(d0, *o) + " is not in " + first.name);
      }
    }
    Directory merged;
    merged.path = d0.path;
    merged.subdirectories = d0.subdirectories;
    for (const ObjectRef& o : d0.objects) {
      std::vector<const ObjectRef*> refs;
      for (std::size_t f = 0; f < sources.size(); ++f) {
        const auto it = ids[f].find(o.id);
        if (it == ids[f].end()) refuse(sources[f].name, "holds no " + label(d0, o) + " (" + first.name + " has it)");
        if (it->second->kind != o.kind) {
          refuse(sources[f].name, label(*parts[f], *it->second) + " is a " + kindDescription(it->second->kind) +
                                      "; in " + first.name + " it is a " + kindDescription(o.kind));
        }
        refs.push_back(it->second);
      }
      auto gather = [&](auto* tag) {
        using T = std::remove_pointer_t<decltype(tag)>;
        Parts<T> p;
        p.label = label(d0, o);
        for (std::size_t f = 0; f < sources.size(); ++f) {
          p.objects.push_back(&object<T>(*parts[f], *refs[f]));
          p.files.push_back(&sources[f].name);
        }
        return p;
      };
      MergedObject m{d0.path, o.kind, o.id, MergeRole::Tally};
      std::size_t index = 0;
      switch (o.kind) {
        case ObjectKind::Histogram1D: {
          merging::Merged1D h = merging::merge1D(gather(static_cast<Histogram*>(nullptr)), out.notes);
          m.role = h.role;
          index = push(merged.histograms, std::move(h.histogram));
          break;
        }
        case ObjectKind::Histogram2D:
          index = push(merged.histograms2d, merging::merge2D(gather(static_cast<Histogram2D*>(nullptr)), out.notes));
          break;
        case ObjectKind::Profile:
          index = push(merged.profiles, merging::mergeProfile(gather(static_cast<Profile*>(nullptr))));
          break;
        case ObjectKind::RowNtuple:
          m.role = MergeRole::Rows;
          index = push(merged.rowNtuples, merging::mergeRows(gather(static_cast<RowNtuple*>(nullptr))));
          break;
        case ObjectKind::ColumnNtuple:
          m.role = MergeRole::Rows;
          index = push(merged.columnNtuples, merging::mergeColumns(gather(static_cast<ColumnNtuple*>(nullptr))));
          break;
      }
      merged.objects.push_back({o.kind, o.id, index});
      out.objects.push_back(m);
    }
    out.directories.push_back(std::move(merged));
  }
  return out;
}

std::vector<MergedHistogram> mergeHistograms(const std::vector<MergeSource>& sources) {
  for (const MergeSource& s : sources) {
    if (s.file.directories.size() > 1)
      refuse(s.name, "holds the subdirectory " + s.file.directories[1].path + "; these files are added by mergeFiles");
    for (const Directory& d : s.file.directories) {
      for (const ObjectRef& o : d.objects) {
        if (o.kind != ObjectKind::Histogram1D) {
          refuse(s.name, label(d, o) + " is a " + kindDescription(o.kind) + "; these files are added by mergeFiles");
        }
      }
    }
  }
  const MergedFile m = mergeFiles(sources);
  std::vector<MergedHistogram> out;
  const Directory& top = m.directories.front();
  for (std::size_t i = 0; i < top.objects.size(); ++i) {
    if (top.objects[i].kind == ObjectKind::Histogram1D)
      out.push_back({top.histograms.at(top.objects[i].index), m.objects.at(i).role});
  }
  return out;
}

namespace {

// The words the writer stores of an object, key after key.
std::vector<std::vector<std::uint32_t>> stored(const Directory& d, const ObjectRef& o) {
  write::KeyedObjects k;
  switch (o.kind) {
    case ObjectKind::Histogram1D: k = write::histogram1D(d.histograms.at(o.index)); break;
    case ObjectKind::Histogram2D: k = write::histogram2D(d.histograms2d.at(o.index)); break;
    case ObjectKind::Profile: k = write::profile(d.profiles.at(o.index)); break;
    case ObjectKind::RowNtuple: k = write::rowNtuple(d.rowNtuples.at(o.index), 1024, ""); break;
    case ObjectKind::ColumnNtuple: k = write::columnNtuple(d.columnNtuples.at(o.index), 1024, ""); break;
  }
  std::vector<std::vector<std::uint32_t>> words;
  for (const write::KeyedObject& x : k) words.push_back(x.build(0));
  return words;
}

}  // namespace

std::uint64_t contentsDigest(const ReadResult& r) {
  std::uint64_t h = 0xcbf29ce484222325ULL;  // FNV-1a over the words, the paths and the ids
  auto mix = [&h](std::uint64_t v) {
    for (int k = 0; k < 8; ++k) h = (h ^ ((v >> (8 * k)) & 0xFF)) * 0x100000001b3ULL;
  };
  for (const Directory& d : r.directories) {
    for (char c : d.path) mix(static_cast<unsigned char>(c));
    for (const ObjectRef& o : d.objects) {
      mix(static_cast<std::uint64_t>(o.kind));
      mix(static_cast<std::uint32_t>(o.id));
      try {
        for (const std::vector<std::uint32_t>& words : stored(d, o)) {
          for (std::uint32_t w : words) mix(w);
        }
      } catch (const FileError&) {
        mix(0xFFFFFFFFFFFFFFFFULL);
      }
    }
  }
  return h;
}

bool sameContents(const ReadResult& a, const ReadResult& b) {
  if (a.directories.size() != b.directories.size()) return false;
  for (std::size_t i = 0; i < a.directories.size(); ++i) {
    const Directory& x = a.directories[i];
    const Directory& y = b.directories[i];
    if (x.path != y.path || x.subdirectories != y.subdirectories || x.objects.size() != y.objects.size()) return false;
    for (std::size_t k = 0; k < x.objects.size(); ++k) {
      const ObjectRef& p = x.objects[k];
      const ObjectRef& q = y.objects[k];
      if (p.kind != q.kind || p.id != q.id) return false;
      try {
        if (stored(x, p) != stored(y, q)) return false;
      } catch (const FileError&) {
        return false;
      }
    }
  }
  return true;
}

}  // namespace hbook
