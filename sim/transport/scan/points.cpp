#include "transport/scan/points.h"

#include <algorithm>
#include <map>

#include "transport/description/keys.h"
#include "transport/description/summary.h"

namespace tarn::scan {
namespace {

// The value of `key` as the log shows it, without the unit: "35", "left".
std::string shortValue(const std::string& key, const Beamline& b) {
  const description::Key* k = description::findKey(key);
  if (!k) return "";
  const std::string shown = description::shownValue(*k, b);
  return shown.substr(0, shown.find(' '));
}

}  // namespace

std::vector<std::string> scannedKeys(const Options& options) {
  std::vector<std::string> keys;
  for (const Axis& a : options.axes)
    if (a.values.size() > 1) keys.push_back(a.key);
  return keys;
}

Grid makeGrid(const Options& options) {
  Grid grid;
  std::size_t count = 1;
  for (const Axis& a : options.axes) count *= a.values.size();
  const std::size_t width = std::max<std::size_t>(2, std::to_string(count).size());
  std::map<std::string, std::size_t> byDigest;  // the index in grid.points
  for (std::size_t n = 0; n < count; ++n) {
    Point p;
    p.number = static_cast<int>(n + 1);
    // The first axis slowest: the index of axis a is n / (product of the later sizes) mod its size.
    std::size_t rest = n;
    std::vector<std::size_t> index(options.axes.size());
    for (std::size_t a = options.axes.size(); a-- > 0;) {
      index[a] = rest % options.axes[a].values.size();
      rest /= options.axes[a].values.size();
    }
    for (std::size_t a = 0; a < options.axes.size(); ++a)
      p.sets.push_back(options.axes[a].key + "=" + options.axes[a].values[index[a]]);
    description::ReadResult read = description::readDescription(SHIPPED_BEAMLINE, options.beamlineFile, p.sets);
    for (const std::string& e : read.errors)
      if (std::find(grid.errors.begin(), grid.errors.end(), e) == grid.errors.end()) grid.errors.push_back(e);
    if (!read.errors.empty()) continue;
    p.description = std::move(read.description);
    p.digest = description::digest(p.description.values);
    std::string number = std::to_string(p.number);
    p.folder = std::string(width - number.size(), '0') + number;
    for (std::size_t a = 0; a < options.axes.size(); ++a) {
      if (options.axes[a].values.size() < 2) continue;
      const std::string item = options.axes[a].key + "=" + shortValue(options.axes[a].key, p.description.values);
      p.folder += "_" + item;
      p.label += (p.label.empty() ? "" : " ") + item;
    }
    if (p.label.empty()) p.label = "the one point";
    const auto [at, fresh] = byDigest.emplace(p.digest, grid.points.size());
    if (!fresh) {
      const Point& same = grid.points[at->second];
      grid.errors.push_back("points " + std::to_string(same.number) + " (" + same.label + ") and " +
                            std::to_string(p.number) + " (" + p.label + ") are the same beamline: give each value once");
    }
    grid.points.push_back(std::move(p));
  }
  return grid;
}

}  // namespace tarn::scan
