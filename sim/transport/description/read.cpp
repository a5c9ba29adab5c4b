#include "transport/description/read.h"

#include <toml++/toml.h>

#include <algorithm>
#include <charconv>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

#include "textout/editdistance.h"
#include "transport/description/fit.h"
#include "transport/description/keys.h"
#include "transport/description/quantity.h"

namespace tarn::description {
namespace {

std::string unknownKey(const std::string& name) {
  const Key* best = nullptr;
  std::size_t bestDistance = 0;
  for (const Key& k : keys()) {
    const std::size_t d = textout::editDistance(name, k.name);
    if (!best || d < bestDistance) best = &k, bestDistance = d;
  }
  std::string text = "no such key";
  // Close enough to be a slip: at most a third of the name changed.
  if (best && bestDistance * 3 <= name.size()) text += " (did you mean " + std::string(best->name) + "?)";
  return text;
}

class Reader {
 public:
  Reader(const Beamline& base, bool complete) : complete_(complete) { result_.description.values = base; }

  void file(const std::string& path) {
    Description& d = result_.description;
    d.file = path;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
      error("--beamline " + path, "cannot read the description: " + std::string(std::strerror(errno)));
      return;
    }
    std::ostringstream text;
    text << in.rdbuf();
    toml::table table;
    try {
      table = toml::parse(text.str(), path);
    } catch (const toml::parse_error& e) {
      error(path + " line " + std::to_string(e.source().begin.line) + ", column " +
                std::to_string(e.source().begin.column),
            "not TOML: " + std::string(e.description()));
      return;
    }
    walk(table, "", path);
    // The table is walked in key order; report in the order of the file.
    std::stable_sort(fileErrors_.begin(), fileErrors_.end(),
                     [](const LineError& a, const LineError& b) { return a.line < b.line; });
    for (LineError& e : fileErrors_) result_.errors.push_back(std::move(e.text));
    fileErrors_.clear();
  }

  void set(const std::string& argument) {
    result_.description.sets.push_back(argument);
    const std::string where = "--set " + argument;
    const std::size_t eq = argument.find('=');
    if (eq == std::string::npos || eq == 0) {
      error(where, "give KEY=VALUE, for example --set cells.length=30");
      return;
    }
    const std::string name = argument.substr(0, eq), text = argument.substr(eq + 1);
    const Key* key = findKey(name);
    if (!key) {
      error(where, name + ": " + unknownKey(name));
      return;
    }
    // The value as TOML (30, 1.6, "right", true); otherwise as plain text
    // (right, 300 mm).
    try {
      const toml::table t = toml::parse("value = " + text);
      if (const toml::node* node = t.get("value")) {
        assign(*key, *node, where);
        return;
      }
    } catch (const toml::parse_error&) {
    }
    assign(*key, toml::value<std::string>(text), where);
  }

  ReadResult finish() {
    Description& d = result_.description;
    if (complete_)
      for (const Key& k : keys())
        if (!d.origin.count(k.name)) error(d.file, std::string(k.name) + ": missing (every key must be given)");
    for (std::string& e : checkFit(d)) result_.errors.push_back(std::move(e));
    return std::move(result_);
  }

 private:
  // An error about a value given at `where`; while a file is walked, its
  // line orders the messages.
  void error(const std::string& where, const std::string& what) {
    if (line_ > 0)
      fileErrors_.push_back({line_, where + ": " + what});
    else
      result_.errors.push_back(where + ": " + what);
  }

  void walk(const toml::table& table, const std::string& prefix, const std::string& path) {
    for (auto&& [k, node] : table) {
      const std::string name = prefix + std::string(k.str());
      line_ = static_cast<int>(k.source().begin.line);
      const std::string where = path + " line " + std::to_string(line_);
      const Key* key = findKey(name);
      if (key) {
        assign(*key, node, where);
      } else if (const toml::table* inner = node.as_table(); inner && isSection(name)) {
        walk(*inner, name + ".", path);
      } else if (inner && inner->empty()) {
        error(where, name +
                         ": no such section; the sections are source, guide1, guide2, gaps, cells, split_guide, "
                         "last_guide");
      } else if (inner) {
        walk(*inner, name + ".", path);  // every key inside is unknown, each with its nearest
      } else {
        error(where, name + ": " + unknownKey(name));
      }
    }
    if (prefix.empty()) line_ = 0;
  }

  static bool isSection(const std::string& name) {
    for (const Key& k : keys())
      if (std::string(k.name).rfind(name + ".", 0) == 0) return true;
    return false;
  }

  void assign(const Key& key, const toml::node& node, const std::string& where) {
    Description& d = result_.description;
    const std::string name = key.name;
    const Slot slot = key.slot(d.values);
    if (slot.side) {
      const std::optional<std::string> s = node.value_exact<std::string>();
      if (!s || (*s != "right" && *s != "left")) {
        error(where, name + ": must be \"right\" or \"left\"" + describeGiven(node));
        return;
      }
      *slot.side = *s == "right" ? Half::Right : Half::Left;
      d.origin[name] = where;
      return;
    }
    double value = 0.0;
    if (const auto i = node.value_exact<std::int64_t>()) {
      value = static_cast<double>(*i);
      if (static_cast<std::int64_t>(value) != *i)
        return error(where, name + ": " + std::to_string(*i) + " is too large");
    } else if (const auto f = node.value_exact<double>()) {
      value = *f;
    } else if (const auto s = node.value_exact<std::string>()) {
      const std::string why = readQuantity(*s, key.kind, value);
      if (!why.empty()) return error(where, name + ": " + why);
    } else {
      return error(where, name + ": must be a number in " + unitOf(key.kind) + describeGiven(node));
    }
    if (slot.single) {
      const float rounded = static_cast<float>(value);
      if (std::isfinite(value) && !std::isfinite(rounded))
        return error(where, name + ": is too large for a single-precision value");
      value = rounded;
    }
    if (const std::string why = checkValue(key.kind, value); !why.empty())
      return error(where, name + " = " + shownNumber(value) + " " + unitOf(key.kind) + ": " + why);
    if (slot.single)
      *slot.single = static_cast<float>(value);
    else
      *slot.real = value;
    d.origin[name] = where;
  }

  static std::string shownNumber(double v) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
  }

  static std::string describeGiven(const toml::node& node) {
    switch (node.type()) {
      case toml::node_type::string: return ", not \"" + *node.value_exact<std::string>() + "\"";
      case toml::node_type::boolean: return ", not a true/false value";
      case toml::node_type::array: return ", not a list";
      case toml::node_type::table: return ", not a table";
      case toml::node_type::integer:
      case toml::node_type::floating_point: return ", not a number";
      default: return ", not a date or time";
    }
  }

  struct LineError {
    int line;
    std::string text;
  };
  ReadResult result_;
  bool complete_;
  int line_ = 0;  // the line of the key being read from a file, 0 otherwise
  std::vector<LineError> fileErrors_;
};

}  // namespace

ReadResult readDescription(const Beamline& base, const std::string& file, const std::vector<std::string>& sets,
                           bool complete) {
  Reader reader(base, complete);
  if (!file.empty()) reader.file(file);
  for (const std::string& s : sets) reader.set(s);
  return reader.finish();
}

std::string originOf(const Description& d, const std::string& key) {
  const auto it = d.origin.find(key);
  return it == d.origin.end() ? "shipped value" : it->second;
}

}  // namespace tarn::description
