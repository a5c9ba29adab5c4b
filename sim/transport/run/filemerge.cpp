#include "transport/run/filemerge.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>

#include "hbook/rz/fileerror.h"
#include "transport/event/catalogue.h"
#include "transport/run/filerecord.h"

namespace tarn {
namespace {

using hbook::FileError;

struct Part {
  hbook::MergeSource* source;  // the 1-D histograms of its top directory
  std::optional<FileRecord> record;
  hbook::MergeSource others;  // the rest of the file (takeOthers)
};

// Moves every object but the top directory's 1-D histograms out of s: the
// top directory's other objects and subdirectories, the directories below.
hbook::MergeSource takeOthers(hbook::MergeSource& s) {
  hbook::MergeSource rest{s.name, {}};
  auto& dirs = s.file.directories;
  if (dirs.empty()) return rest;
  hbook::Directory& top = dirs.front();
  hbook::Directory mine;
  mine.path = top.path;
  mine.subdirectories = std::move(top.subdirectories);
  top.subdirectories.clear();
  mine.histograms2d = std::move(top.histograms2d);
  mine.profiles = std::move(top.profiles);
  mine.rowNtuples = std::move(top.rowNtuples);
  mine.columnNtuples = std::move(top.columnNtuples);
  top.histograms2d.clear();
  top.profiles.clear();
  top.rowNtuples.clear();
  top.columnNtuples.clear();
  std::vector<hbook::ObjectRef> histograms;
  for (const hbook::ObjectRef& o : top.objects)
    (o.kind == hbook::ObjectKind::Histogram1D ? histograms : mine.objects).push_back(o);
  top.objects = std::move(histograms);
  rest.file.directories.push_back(std::move(mine));
  for (std::size_t i = 1; i < dirs.size(); ++i) rest.file.directories.push_back(std::move(dirs[i]));
  dirs.resize(1);
  return rest;
}

bool holdsObjects(const hbook::MergeSource& s) {
  return s.file.directories.size() > 1 || (!s.file.directories.empty() && !s.file.directories.front().objects.empty());
}

// The other objects of every part, in the parts' order (none: an empty file).
hbook::MergedFile mergeOthers(const std::vector<Part>& parts) {
  bool any = false;
  for (const Part& p : parts) any = any || holdsObjects(p.others);
  if (!any) return {};
  std::vector<hbook::MergeSource> others;
  for (const Part& p : parts) others.push_back(p.others);
  return hbook::mergeFiles(others);
}

std::optional<FileRecord> takeRecord(hbook::MergeSource& s) {
  std::optional<FileRecord> record;
  try {
    record = findRecord(s.file.histograms);
  } catch (const std::runtime_error& e) {
    throw FileError(s.name + ": " + e.what());
  }
  auto& hs = s.file.histograms;
  hs.erase(std::remove_if(hs.begin(), hs.end(), [](const hbook::Histogram& h) { return isRecordHistogram(h); }),
           hs.end());
  if (!s.file.directories.empty()) {
    auto& objects = s.file.directories.front().objects;
    objects.erase(std::remove_if(objects.begin(), objects.end(),
                                 [](const hbook::ObjectRef& o) { return o.id == RUN_RECORD_ID; }),
                  objects.end());
  }
  return record;
}

bool sameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec);
}

// Runs of different beamlines are not added: a file without a record is of
// the shipped beamline (tarn gives every other file a record).
void refuseOtherBeamlines(const std::vector<Part>& parts) {
  std::vector<BeamlineOf> of;
  for (const Part& p : parts)
    of.push_back(p.record ? BeamlineOf{p.source->name, p.record->run.get("beamline"), p.record->beamline}
                          : BeamlineOf{p.source->name, "", {}});
  for (const BeamlineOf& b : of) {
    const std::string why = differentBeamlines(of.front(), b);
    if (!why.empty()) throw FileError(why);
  }
}

// No two files of the same seed may hold the same block.
void refuseSharedBlocks(const std::vector<Part>& parts) {
  for (std::size_t i = 0; i < parts.size(); ++i)
    for (std::size_t j = i + 1; j < parts.size(); ++j) {
      const std::string& a = parts[i].source->name;
      const std::string& b = parts[j].source->name;
      if (sameFile(a, b)) throw FileError(b + " is given twice");
      if (!parts[i].record || !parts[j].record || parts[i].record->independentRuns || parts[j].record->independentRuns)
        continue;
      const RunIdentity& x = parts[i].record->run;
      const RunIdentity& y = parts[j].record->run;
      if (x.seed() != y.seed()) continue;
      const BlockSet shared = x.blocks().intersection(y.blocks());
      if (!shared.empty())
        throw FileError(a + " and " + b + " both hold blocks " + shared.text() + " of seed " +
                        std::to_string(x.seed()) + ": their events would be counted twice");
    }
}

