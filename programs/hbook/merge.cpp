// hbook merge OUT IN...: the histogram files of separate runs added together
// into a new file OUT (merge.h says what is added, what is written once and
// what is refused). OUT is never overwritten; nothing is written when any
// input is refused.
#include <sys/stat.h>

#include <cstdio>
#include <iostream>

#include "hbook/merge.h"
#include "hbook/rz/writer.h"
#include "tool.h"

namespace hbooktool {
namespace {

std::string idList(const std::vector<hbook::MergedHistogram>& merged, hbook::MergeRole role) {
  std::string ids;
  for (const hbook::MergedHistogram& m : merged)
    if (m.role == role) ids += " " + std::to_string(m.histogram.id);
  return ids.empty() ? " none" : ids;
}

}  // namespace

int commandMerge(const std::vector<std::string>& args) {
  if (args.size() < 2) throw UsageError{"merge wants OUT and one or more input files"};
  const std::string& out = args[0];
  struct stat st {};
  if (lstat(out.c_str(), &st) == 0) throw InputError{out + " exists; hbook merge never overwrites a file"};

  std::vector<hbook::MergeSource> sources;
  for (std::size_t i = 1; i < args.size(); ++i) sources.push_back({args[i], hbook::readFile(args[i])});
  const std::vector<hbook::MergedHistogram> merged = hbook::mergeHistograms(sources);

  std::vector<const hbook::Histogram*> list;
  for (const hbook::MergedHistogram& m : merged) list.push_back(&m.histogram);
  if (!hbook::writeFile(out, list, false)) throw InputError{out + " exists; hbook merge never overwrites a file"};
  std::printf("%s: %zu histograms from %zu files\n", out.c_str(), merged.size(), sources.size());
  std::printf("  summed:%s\n", idList(merged, hbook::MergeRole::Tally).c_str());
  std::printf("  inputs, the same in every file, written once:%s\n", idList(merged, hbook::MergeRole::Input).c_str());
  std::printf("  working copies of the sampler (entries -1), the first file's:%s\n",
              idList(merged, hbook::MergeRole::WorkingCopy).c_str());
  return 0;
}

}  // namespace hbooktool
