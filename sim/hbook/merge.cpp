#include "hbook/merge.h"

#include <bit>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <map>
#include <string>

namespace hbook {
namespace {

std::string idText(std::int32_t id) { return "histogram " + std::to_string(id); }

std::string number(float v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(v));
  return buf;
}

std::string binning(const Histogram& h) {
  return std::to_string(h.nx) + " bins from " + number(h.xmin) + " to " + number(h.xmax);
}

bool sameBits(float a, float b) { return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b); }

bool sameBits(const std::vector<float>& a, const std::vector<float>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (!sameBits(a[i], b[i])) return false;
  return true;
}

[[noreturn]] void refuse(const std::string& file, const std::string& what) { throw FileError(file + ": " + what); }

// The top directory's 1-D histograms by id; anything else is refused.
std::map<std::int32_t, const Histogram*> histogramsOf(const MergeSource& source) {
  const std::string& name = source.name;
  if (!source.file.skipped.empty()) {
    const SkippedObject& s = source.file.skipped.front();
    refuse(name, "object " + std::to_string(s.id) + " in " + s.directory +
                     " cannot be read (" + s.note + "); hbook merge adds files it reads completely");
  }
  const Directory& top = source.file.directories.front();
  if (!top.subdirectories.empty() || source.file.directories.size() > 1)
    refuse(name, "holds the subdirectory " + (top.subdirectories.empty() ? source.file.directories[1].path
                                                                         : "/" + top.subdirectories.front()) +
                     "; hbook merge adds the 1-D histograms of files without subdirectories");
  for (const ObjectRef& o : top.objects)
    if (o.kind != ObjectKind::Histogram1D)
      refuse(name, "object " + std::to_string(o.id) + " is a " + kindDescription(o.kind) +
                       "; hbook merge adds 1-D histograms only");
  std::map<std::int32_t, const Histogram*> byId;
  for (const Histogram& h : source.file.histograms)
    if (!byId.emplace(h.id, &h).second) refuse(name, idText(h.id) + " appears twice");
  return byId;
}

MergeRole roleOf(const Histogram& h) {
  if (h.entries == -1) return MergeRole::WorkingCopy;
  return h.markedAsRead ? MergeRole::Input : MergeRole::Tally;
}

const char* roleText(MergeRole role) {
  switch (role) {
    case MergeRole::WorkingCopy:
      return "a sampler's working copy (entries -1)";
    case MergeRole::Input:
      return "an input (marked as read from a file)";
    default:
      return "a tally";
  }
}

// Title, binning and kind of h agree with the first file's histogram.
void checkAlike(const Histogram& first, const std::string& firstName, const Histogram& h, const std::string& name) {
  const MergeRole role = roleOf(first);
  if (roleOf(h) != role)
    refuse(name, idText(h.id) + " is " + roleText(roleOf(h)) + "; in " + firstName + " it is " + roleText(role));
  if (role == MergeRole::WorkingCopy) return;
  if (h.title != first.title)
    refuse(name, idText(h.id) + " is titled \"" + h.title + "\"; in " + firstName + " \"" + first.title + "\"");
  if (h.nx != first.nx || !sameBits(h.xmin, first.xmin) || !sameBits(h.xmax, first.xmax))
    refuse(name, idText(h.id) + " has " + binning(h) + "; in " + firstName + " it has " + binning(first));
  if (h.sumw2.empty() != first.sumw2.empty())
    refuse(name, idText(h.id) + (h.sumw2.empty() ? " has no errors stored" : " has errors stored") + "; in " +
                     firstName + (first.sumw2.empty() ? " it has none" : " it has"));
  if (role == MergeRole::Input &&
      (!sameBits(h.channels, first.channels) || !sameBits(h.sumw2, first.sumw2) || h.entries != first.entries))
    refuse(name, idText(h.id) + " is an input (marked as read from a file) that differs from " + firstName +
                     "'s: the runs had different inputs");
}

// Adds up the tallies of one id, in file order.
Histogram sumOf(const std::vector<const Histogram*>& parts) {
  Histogram out = *parts.front();
  std::vector<double> channels(out.channels.size(), 0.0), sumw2(out.sumw2.size(), 0.0);
  double statSumW = 0.0, statSumW2 = 0.0;
  std::int64_t entries = 0;
  out.statSumWX = 0.0;
  out.statSumWX2 = 0.0;
  for (const Histogram* h : parts) {
    for (std::size_t i = 0; i < channels.size(); ++i) channels[i] += static_cast<double>(h->channels[i]);
    for (std::size_t i = 0; i < sumw2.size(); ++i) sumw2[i] += static_cast<double>(h->sumw2[i]);
    statSumW += static_cast<double>(h->statSumW);
    statSumW2 += static_cast<double>(h->statSumW2);
    out.statSumWX += h->statSumWX;
    out.statSumWX2 += h->statSumWX2;
    entries += h->entries;
  }
  for (std::size_t i = 0; i < channels.size(); ++i) out.channels[i] = static_cast<float>(channels[i]);
  for (std::size_t i = 0; i < sumw2.size(); ++i) out.sumw2[i] = static_cast<float>(sumw2[i]);
  out.statSumW = static_cast<float>(statSumW);
  out.statSumW2 = static_cast<float>(statSumW2);
  out.entries = entriesWord(entries);
  return out;
}

}  // namespace

std::int32_t entriesWord(std::int64_t entries) {
  constexpr std::int64_t MOST_ENTRIES = std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(entries > MOST_ENTRIES ? MOST_ENTRIES : entries);
}

std::vector<MergedHistogram> mergeHistograms(const std::vector<MergeSource>& sources) {
  if (sources.empty()) throw FileError("no files to merge");
  std::vector<std::map<std::int32_t, const Histogram*>> byId;
  for (const MergeSource& s : sources) byId.push_back(histogramsOf(s));

  const MergeSource& first = sources.front();
  for (std::size_t f = 1; f < sources.size(); ++f)
    for (const auto& [id, h] : byId[f])
      if (!byId.front().count(id)) refuse(sources[f].name, idText(id) + " is not in " + first.name);

  std::vector<MergedHistogram> merged;
  for (const Histogram& h : first.file.histograms) {
    std::vector<const Histogram*> parts = {&h};
    for (std::size_t f = 1; f < sources.size(); ++f) {
      const auto found = byId[f].find(h.id);
      if (found == byId[f].end()) refuse(sources[f].name, "holds no " + idText(h.id) + " (" + first.name + " has it)");
      checkAlike(h, first.name, *found->second, sources[f].name);
      parts.push_back(found->second);
    }
    MergedHistogram m;
    m.role = roleOf(h);
    m.histogram = m.role == MergeRole::Tally ? sumOf(parts) : h;
    m.histogram.readFromFile = h.markedAsRead;
    m.histogram.sampleGuide = SampleGuide();
    merged.push_back(std::move(m));
  }
  return merged;
}

}  // namespace hbook