hbook::Histogram* findIn(std::vector<hbook::Histogram>& hs, std::int32_t id) {
  for (hbook::Histogram& h : hs)
    if (h.id == id) return &h;
  return nullptr;
}

RunFilesMerge mergeBlocks(std::vector<Part>& parts, bool incomplete) {
  const RunIdentity& run = parts.front().record->run;
  BlockSet held;
  for (const Part& p : parts) held.add(p.record->run.blocks());
  const std::int64_t blocks = blockCount(run.events());
  const BlockSet missing = BlockSet::range(0, blocks - 1).minus(held);
  if (!missing.empty() && !incomplete)
    throw FileError("blocks " + missing.text() + " of the run (seed " + std::to_string(run.seed()) + ", " +
                    std::to_string(run.events()) + " events, blocks 0-" + std::to_string(blocks - 1) +
                    ") are in none of the files; add their files, or give --incomplete for a file of part of the run");
  std::sort(parts.begin(), parts.end(), [](const Part& a, const Part& b) {
    return a.record->run.blocks().ranges().front().first < b.record->run.blocks().ranges().front().first;
  });
  std::vector<hbook::MergeSource> sorted;
  for (const Part& p : parts) sorted.push_back(*p.source);
  const std::vector<hbook::MergedHistogram> merged = hbook::mergeHistograms(sorted);

  RunFilesMerge out;
  out.others = mergeOthers(parts);
  for (const hbook::MergedHistogram& m : merged)
    if (!isWorkingCopy(m.histogram.id)) out.merged.push_back(m);
  // Channels and entries kept exactly by a record: the sum again, from the
  // exact values where a file has them.
  std::map<std::pair<std::int32_t, std::int32_t>, double> exact;
  std::map<std::int32_t, std::int64_t> entries;
  bool anyExact = false;
  for (const Part& p : parts) anyExact = anyExact || !p.record->exact.empty() || !p.record->entries.empty();
  if (anyExact) {
    for (hbook::MergedHistogram& m : out.merged) {
      if (m.role != hbook::MergeRole::Tally) continue;
      hbook::Histogram& h = m.histogram;
      bool kept = false;
      for (const Part& p : parts) {
        for (const ExactChannel& x : p.record->exact) kept = kept || x.id == h.id;
        for (const auto& e : p.record->entries) kept = kept || e.first == h.id;
      }
      if (!kept) continue;
      std::vector<double> sum(h.channels.size(), 0.0);
      std::int64_t n = 0;
      for (const Part& p : parts) {
        hbook::Histogram* mine = findIn(p.source->file.histograms, h.id);
        if (!mine) continue;
        std::vector<double> values(mine->channels.begin(), mine->channels.end());
        std::int64_t e = mine->entries;
        for (const ExactChannel& x : p.record->exact)
          if (x.id == h.id && x.channel >= 0 && static_cast<std::size_t>(x.channel) < values.size()) values[x.channel] = x.value;
        for (const auto& [id, v] : p.record->entries)
          if (id == h.id) e = v;
        for (std::size_t i = 0; i < sum.size() && i < values.size(); ++i) sum[i] += values[i];
        n += e;
      }
      for (std::size_t i = 0; i < sum.size(); ++i) {
        h.channels[i] = static_cast<float>(sum[i]);
        if (static_cast<double>(h.channels[i]) != sum[i]) exact[{h.id, static_cast<std::int32_t>(i)}] = sum[i];
      }
      h.entries = hbook::entriesWord(n);
      if (n > h.entries) entries[h.id] = n;
    }
  }

  // The working copies of the file whose block made them last.
  FileRecord record;
  record.run = run;
  record.run.setBlocks(held);
  record.beamline = parts.front().record->beamline;
  std::vector<std::pair<CopyTag, hbook::Histogram>> latest;
  for (const Part& p : parts)
    for (const CopyTag& tag : p.record->copies) {
      hbook::Histogram* h = findIn(p.source->file.histograms, tag.id);
      if (!h) throw FileError(p.source->name + ": its run record names copy " + std::to_string(tag.id) + ", which it does not hold");
      auto it = std::find_if(latest.begin(), latest.end(), [&](const auto& l) { return l.first.id == tag.id; });
      auto later = [](const CopyTag& a, const CopyTag& b) { return a.block != b.block ? a.block > b.block : a.order > b.order; };
      if (it == latest.end())
        latest.emplace_back(tag, *h);
      else if (later(tag, it->first))
        *it = {tag, *h};
    }
  std::sort(latest.begin(), latest.end(), [](const auto& a, const auto& b) {
    return a.first.block != b.first.block ? a.first.block < b.first.block : a.first.order < b.first.order;
  });
  for (const auto& [tag, h] : latest) {
    hbook::MergedHistogram m;
    m.histogram = h;
    m.histogram.readFromFile = h.markedAsRead;
    m.role = hbook::MergeRole::WorkingCopy;
    out.merged.push_back(std::move(m));
    record.copies.push_back(tag);
  }
  for (const auto& [where, v] : exact) record.exact.push_back({where.first, where.second, v});
  for (const auto& [id, n] : entries) record.entries.emplace_back(id, n);
  if (fileNeedsRecord(run.events(), held, record.beamline.empty())) {
    hbook::MergedHistogram m;
    m.histogram = recordHistogram(record);
    m.role = hbook::MergeRole::Input;
    out.merged.push_back(std::move(m));
    out.withRecord = true;
  }
  out.notes.push_back("blocks " + held.text() + " of the run with seed " + std::to_string(run.seed()) + " (" +
                      std::to_string(run.events()) + " events)" +
                      (missing.empty() ? ": the whole run" : "; blocks " + missing.text() + " are not in it"));
  return out;
}

}  // namespace

