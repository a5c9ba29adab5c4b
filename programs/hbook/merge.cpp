// hbook merge [--incomplete] OUT IN...: the files of separate runs, or of the
// blocks of one run, added together into a new file OUT (hbook/merge.h says
// what is added, what is written once and what is refused;
// transport/run/filemerge.h what tarn's run records add to that: the
// blocks of one run, exact sums, one beamline; the other objects of such
// files are added by kind). Refused too: the same file given twice (by any path),
// and two results of tarn whose runs drew the same random numbers
// (rundraws.h). Two other files with identical contents are added, with a
// warning. OUT is never overwritten; nothing is written when any input is
// refused.
#include <sys/stat.h>

#include <cstdio>
#include <iostream>
#include <map>

#include "hbook/merge.h"
#include "hbook/rz/reader.h"
#include "hbook/rz/writer.h"
#include "rundraws.h"
#include "tool.h"
#include "transport/run/filemerge.h"
#include "transport/run/filerecord.h"

namespace hbooktool {
namespace {

std::string idList(const std::vector<hbook::MergedHistogram>& merged, hbook::MergeRole role) {
  std::string ids;
  for (const hbook::MergedHistogram& m : merged)
    if (m.role == role && !tarn::isRecordHistogram(m.histogram)) ids += " " + std::to_string(m.histogram.id);
  return ids.empty() ? " none" : ids;
}

std::string idList(const hbook::MergedFile& merged, hbook::MergeRole role) {
  std::string ids;
  for (const hbook::MergedObject& m : merged.objects) {
    if (m.role == role) ids += " " + (m.directory == "/" ? "" : m.directory + "/") + std::to_string(m.id);
  }
  return ids.empty() ? " none" : ids;
}

// Refuses the same file given twice, under any name.
void refuseRepeats(const std::vector<std::string>& paths) {
  std::vector<struct stat> seen;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    struct stat st {};
    if (stat(paths[i].c_str(), &st) != 0) continue;  // the reader says why
    for (std::size_t j = 0; j < seen.size(); ++j) {
      if (seen[j].st_dev == st.st_dev && seen[j].st_ino == st.st_ino) {
        throw InputError{paths[i] +
                         (paths[i] == paths[j] ? " is given twice" : " and " + paths[j] + " are the same file") +
                         ": hbook merge would count its contents twice"};
      }
    }
    seen.push_back(st);
  }
}

// Warnings for files of identical contents: found by digest, confirmed word for word.
std::vector<std::string> identical(const std::vector<hbook::MergeSource>& sources) {
  std::vector<std::string> warnings;
  std::map<std::uint64_t, std::vector<std::size_t>> byDigest;
  for (std::size_t i = 0; i < sources.size(); ++i) byDigest[hbook::contentsDigest(sources[i].file)].push_back(i);
  for (const auto& [digest, files] : byDigest) {
    for (std::size_t a = 0; a < files.size(); ++a) {
      for (std::size_t b = a + 1; b < files.size(); ++b) {
        const hbook::MergeSource &x = sources[files[a]], &y = sources[files[b]];
        if (!hbook::sameContents(x.file, y.file)) continue;
        warnings.push_back(
            "warning: " + x.name + " and " + y.name +
            " hold identical contents; added anyway (if one is a copy of the other, its events count twice)");
      }
    }
  }
  return warnings;
}

// Files of 1-D histograms in a top directory only, as tarn's results are.
bool histogramsOnly(const hbook::ReadResult& r) {
  if (r.directories.size() > 1) return false;
  for (const hbook::Directory& d : r.directories) {
    for (const hbook::ObjectRef& o : d.objects) {
      if (o.kind != hbook::ObjectKind::Histogram1D) return false;
    }
  }
  return true;
}

bool hasRecord(const hbook::ReadResult& r) {
  for (const hbook::Histogram& h : r.histograms) {
    if (tarn::isRecordHistogram(h)) return true;
  }
  return false;
}

void printObjects(const hbook::MergedFile& merged, bool others) {
  const char* kind = others ? "  other objects, " : "  ";
  std::printf("%ssummed:%s\n", kind, idList(merged, hbook::MergeRole::Tally).c_str());
  std::printf("%sinputs, the same in every file, written once:%s\n", kind,
              idList(merged, hbook::MergeRole::Input).c_str());
  std::printf("%sworking copies of the sampler (entries -1), the first file's:%s\n", kind,
              idList(merged, hbook::MergeRole::WorkingCopy).c_str());
  std::printf("%sntuples, rows concatenated:%s\n", kind, idList(merged, hbook::MergeRole::Rows).c_str());
  for (const std::string& n : merged.notes) std::printf("  note: %s\n", n.c_str());
}

// tarn's results (transport/run/filemerge.h), or any files of 1-D
// histograms in their top directory only.
int mergeRuns(const std::string& out, std::vector<hbook::MergeSource> sources, bool incomplete) {
  const std::size_t files = sources.size();
  const tarn::RunFilesMerge result = tarn::mergeRunFiles(std::move(sources), incomplete);
  const std::vector<hbook::MergedHistogram>& merged = result.merged;
  const bool others = !result.others.objects.empty() || result.others.directories.size() > 1;
  bool written = false;
  if (others) {
    written = hbook::writeFile(out, tarn::mergedDirectories(result), hbook::WriteOptions{});
  } else {
    std::vector<const hbook::Histogram*> list;
    for (const hbook::MergedHistogram& m : merged) list.push_back(&m.histogram);
    written = hbook::writeFile(out, list, false);
  }
  if (!written) throw InputError{out + " exists; hbook merge never overwrites a file"};
  std::printf("%s: %zu histograms", out.c_str(), merged.size());
  if (others) {
    std::printf(" and %zu other objects in %zu director%s", result.others.objects.size(),
                result.others.directories.size(), result.others.directories.size() == 1 ? "y" : "ies");
  }
  std::printf(" from %zu file%s\n", files, files == 1 ? "" : "s");
  std::printf("  summed:%s\n", idList(merged, hbook::MergeRole::Tally).c_str());
  std::printf("  inputs, the same in every file, written once:%s\n", idList(merged, hbook::MergeRole::Input).c_str());
  std::printf("  working copies of the sampler (entries -1), %s:%s\n",
              result.withRecord ? "the last block's" : "the first file's",
              idList(merged, hbook::MergeRole::WorkingCopy).c_str());
  if (result.withRecord)
    std::printf("  the run record (%d), for the blocks the file holds\n", static_cast<int>(tarn::RUN_RECORD_ID));
  if (result.beamlineRecord)
    std::printf("  the record (%d) of the runs' beamline\n", static_cast<int>(tarn::RUN_RECORD_ID));
  if (others) printObjects(result.others, true);
  for (const std::string& note : result.notes) std::printf("  %s\n", note.c_str());
  return 0;
}

int mergeObjects(const std::string& out, const std::vector<hbook::MergeSource>& sources) {
  const hbook::MergedFile merged = hbook::mergeFiles(sources);
  if (!hbook::writeFile(out, merged.directories, hbook::WriteOptions{})) {
    throw InputError{out + " exists; hbook merge never overwrites a file"};
  }
  std::printf("%s: %zu objects in %zu director%s from %zu file%s\n", out.c_str(), merged.objects.size(),
              merged.directories.size(), merged.directories.size() == 1 ? "y" : "ies", sources.size(),
              sources.size() == 1 ? "" : "s");
  printObjects(merged, false);
  return 0;
}

}  // namespace

