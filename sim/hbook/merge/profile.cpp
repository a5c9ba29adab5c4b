// Adding profiles: the sums of w*y (every channel), w*y^2 and w per bin and
// the entries; with error option P the stored sums of squared deviations
// from the bin mean are combined as two samples' are.
#include "hbook/merge/kinds.h"

namespace hbook::merging {
namespace {

constexpr std::uint32_t OPTION_P = 0x4;

void checkAlike(const Profile& first, const std::string& firstName, const Profile& q, const std::string& name,
                const std::string& label) {
  if (q.title != first.title)
    refuse(name, label + " is titled \"" + q.title + "\"; in " + firstName + " \"" + first.title + "\"");
  if (q.nx != first.nx || !sameBits(q.xmin, first.xmin) || !sameBits(q.xmax, first.xmax) ||
      !sameBits(q.ymin, first.ymin) || !sameBits(q.ymax, first.ymax)) {
    refuse(name, label + " has " + std::to_string(q.nx) + " bins " + number(q.xmin) + ".." + number(q.xmax) + ", y " +
                     number(q.ymin) + ".." + number(q.ymax) + "; in " + firstName + " it has " +
                     std::to_string(first.nx) + " bins " + number(first.xmin) + ".." + number(first.xmax) + ", y " +
                     number(first.ymin) + ".." + number(first.ymax));
  }
  if (q.errorStatus != first.errorStatus) {
    refuse(name, label + " has error option bits " + std::to_string(q.errorStatus) + "; in " + firstName + " " +
                     std::to_string(first.errorStatus));
  }
}

}  // namespace

Profile mergeProfile(const Parts<Profile>& p) {
  const Profile& first = p.first();
  for (std::size_t f = 1; f < p.objects.size(); ++f)
    checkAlike(first, *p.files[0], *p.objects[f], *p.files[f], p.label);
  Profile out = first;
  std::vector<const std::vector<float>*> wy, wy2, w;
  std::vector<std::int32_t> entries;
  for (const Profile* q : p.objects) {
    wy.push_back(&q->sumWY);
    wy2.push_back(&q->sumWY2);
    w.push_back(&q->sumW);
    entries.push_back(q->entries);
  }
  out.sumWY = sum(wy);
  out.sumW = sum(w);
  out.entries = sumEntries(entries);
  if (!(first.errorStatus & OPTION_P)) {
    out.sumWY2 = sum(wy2);
    return out;
  }
  // Option P: per bin D = D_a + D_b + W_a W_b / (W_a + W_b) (mean_a - mean_b)^2, in double precision.
  for (std::size_t b = 0; b < out.sumW.size(); ++b) {
    double d = 0.0, y = 0.0, n = 0.0;
    for (const Profile* q : p.objects) {
      const double dq = q->sumWY2[b], yq = q->sumWY[b + 1], nq = q->sumW[b];
      if (nq != 0.0 && n != 0.0) {
        const double diff = y / n - yq / nq;
        d += dq + n * nq / (n + nq) * diff * diff;
      } else {
        d += dq;
      }
      y += yq;
      n += nq;
    }
    out.sumWY2[b] = static_cast<float>(d);
  }
  return out;
}

}  // namespace hbook::merging