RunFilesMerge mergeRunFiles(std::vector<hbook::MergeSource> sources, bool incomplete) {
  if (sources.empty()) throw FileError("no files to merge");
  std::vector<Part> parts;
  for (hbook::MergeSource& s : sources) {
    std::optional<FileRecord> record = takeRecord(s);
    hbook::MergeSource others = takeOthers(s);
    parts.push_back({&s, std::move(record), std::move(others)});
  }
  refuseSharedBlocks(parts);
  refuseOtherBeamlines(parts);

  bool oneRun = true;
  for (const Part& p : parts)
    oneRun = oneRun && p.record && !p.record->independentRuns &&
             p.record->run.differingField(parts.front().record->run).empty();
  if (oneRun) return mergeBlocks(parts, incomplete);

  RunFilesMerge out;
  out.merged = hbook::mergeHistograms(sources);
  out.others = mergeOthers(parts);
  std::string why = "files without a run record";
  for (const Part& p : parts)
    if (p.record && p.record->independentRuns) {
      why = p.source->name + " holds independent runs already";
      break;
    } else if (p.record && parts.front().record && !p.record->run.differingField(parts.front().record->run).empty()) {
      why = "runs whose " + p.record->run.differingField(parts.front().record->run) + " differs";
      break;
    }
  // Their beamline is one (refused above otherwise); a beamline other than
  // the shipped one is said by a record of the beamline alone.
  const std::optional<FileRecord>& first = parts.front().record;
  if (first && !first->beamline.empty()) {
    hbook::MergedHistogram m;
    m.histogram = recordHistogram(independentRunsRecord(first->run.get("beamline"), first->beamline));
    m.role = hbook::MergeRole::Input;
    out.merged.push_back(std::move(m));
    out.beamlineRecord = true;
    out.notes.push_back("added as independent runs (" + why + "); the result carries the record of their beamline "
                        "alone (" + std::to_string(first->beamline.size()) + " values differ from the shipped one)");
    return out;
  }
  out.notes.push_back("added as independent runs (" + why + "); the result carries no run record");
  return out;
}

std::vector<hbook::Directory> mergedDirectories(const RunFilesMerge& m) {
  std::vector<hbook::Directory> out = m.others.directories;
  if (out.empty()) {
    out.emplace_back();
    out.front().path = "/";
  }
  hbook::Directory& top = out.front();
  std::vector<hbook::ObjectRef> objects;
  for (const hbook::MergedHistogram& h : m.merged) {
    objects.push_back({hbook::ObjectKind::Histogram1D, h.histogram.id, top.histograms.size()});
    top.histograms.push_back(h.histogram);
  }
  objects.insert(objects.end(), top.objects.begin(), top.objects.end());
  top.objects = std::move(objects);
  return out;
}

}  // namespace tarn