int commandMerge(const std::vector<std::string>& given) {
  std::vector<std::string> args;
  bool incomplete = false;
  for (const std::string& a : given) {
    if (a == "--incomplete")
      incomplete = true;
    else
      args.push_back(a);
  }
  if (args.size() < 2) throw UsageError{"merge wants OUT and one or more input files"};
  const std::string& out = args[0];
  struct stat st {};
  if (lstat(out.c_str(), &st) == 0) throw InputError{out + " exists; hbook merge never overwrites a file"};
  const std::vector<std::string> inputs(args.begin() + 1, args.end());
  refuseRepeats(inputs);

  std::vector<hbook::MergeSource> sources;
  for (const std::string& in : inputs) sources.push_back({in, hbook::readFile(in)});
  for (std::size_t i = 0; i < sources.size(); ++i) {
    for (std::size_t j = i + 1; j < sources.size(); ++j) {
      if (const std::string why = sameDraws(sources[i], sources[j]); !why.empty()) throw InputError{why};
    }
  }
  bool runs = true, records = false;
  for (const hbook::MergeSource& s : sources) {
    runs = runs && histogramsOnly(s.file);
    records = records || hasRecord(s.file);
  }
  // Files with a run record add their 1-D histograms as tarn's runs and
  // every other object by kind; other files that hold more than 1-D
  // histograms are added object by object in the first file's order.
  const std::vector<std::string> warnings = identical(sources);
  const int status = runs || records ? mergeRuns(out, std::move(sources), incomplete) : mergeObjects(out, sources);
  for (const std::string& w : warnings) std::cerr << "hbook: " << w << "\n";
  return status;
}

}  // namespace hbooktool
