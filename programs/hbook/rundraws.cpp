#include "rundraws.h"

#include <optional>

#include "transport/run/filerecord.h"

namespace hbooktool {
namespace {

// The ranNo in a result file's name h<ranNo>.hbook or h<ranNo>-<k>.hbook.
std::optional<std::string> seedInName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const std::string suffix = ".hbook";
  if (name.size() < 2 + suffix.size() || name[0] != 'h' ||
      name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
    return std::nullopt;
  }
  std::string stem = name.substr(1, name.size() - 1 - suffix.size());
  if (const std::size_t dash = stem.find('-'); dash != std::string::npos) {
    const std::string attempt = stem.substr(dash + 1);
    if (attempt.empty() || attempt.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    stem = stem.substr(0, dash);
  }
  if (stem.empty() || stem.size() > 10 || stem.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  stem.erase(0, std::min(stem.find_first_not_of('0'), stem.size() - 1));
  return stem;
}

struct Seed {
  std::optional<std::string> value;
  bool recorded = false;  // from the file's run record
};

Seed seedOf(const hbook::MergeSource& s) {
  try {
    if (const std::optional<tarn::FileRecord> record = tarn::findRecord(s.file.histograms)) {
      return {std::to_string(record->run.seed()), true};
    }
  } catch (const std::runtime_error&) {
    return {};  // a damaged record: mergeRunFiles says so
  }
  return {seedInName(s.name), false};
}

}  // namespace

std::string sameDraws(const hbook::MergeSource& a, const hbook::MergeSource& b) {
  const Seed x = seedOf(a), y = seedOf(b);
  if (!x.value || !y.value || *x.value != *y.value || (x.recorded && y.recorded)) return "";
  return a.name + " and " + b.name + " are results of runs with the same seed (ranNo " + *x.value +
         "): they drew the same random numbers, so their events repeat each other and adding them would count the "
         "same events twice (runs meant to be added need different seeds)";
}

}  // namespace hbooktool
