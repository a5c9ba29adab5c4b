// hbook merge [--incomplete] OUT IN...: the histogram files of separate runs,
// or of the blocks of one run, added together into a new file OUT
// (hbook/merge.h says what is added, what is written once and what is
// refused; transport/run/filemerge.h what tarn's run records add to that).
// OUT is never overwritten; nothing is written when any input is refused.
#include <sys/stat.h>

#include <cstdio>
#include <iostream>

#include "hbook/merge.h"
#include "hbook/rz/writer.h"
#include "transport/run/filemerge.h"
#include "transport/run/filerecord.h"
#include "tool.h"

namespace hbooktool {
namespace {

std::string idList(const std::vector<hbook::MergedHistogram>& merged, hbook::MergeRole role) {
  std::string ids;
  for (const hbook::MergedHistogram& m : merged)
    if (m.role == role && !tarn::isRecordHistogram(m.histogram)) ids += " " + std::to_string(m.histogram.id);
  return ids.empty() ? " none" : ids;
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

  std::vector<hbook::MergeSource> sources;
  for (std::size_t i = 1; i < args.size(); ++i) sources.push_back({args[i], hbook::readFile(args[i])});
  const tarn::RunFilesMerge result = tarn::mergeRunFiles(sources, incomplete);
  const std::vector<hbook::MergedHistogram>& merged = result.merged;

  std::vector<const hbook::Histogram*> list;
  for (const hbook::MergedHistogram& m : merged) list.push_back(&m.histogram);
  if (!hbook::writeFile(out, list, false)) throw InputError{out + " exists; hbook merge never overwrites a file"};
  std::printf("%s: %zu histograms from %zu files\n", out.c_str(), merged.size(), sources.size());
  std::printf("  summed:%s\n", idList(merged, hbook::MergeRole::Tally).c_str());
  std::printf("  inputs, the same in every file, written once:%s\n", idList(merged, hbook::MergeRole::Input).c_str());
  std::printf("  working copies of the sampler (entries -1), %s:%s\n",
              result.withRecord ? "the last block's" : "the first file's",
              idList(merged, hbook::MergeRole::WorkingCopy).c_str());
  if (result.withRecord)
    std::printf("  the run record (%d), for the blocks the file holds\n", static_cast<int>(tarn::RUN_RECORD_ID));
  for (const std::string& note : result.notes) std::printf("  %s\n", note.c_str());
  return 0;
}

}  // namespace hbooktool
