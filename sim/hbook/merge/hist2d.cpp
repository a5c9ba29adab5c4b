// Adding 2-D histograms: cells, sums of squared weights, entries and every
// projection, slice and band, each summed like a 1-D tally.
#include "hbook/merge/kinds.h"

namespace hbook::merging {
namespace {

std::string binning(const Histogram2D& h) {
  return std::to_string(h.nx) + " x " + std::to_string(h.ny) + " bins " + number(h.xmin) + ".." + number(h.xmax) +
         " x " + number(h.ymin) + ".." + number(h.ymax);
}

using Sets = std::vector<Projection> Histogram2D::*;
constexpr Sets SETS[] = {&Histogram2D::projectionsX, &Histogram2D::projectionsY, &Histogram2D::slicesX,
                         &Histogram2D::slicesY,      &Histogram2D::bandsX,       &Histogram2D::bandsY};

std::string names(const std::vector<Projection>& ps) {
  std::string s;
  for (const Projection& p : ps) s += (s.empty() ? "" : " ") + p.name;
  return s.empty() ? "none" : s;
}

void checkAlike(const Histogram2D& first, const std::string& firstName, const Histogram2D& h, const std::string& name,
                const std::string& label) {
  if (h.title != first.title)
    refuse(name, label + " is titled \"" + h.title + "\"; in " + firstName + " \"" + first.title + "\"");
  if (h.nx != first.nx || h.ny != first.ny || !sameBits(h.xmin, first.xmin) || !sameBits(h.xmax, first.xmax) ||
      !sameBits(h.ymin, first.ymin) || !sameBits(h.ymax, first.ymax)) {
    refuse(name, label + " has " + binning(h) + "; in " + firstName + " it has " + binning(first));
  }
  if (h.table() != first.table() || !sameBits(h.scale, first.scale)) {
    refuse(name, label + " is booked differently (table or scale factor) from " + firstName + "'s");
  }
  if (h.sumw2.empty() != first.sumw2.empty()) {
    refuse(name, label + (h.sumw2.empty() ? " has no errors stored" : " has errors stored") + "; in " + firstName +
                     (first.sumw2.empty() ? " it has none" : " it has"));
  }
  for (Sets s : SETS) {
    const std::vector<Projection>& a = first.*s;
    const std::vector<Projection>& b = h.*s;
    bool same = a.size() == b.size();
    for (std::size_t i = 0; same && i < a.size(); ++i) {
      same = a[i].name == b[i].name && sameBits(a[i].low, b[i].low) && sameBits(a[i].high, b[i].high) &&
             a[i].sumw2.empty() == b[i].sumw2.empty() && a[i].channels.size() == b[i].channels.size();
    }
    if (!same) {
      refuse(name, label + " has the projections, slices or bands " + names(b) + "; in " + firstName + " " + names(a) +
                       " (limits and errors must agree too)");
    }
  }
}

}  // namespace

Histogram2D merge2D(const Parts<Histogram2D>& p, std::vector<std::string>& notes) {
  const Histogram2D& first = p.first();
  for (std::size_t f = 1; f < p.objects.size(); ++f)
    checkAlike(first, *p.files[0], *p.objects[f], *p.files[f], p.label);
  Histogram2D out = first;
  std::vector<const std::vector<float>*> cells, sumw2;
  std::vector<std::int32_t> entries;
  for (const Histogram2D* h : p.objects) {
    cells.push_back(&h->cells);
    sumw2.push_back(&h->sumw2);
    entries.push_back(h->entries);
  }
  out.cells = sum(cells);
  out.sumw2 = sum(sumw2);
  out.entries = sumEntries(entries);
  out.nbit = widened(out.nbit, out.cells, p.label, notes);
  for (Sets s : SETS) {
    for (std::size_t i = 0; i < (out.*s).size(); ++i) {
      Projection& q = (out.*s)[i];
      std::vector<const std::vector<float>*> channels, errors;
      std::vector<std::int32_t> counts;
      for (const Histogram2D* h : p.objects) {
        channels.push_back(&(h->*s)[i].channels);
        errors.push_back(&(h->*s)[i].sumw2);
        counts.push_back((h->*s)[i].entries);
      }
      q.channels = sum(channels);
      q.sumw2 = sum(errors);
      q.entries = sumEntries(counts);
      q.nbit = widened(q.nbit, q.channels, p.label + ", " + q.name, notes);
    }
  }
  return out;
}

}  // namespace hbook::merging
