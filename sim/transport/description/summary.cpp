#include "transport/description/summary.h"

#include <cstdio>

#include "transport/description/keys.h"

namespace tarn::description {

std::vector<Difference> differences(const Beamline& b, const Beamline& shipped) {
  std::vector<Difference> out;
  for (const Key& k : keys())
    if (!sameValue(k, b, shipped)) out.push_back({k.name, shownValue(k, b), shownValue(k, shipped)});
  return out;
}

std::string canonicalText(const Beamline& b) {
  std::string text;
  Beamline copy = b;
  for (const Key& k : keys()) {
    const Slot s = k.slot(copy);
    char value[40];
    if (s.side)
      std::snprintf(value, sizeof value, "%s", *s.side == Half::Right ? "right" : "left");
    else
      std::snprintf(value, sizeof value, "%.17g", s.single ? static_cast<double>(*s.single) : *s.real);
    text += std::string(k.name) + "=" + value + "\n";
  }
  return text;
}

std::string digest(const Beamline& b) {
  std::uint64_t h = 14695981039346656037ull;  // FNV-1a offset basis
  for (const unsigned char c : canonicalText(b)) {
    h ^= c;
    h *= 1099511628211ull;  // FNV prime
  }
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(h));
  return hex;
}

std::vector<std::string> reportLines(const Description& d, const Beamline& shipped) {
  const std::vector<Difference> diff = differences(d.values, shipped);
  if (diff.empty()) return {};
  std::string source = d.file.empty() ? "" : " of " + d.file;
  if (!d.sets.empty()) source += " with --set";
  std::vector<std::string> lines;
  lines.push_back("Beamline" + source + ": " + std::to_string(diff.size()) +
                  (diff.size() == 1 ? " value differs" : " values differ") + " " + DIGEST_WORDS +
                  digest(d.values) + ")");
  for (const Difference& x : diff) lines.push_back("  " + x.key + " = " + x.value + SHIPPED_WORDS + x.shipped + ")");
  return lines;
}

}  // namespace tarn::description
