#include "transport/scan/manifest.h"

#include <toml++/toml.h>

#include <cstdio>
#include <sstream>
#include <stdexcept>

#include "transport/description/keys.h"

namespace tarn::scan {
namespace {

constexpr std::int64_t FORMAT = 1;

// A number as the digest's canonical text writes it (single precision widened).
std::string valueText(const description::Key& key, const Beamline& b) {
  Beamline copy = b;
  const description::Slot s = key.slot(copy);
  if (s.side) return *s.side == Half::Right ? "right" : "left";
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", s.single ? static_cast<double>(*s.single) : *s.real);
  return text;
}

toml::array strings(const std::vector<std::string>& v) {
  toml::array a;
  for (const std::string& s : v) a.push_back(s);
  return a;
}

std::vector<std::string> stringsOf(const toml::node* node, const std::string& what) {
  const toml::array* a = node ? node->as_array() : nullptr;
  if (!a) throw std::runtime_error(what + " is not a list");
  std::vector<std::string> out;
  for (const toml::node& n : *a) {
    if (const auto* s = n.as_string())
      out.push_back(s->get());
    else if (const auto* d = n.as_floating_point()) {
      char text[40];
      std::snprintf(text, sizeof text, "%.17g", d->get());
      out.push_back(text);
    } else if (const auto* i = n.as_integer())
      out.push_back(std::to_string(i->get()));
    else
      throw std::runtime_error(what + " holds something other than text and numbers");
  }
  return out;
}

std::string textOf(const toml::table& t, const char* key, const std::string& where) {
  const std::optional<std::string> v = t[key].value<std::string>();
  if (!v) throw std::runtime_error(where + ": no " + key);
  return *v;
}

std::int64_t integerOf(const toml::table& t, const char* key, const std::string& where) {
  const std::optional<std::int64_t> v = t[key].value<std::int64_t>();
  if (!v) throw std::runtime_error(where + ": no " + key);
  return *v;
}

}  // namespace

Manifest makeManifest(const Options& options, const Grid& grid, const std::string& inputDir,
                      const std::vector<std::pair<std::string, std::string>>& inputs) {
  Manifest m;
  m.command = options.command;
  m.events = options.events;
  m.seed = options.seed;
  m.beamlineFile = options.beamlineFile;
  for (const Axis& a : options.axes) {
    m.keys.push_back(a.key);
    const description::Key* k = description::findKey(a.key);
    m.units.push_back(k ? description::unitOf(k->kind) : "");
  }
  m.inputDir = inputDir;
  m.inputs = inputs;
  for (const Point& p : grid.points) {
    Manifest::Entry e{p.folder, p.sets, {}, p.digest};
    for (const Axis& a : options.axes)
      if (const description::Key* k = description::findKey(a.key)) e.values.push_back(valueText(*k, p.description.values));
    m.points.push_back(std::move(e));
  }
  return m;
}

std::string manifestText(const Manifest& m) {
  toml::table t;
  t.insert("format", FORMAT);
  t.insert("command", m.command);
  t.insert("events", m.events);
  t.insert("seed", m.seed);
  t.insert("beamline", m.beamlineFile);
  t.insert("keys", strings(m.keys));
  t.insert("units", strings(m.units));
  t.insert("input_dir", m.inputDir);
  toml::table inputs;
  for (const auto& [name, digest] : m.inputs) inputs.insert(name, digest);
  t.insert("inputs", inputs);
  toml::array points;
  for (const Manifest::Entry& e : m.points) {
    toml::array values;
    for (const std::string& v : e.values) {
      if (v == "right" || v == "left")
        values.push_back(v);
      else
        values.push_back(std::strtod(v.c_str(), nullptr));
    }
    points.push_back(toml::table{{"folder", e.folder}, {"sets", strings(e.sets)}, {"values", values}, {"digest", e.digest}});
  }
  t.insert("points", points);
  std::ostringstream out;
  out << "# tarn scan: the points of this scan, written when it started. The same command goes on with it\n"
         "# after a stop; tarn-report makes its table (scan.csv), plot (scan.png) and page (scan.html) from it.\n"
      << t << '\n';
  return out.str();
}

Manifest readManifest(const std::string& path) {
  toml::table t;
  try {
    t = toml::parse_file(path);
  } catch (const toml::parse_error& e) {
    std::ostringstream why;
    why << path << ": not a scan's manifest (" << e.description() << ", line " << e.source().begin.line << ")";
    throw std::runtime_error(why.str());
  }
  if (t["format"].value<std::int64_t>() != FORMAT)
    throw std::runtime_error(path + ": a scan manifest of another format than " + std::to_string(FORMAT));
  Manifest m;
  m.command = textOf(t, "command", path);
  m.events = integerOf(t, "events", path);
  m.seed = integerOf(t, "seed", path);
  m.beamlineFile = textOf(t, "beamline", path);
  m.keys = stringsOf(t.get("keys"), path + ": keys");
  m.units = stringsOf(t.get("units"), path + ": units");
  m.inputDir = textOf(t, "input_dir", path);
  if (const toml::table* inputs = t["inputs"].as_table())
    for (const auto& [name, digest] : *inputs) m.inputs.emplace_back(std::string(name.str()), digest.value_or(std::string()));
  const toml::array* points = t["points"].as_array();
  if (!points) throw std::runtime_error(path + ": no points");
  for (const toml::node& n : *points) {
    const toml::table* p = n.as_table();
    if (!p) throw std::runtime_error(path + ": a point is not a table");
    Manifest::Entry e;
    e.folder = textOf(*p, "folder", path);
    e.sets = stringsOf(p->get("sets"), path + ": sets of " + e.folder);
    e.values = stringsOf(p->get("values"), path + ": values of " + e.folder);
    e.digest = textOf(*p, "digest", path);
    m.points.push_back(std::move(e));
  }
  return m;
}

std::string manifestDifference(const Manifest& stored, const Manifest& now) {
  if (stored.events != now.events)
    return "its points run " + std::to_string(stored.events) + " events, not " + std::to_string(now.events);
  if (stored.seed != now.seed) return "its seed is " + std::to_string(stored.seed) + ", not " + std::to_string(now.seed);
  if (stored.keys != now.keys || stored.points.size() != now.points.size())
    return "its points are " + std::to_string(stored.points.size()) + " of other values";
  for (std::size_t i = 0; i < stored.points.size(); ++i) {
    const Manifest::Entry &a = stored.points[i], &b = now.points[i];
    if (a.folder != b.folder || a.digest != b.digest)
      return "its point " + std::to_string(i + 1) + " is " + a.folder + " (beamline digest " + a.digest +
             "), this command's " + b.folder + " (digest " + b.digest + ")";
  }
  for (const auto& [name, digest] : now.inputs)
    for (const auto& [storedName, storedDigest] : stored.inputs)
      if (name == storedName && digest != storedDigest)
        return name + " is not the input it read (" + digest + ", the scan's " + storedDigest + ")";
  return "";
}

}  // namespace tarn::scan
