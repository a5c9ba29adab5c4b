#include "transport/run/beamlinerecord.h"

#include <algorithm>

#include "transport/description/keys.h"
#include "transport/description/summary.h"

namespace tarn {
namespace {

std::string digestOf(const BeamlineOf& b) { return b.digest.empty() ? shippedBeamlineDigest() : b.digest; }

// The value `b` has for `key`: its own, or the shipped one.
std::string valueIn(const BeamlineOf& b, const std::string& key) {
  for (const auto& [k, v] : b.values)
    if (k == key) return v;
  const description::Key* known = description::findKey(key);
  return known ? description::shownValue(*known, SHIPPED_BEAMLINE) + " (shipped)" : "the shipped value";
}

}  // namespace

BeamlineValues beamlineValues(const Beamline& b) {
  BeamlineValues out;
  for (const description::Difference& d : description::differences(b, SHIPPED_BEAMLINE)) out.emplace_back(d.key, d.value);
  return out;
}

std::string shippedBeamlineDigest() {
  static const std::string digest = description::digest(SHIPPED_BEAMLINE);
  return digest;
}

std::string differentBeamlines(const BeamlineOf& a, const BeamlineOf& b) {
  if (digestOf(a) == digestOf(b)) return "";
  // The keys either names, in the order of the key table.
  std::vector<std::string> keys;
  for (const description::Key& k : description::keys()) {
    const std::string key = k.name;
    const auto named = [&](const BeamlineValues& values) {
      return std::any_of(values.begin(), values.end(), [&](const auto& kv) { return kv.first == key; });
    };
    if ((named(a.values) || named(b.values)) && valueIn(a, key) != valueIn(b, key)) keys.push_back(key);
  }
  std::string what;
  for (const std::string& key : keys)
    what += (what.empty() ? "" : "; ") + key + " = " + valueIn(a, key) + " in " + a.name + ", " + valueIn(b, key) +
            " in " + b.name;
  if (what.empty())
    what = "their digests differ (" + digestOf(a) + " and " + digestOf(b) + "), and they do not list the values";
  return a.name + " and " + b.name + " are runs of different beamlines: " + what +
         ": only runs of one beamline are added";
}

}  // namespace tarn
