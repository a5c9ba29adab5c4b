// Adding 1-D histograms: tallies summed, inputs written once, working copies
// of the sampler (entries -1) the first file's.
#include "hbook/merge/kinds.h"

namespace hbook::merging {
namespace {

std::string binning(const Histogram& h) {
  return std::to_string(h.nx) + " bins from " + number(h.xmin) + " to " + number(h.xmax) +
         (h.edges.empty() ? "" : " (variable bin edges)");
}

MergeRole roleOf(const Histogram& h) {
  if (h.entries == -1) return MergeRole::WorkingCopy;
  return h.markedAsRead ? MergeRole::Input : MergeRole::Tally;
}

const char* roleText(MergeRole role) {
  switch (role) {
    case MergeRole::WorkingCopy: return "a sampler's working copy (entries -1)";
    case MergeRole::Input: return "an input (marked as read from a file)";
    default: return "a tally";
  }
}

// Title, binning and kind of h agree with the first file's histogram.
void checkAlike(const Histogram& first, const std::string& firstName, const Histogram& h, const std::string& name,
                const std::string& label) {
  const MergeRole role = roleOf(first);
  if (roleOf(h) != role)
    refuse(name, label + " is " + roleText(roleOf(h)) + "; in " + firstName + " it is " + roleText(role));
  if (role == MergeRole::WorkingCopy) return;
  if (h.title != first.title)
    refuse(name, label + " is titled \"" + h.title + "\"; in " + firstName + " \"" + first.title + "\"");
  if (h.nx != first.nx || !sameBits(h.xmin, first.xmin) || !sameBits(h.xmax, first.xmax) ||
      !sameBits(h.edges, first.edges)) {
    refuse(name, label + " has " + binning(h) + "; in " + firstName + " it has " + binning(first));
  }
  if (h.sumw2.empty() != first.sumw2.empty()) {
    refuse(name, label + (h.sumw2.empty() ? " has no errors stored" : " has errors stored") + "; in " + firstName +
                     (first.sumw2.empty() ? " it has none" : " it has"));
  }
  if (role == MergeRole::Input &&
      (!sameBits(h.channels, first.channels) || !sameBits(h.sumw2, first.sumw2) || h.entries != first.entries)) {
    refuse(name, label + " is an input (marked as read from a file) that differs from " + firstName +
                     "'s: the runs had different inputs");
  }
}

}  // namespace

Merged1D merge1D(const Parts<Histogram>& p, std::vector<std::string>& notes) {
  const Histogram& first = p.first();
  for (std::size_t f = 1; f < p.objects.size(); ++f)
    checkAlike(first, *p.files[0], *p.objects[f], *p.files[f], p.label);
  Merged1D m;
  m.role = roleOf(first);
  m.histogram = first;
  if (m.role == MergeRole::Tally) {
    Histogram& out = m.histogram;
    std::vector<const std::vector<float>*> channels, sumw2;
    std::vector<std::int32_t> entries;
    double statSumW = 0.0, statSumW2 = 0.0;
    out.statSumWX = 0.0;
    out.statSumWX2 = 0.0;
    for (const Histogram* h : p.objects) {
      channels.push_back(&h->channels);
      sumw2.push_back(&h->sumw2);
      entries.push_back(h->entries);
      statSumW += static_cast<double>(h->statSumW);
      statSumW2 += static_cast<double>(h->statSumW2);
      out.statSumWX += h->statSumWX;
      out.statSumWX2 += h->statSumWX2;
    }
    out.channels = sum(channels);
    out.sumw2 = sum(sumw2);
    out.statSumW = static_cast<float>(statSumW);
    out.statSumW2 = static_cast<float>(statSumW2);
    out.entries = sumEntries(entries);
    out.nbit = widened(out.nbit, out.channels, p.label, notes);
  }
  m.histogram.readFromFile = first.markedAsRead;
  m.histogram.sampleGuide = SampleGuide();
  return m;
}

}  // namespace hbook::merging
