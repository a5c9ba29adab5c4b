#include "transport/run/runidentity.h"

#include <sstream>
#include <stdexcept>

namespace tarn {
namespace {

bool wholeNumber(const std::string& s, std::int64_t& v) {
  if (s.empty() || s.size() > 18) return false;
  v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  return true;
}

std::int64_t numberField(const RunIdentity& r, const char* key) {
  std::int64_t v = 0;
  if (!wholeNumber(r.get(key), v)) throw std::runtime_error(std::string("no valid ") + key + " in the run record");
  return v;
}

}  // namespace

RunIdentity::RunIdentity(std::int64_t seed, std::int64_t events, const std::string& sampler, const BlockSet& blocks) {
  set("seed", std::to_string(seed));
  set("events", std::to_string(events));
  set("sampler", sampler);
  set("blocks", blocks.text());
}

std::int64_t RunIdentity::seed() const { return numberField(*this, "seed"); }
std::int64_t RunIdentity::events() const { return numberField(*this, "events"); }

BlockSet RunIdentity::blocks() const {
  BlockSet b;
  if (!BlockSet::parse(get("blocks"), b)) throw std::runtime_error("no valid blocks in the run record");
  return b;
}

std::string RunIdentity::get(const std::string& key) const {
  for (const auto& [k, v] : fields_)
    if (k == key) return v;
  return "";
}

void RunIdentity::set(const std::string& key, const std::string& value) {
  for (auto& [k, v] : fields_)
    if (k == key) {
      v = value;
      return;
    }
  fields_.emplace_back(key, value);
}

std::string RunIdentity::text() const {
  std::string s;
  for (const auto& [k, v] : fields_) s += (s.empty() ? "" : " ") + k + "=" + v;
  return s;
}

RunIdentity RunIdentity::parseFields(const std::string& text) {
  RunIdentity r;
  std::istringstream in(text);
  for (std::string item; in >> item;) {
    const std::size_t eq = item.find('=');
    if (eq == std::string::npos || eq == 0) throw std::runtime_error("'" + item + "' in the run record is not key=value");
    const std::string key = item.substr(0, eq);
    // Present at all, not only with a value: "x= x=1" gives x twice too.
    for (const auto& field : r.fields_)
      if (field.first == key) throw std::runtime_error("the run record gives " + key + " twice");
    r.set(key, item.substr(eq + 1));
  }
  return r;
}

RunIdentity RunIdentity::parse(const std::string& text) {
  const RunIdentity r = parseFields(text);
  r.seed();
  const std::int64_t events = r.events();
  const BlockSet blocks = r.blocks();
  if (events < 1) throw std::runtime_error("the run record gives no events");
  if (!blocks.empty() && blocks.ranges().back().last >= blockCount(events))
    throw std::runtime_error("the run record's blocks " + blocks.text() + " go beyond the run's " +
                             std::to_string(blockCount(events)));
  return r;
}

std::string RunIdentity::differingField(const RunIdentity& other) const {
  for (const auto& [k, v] : fields_)
    if (k != "blocks" && other.get(k) != v) return k;
  for (const auto& [k, v] : other.fields_)
    if (k != "blocks" && get(k) != v) return k;
  return "";
}

}  // namespace tarn
