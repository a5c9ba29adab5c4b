#include "transport/run/filerecord.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <sstream>
#include <stdexcept>

namespace tarn {
namespace {

constexpr const char* FIRST_LINE = "tarn run record 1";
constexpr std::size_t MOST_TITLE = 80;
constexpr const char* INDEPENDENT_RUNS = "independent";

}  // namespace

std::string FileRecord::text() const {
  std::ostringstream out;
  out << FIRST_LINE << '\n' << run.text() << '\n';
  for (const auto& [key, value] : beamline) out << "beamline " << key << ' ' << value << '\n';
  for (const CopyTag& c : copies) out << "copy " << c.id << ' ' << c.block << ' ' << c.order << '\n';
  char value[40];
  for (const ExactChannel& x : exact) {
    std::snprintf(value, sizeof value, "%.0f", x.value);
    out << "exact " << x.id << ' ' << x.channel << ' ' << value << '\n';
  }
  for (const auto& [id, n] : entries) out << "entries " << id << ' ' << n << '\n';
  return out.str();
}

FileRecord independentRunsRecord(const std::string& beamlineDigest, const BeamlineValues& values) {
  FileRecord r;
  r.independentRuns = true;
  r.run.set("runs", INDEPENDENT_RUNS);
  r.run.set("beamline", beamlineDigest);
  r.beamline = values;
  return r;
}

FileRecord FileRecord::parse(const std::string& text) {
  std::istringstream in(text);
  std::string line;
  if (!std::getline(in, line) || line != FIRST_LINE)
    throw std::runtime_error("the run record does not begin with '" + std::string(FIRST_LINE) + "'");
  FileRecord r;
  if (!std::getline(in, line)) throw std::runtime_error("the run record has no run line");
  r.run = RunIdentity::parseFields(line);
  r.independentRuns = r.run.get("runs") == INDEPENDENT_RUNS;
  if (!r.independentRuns) r.run = RunIdentity::parse(line);
  while (std::getline(in, line)) {
    std::istringstream items(line);
    std::string kind, rest;
    items >> kind;
    bool ok = false;
    if (kind == "beamline") {
      // The key, then the value as shown, unit included: the rest of the line.
      std::string key, value;
      ok = static_cast<bool>(items >> key) && std::getline(items >> std::ws, value) && !value.empty();
      if (!ok) throw std::runtime_error("the run record's line '" + line + "' is damaged");
      r.beamline.emplace_back(key, value);
      continue;
    }
    if (kind == "copy") {
      CopyTag c;
      ok = static_cast<bool>(items >> c.id >> c.block >> c.order);
      r.copies.push_back(c);
    } else if (kind == "exact") {
      ExactChannel x;
      long long v = 0;
      ok = static_cast<bool>(items >> x.id >> x.channel >> v);
      x.value = static_cast<double>(v);
      r.exact.push_back(x);
    } else if (kind == "entries") {
      std::int32_t id = 0;
      long long n = 0;
      ok = static_cast<bool>(items >> id >> n);
      r.entries.emplace_back(id, n);
    }
    if (!ok || (items >> rest)) throw std::runtime_error("the run record's line '" + line + "' is damaged");
  }
  return r;
}

bool fileNeedsRecord(std::int64_t events, const BlockSet& blocks, bool shippedBeamline) {
  return !(events == BLOCK_EVENTS && blocks == BlockSet::range(0, 0) && shippedBeamline);
}

hbook::Histogram recordHistogram(const FileRecord& record) {
  const std::string text = record.text();
  hbook::Histogram h;
  h.id = RUN_RECORD_ID;
  std::string title = record.independentRuns
                          ? std::string(RUN_RECORD_TITLE) + ": independent runs of beamline " + record.run.get("beamline")
                          : std::string(RUN_RECORD_TITLE) + ": seed " + record.run.get("seed") + ", events " +
                                record.run.get("events") + ", blocks " + record.run.get("blocks");
  if (title.size() > MOST_TITLE) title = title.substr(0, MOST_TITLE - 3) + "...";
  h.title = title;
  h.nx = static_cast<std::int32_t>(text.size());
  h.xmin = 0.0f;
  h.xmax = static_cast<float>(text.size());
  h.channels.assign(text.size() + 2, 0.0f);
  for (std::size_t i = 0; i < text.size(); ++i) h.channels[i + 1] = static_cast<float>(static_cast<unsigned char>(text[i]));
  h.entries = h.nx;
  return h;
}

bool isRecordHistogram(const hbook::Histogram& h) {
  return h.id == RUN_RECORD_ID && h.title.rfind(RUN_RECORD_TITLE, 0) == 0;
}

std::optional<FileRecord> findRecord(const std::vector<hbook::Histogram>& histograms) {
  for (const hbook::Histogram& h : histograms) {
    if (!isRecordHistogram(h)) continue;
    std::string text;
    for (std::int32_t i = 1; i <= h.nx && static_cast<std::size_t>(i) < h.channels.size(); ++i) {
      const float c = h.channels[i];
      if (!(c >= 1.0f && c <= 255.0f) || c != std::floor(c)) throw std::runtime_error("the run record's bins are not text");
      text += static_cast<char>(static_cast<unsigned char>(c));
    }
    return FileRecord::parse(text);
  }
  return std::nullopt;
}

}  // namespace tarn
