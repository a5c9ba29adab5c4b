// hbook show of a 1-D histogram and of a profile: binning, the package's
// figures (for a cumulative histogram also those of the distribution it was
// made from), a chart.
#include <iostream>

#include "chart.h"
#include "figures.h"
#include "hbook/print/numbers.h"
#include "show.h"

namespace hbooktool::show {
namespace {

using hbook::exporting::number;

std::string binning(std::int32_t nx, float xmin, float xmax, bool variable) {
  const float width = (xmax - xmin) / static_cast<float>(nx);
  if (variable) {
    return std::to_string(nx) + (nx == 1 ? " bin" : " bins") + " of variable width from " + number(xmin) + " to " +
           number(xmax) + " (mean width " + number(width) + ")";
  }
  return std::to_string(nx) + (nx == 1 ? " bin of " : " bins of ") + number(width) + " from " + number(xmin) + " to " +
         number(xmax);
}

std::vector<float> bins(const std::vector<float>& channels) { return {channels.begin() + 1, channels.end() - 1}; }

}  // namespace

void heading(std::int32_t id, const std::string& title) {
  const std::string head = "id " + std::to_string(id);
  // Titles run to 80 characters: such a title gets a line of its own.
  std::cout << head << (head.size() + 2 + title.size() > 80 ? "\n" : "  ") << title << "\n";
}

void figures(const hbook::Summary& s, const std::string& indent) {
  const std::string fields[] = {"entries " + std::to_string(s.entries), "in range " + number(s.inRange),
                                "underflow " + number(s.underflow), "overflow " + number(s.overflow)};
  std::size_t width = indent.size();
  for (const std::string& f : fields) width += f.size() + 3;
  const std::string gap = width - 3 > 80 ? "  " : "   ";  // within 80 columns
  std::cout << indent << fields[0] << gap << fields[1] << gap << fields[2] << gap << fields[3] << "\n";
  if (s.noEntries()) {
    std::cout << indent << "no entries\n";
    return;
  }
  std::cout << indent << "mean " << fourDigits(s.mean) << "   rms " << fourDigits(s.rms) << "\n";
}

void histogram1D(const hbook::Histogram& h) {
  const hbook::Summary s = hbook::summarise(h);
  heading(h.id, h.title);
  const std::string line = "  " + binning(h.nx, h.xmin, h.xmax, !h.edges.empty());
  const std::string stored =
      std::string(h.nbit < 32 ? ", packed counts" : "") + (h.sumw2.empty() ? "" : ", sum of squared weights stored");
  // Within 80 columns: what is stored on a line of its own when it does not fit.
  std::cout << line << (line.size() + stored.size() > 80 && !stored.empty() ? "\n  " + stored.substr(2) : stored)
            << "\n";
  if (s.cumulative()) {
    std::cout << "  cumulative (entries -1): the sampler has replaced the contents by their\n"
                 "  running sum normalised to 1, so they are not a distribution.\n";
    figures(s, "  ");
    const hbook::Histogram steps = hbook::increments(h);
    const hbook::Summary d = hbook::summarise(steps);
    std::cout << "  distribution (steps of the running sum): mean " << fourDigits(d.mean) << "   rms "
              << fourDigits(d.rms) << "\n";
    for (const std::string& line : chart(bins(steps.channels), h.xmin, h.xmax)) std::cout << line << "\n";
    return;
  }
  figures(s, "  ");
  if (s.noEntries()) return;
  for (const std::string& line : chart(bins(h.channels), h.xmin, h.xmax)) std::cout << line << "\n";
}

void profile(const hbook::Profile& p) {
  const hbook::Summary s = hbook::summarise(p);
  heading(p.id, p.title);
  std::cout << "  profile, " << binning(p.nx, p.xmin, p.xmax, false) << ", y " << number(p.ymin) << ".."
            << number(p.ymax) << ", error option " << p.errorOption() << "\n"
            << "  figures of the bin means (the package prints a profile as their histogram):\n";
  figures(s, "  ");
  if (s.noEntries()) return;
  std::vector<float> means;
  for (int b = 1; b <= p.nx; ++b) means.push_back(p.mean(b));
  for (const std::string& line : chart(means, p.xmin, p.xmax)) std::cout << line << "\n";
}

}  // namespace hbooktool::show
