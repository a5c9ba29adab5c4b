// What the fuzzer does with one input, shared with the regression test of
// its findings (tests/hbook_fuzz_regression_test.cpp): read the bytes as an
// HBOOK file; what was read goes through every dump and export, the 1-D
// histograms of the top directory through the writer of HRPUT's files, and
// every object of every directory through the writer of every kind, and the
// reader again, which must give them back bit for bit (their status bits as
// the writer sets them). Reading may throw FileError, and the writer may
// refuse what it cannot store with one;
// anything else (another exception, a file of ours the reader refuses, a
// round trip that differs: abort) is a finding.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <vector>

#include "hbook/print/csv.h"
#include "hbook/print/dump.h"
#include "hbook/print/dumpall/dumpall.h"
#include "hbook/print/json.h"
#include "hbook/rz/reader.h"
#include "hbook/rz/writer.h"

namespace fuzzpipeline {

constexpr const char* FILE_NAME = "fuzz.hbook";

inline std::uint32_t bits(float v) { return std::bit_cast<std::uint32_t>(v); }

inline bool sameBits(const std::vector<float>& a, const std::vector<float>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t k = 0; k < a.size(); ++k) {
    if (bits(a[k]) != bits(b[k])) return false;
  }
  return true;
}

inline bool same(const hbook::Histogram& a, const hbook::Histogram& b) {
  return a.id == b.id && a.title == b.title && a.nx == b.nx && bits(a.xmin) == bits(b.xmin) && bits(a.xmax) == bits(b.xmax) &&
         a.kbits == b.kbits && bits(a.minimum) == bits(b.minimum) && bits(a.maximum) == bits(b.maximum) &&
         bits(a.norm) == bits(b.norm) && a.entries == b.entries && bits(a.statSumW) == bits(b.statSumW) &&
         bits(a.statSumW2) == bits(b.statSumW2) &&
         std::bit_cast<std::uint64_t>(a.statSumWX) == std::bit_cast<std::uint64_t>(b.statSumWX) &&
         std::bit_cast<std::uint64_t>(a.statSumWX2) == std::bit_cast<std::uint64_t>(b.statSumWX2) &&
         sameBits(a.channels, b.channels) && sameBits(a.sumw2, b.sumw2);
}

// Every row of an ntuple takes the same code paths through the dumps and
// exports: the first rows are enough, and keep each run fast.
constexpr std::int32_t ROWS_EXPORTED = 64;

inline void exportEverything(hbook::ReadResult r) {
  for (hbook::Directory& d : r.directories) {
    for (hbook::RowNtuple& n : d.rowNtuples) n.entries = std::min(n.entries, ROWS_EXPORTED);
    for (hbook::ColumnNtuple& n : d.columnNtuples) n.entries = std::min(n.entries, ROWS_EXPORTED);
  }
  std::ostringstream out;
  hbook::dumpAll(out, FILE_NAME, r);
  out << hbook::dumpFile(FILE_NAME, r);
  hbook::jsonFile(out, FILE_NAME, r);
  for (const hbook::Directory& d : r.directories) {
    for (const hbook::ObjectRef& o : d.objects) {
      switch (o.kind) {
        case hbook::ObjectKind::Histogram1D: out << hbook::dumpHistogram(d.histograms[o.index]); break;
        case hbook::ObjectKind::Histogram2D: hbook::csvHistogram2D(out, d.histograms2d[o.index]); break;
        case hbook::ObjectKind::Profile: hbook::csvProfile(out, d.profiles[o.index]); break;
        case hbook::ObjectKind::RowNtuple: hbook::csvRowNtuple(out, d.rowNtuples[o.index]); break;
        case hbook::ObjectKind::ColumnNtuple: hbook::csvColumnNtuple(out, d.columnNtuples[o.index]); break;
      }
    }
  }
}

inline void roundTrip(const hbook::ReadResult& r) {
  std::vector<const hbook::Histogram*> list;
  for (const hbook::Histogram& h : r.histograms) list.push_back(&h);
  std::vector<unsigned char> image;
  try {
    image = hbook::fileImage(list);
  } catch (const hbook::FileError&) {
    return;  // beyond what the writer stores (too many histograms, too many bins)
  }
  const hbook::ReadResult again = hbook::readMemory(FILE_NAME, std::move(image));
  if (again.histograms.size() != r.histograms.size() || !again.skipped.empty()) std::abort();
  for (std::size_t k = 0; k < list.size(); ++k) {
    if (!same(r.histograms[k], again.histograms[k])) std::abort();
  }
}

// Dump --all with every ntuple cut to its first rows (the other rows take
// the same code paths), for comparing two readings.
inline std::string cappedDump(hbook::ReadResult r) {
  for (hbook::Directory& d : r.directories) {
    for (hbook::RowNtuple& n : d.rowNtuples) n.entries = std::min(n.entries, ROWS_EXPORTED);
    for (hbook::ColumnNtuple& n : d.columnNtuples) n.entries = std::min(n.entries, ROWS_EXPORTED);
  }
  std::ostringstream out;
  hbook::dumpAll(out, FILE_NAME, r);
  return out.str();
}

template <typename T>
bool sameBytes(const std::vector<T>& a, const std::vector<T>& b) {
  return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

// Every row of every ntuple, bit for bit.
inline bool sameRows(const hbook::ReadResult& a, const hbook::ReadResult& b) {
  for (std::size_t d = 0; d < a.directories.size(); ++d) {
    const hbook::Directory& x = a.directories[d];
    const hbook::Directory& y = b.directories[d];
    for (std::size_t i = 0; i < x.rowNtuples.size(); ++i) {
      if (!sameBytes(x.rowNtuples[i].values, y.rowNtuples[i].values)) return false;
    }
    for (std::size_t i = 0; i < x.columnNtuples.size(); ++i) {
      for (std::size_t c = 0; c < x.columnNtuples[i].columns.size(); ++c) {
        const hbook::Column& p = x.columnNtuples[i].columns[c];
        const hbook::Column& q = y.columnNtuples[i].columns[c];
        if (!sameBytes(p.reals, q.reals) || !sameBytes(p.doubles, q.doubles) || p.integers != q.integers ||
            p.unsigneds != q.unsigneds || p.logicals != q.logicals || p.texts != q.texts) {
          return false;
        }
      }
    }
  }
  return true;
}

// What was read, with the status bits the writer stores: those saying what an
// object holds are set from what it holds (hbook::storedStatusBits).
inline hbook::ReadResult withStoredStatusBits(hbook::ReadResult r) {
  for (hbook::Directory& d : r.directories) {
    for (hbook::Histogram& h : d.histograms) h.kbits = hbook::storedStatusBits(h);
    for (hbook::Histogram2D& h : d.histograms2d) h.kbits = hbook::storedStatusBits(h);
    for (hbook::Profile& p : d.profiles) p.kbits = hbook::storedStatusBits(p);
  }
  return r;
}

// Every object of every directory, written as hbook copy writes it.
inline void roundTripAll(const hbook::ReadResult& read) {
  if (!read.skipped.empty()) return;
  const hbook::ReadResult r = withStoredStatusBits(read);
  std::vector<hbook::Directory> dirs = r.directories;
  for (hbook::Directory& d : dirs) {
    for (hbook::Histogram& h : d.histograms) h.readFromFile = h.markedAsRead;
  }
  std::vector<unsigned char> image;
  try {
    image = hbook::fileImage(dirs, hbook::WriteOptions{});
  } catch (const hbook::FileError&) {
    return;  // beyond what the writer stores
  }
  const hbook::ReadResult again = hbook::readMemory(FILE_NAME, std::move(image));
  if (!again.skipped.empty() || again.directories.size() != r.directories.size()) std::abort();
  if (cappedDump(again) != cappedDump(r) || !sameRows(r, again)) std::abort();
}

// Returns false when the bytes are refused with a FileError that names the file.
inline bool run(const std::uint8_t* data, std::size_t size) {
  hbook::ReadResult r;
  try {
    r = hbook::readMemory(FILE_NAME, std::vector<unsigned char>(data, data + size));
  } catch (const hbook::FileError& e) {
    if (std::strncmp(e.what(), FILE_NAME, std::strlen(FILE_NAME)) != 0) std::abort();  // messages name the file first
    return false;
  }
  roundTrip(r);
  roundTripAll(r);
  exportEverything(std::move(r));
  return true;
}

}  // namespace fuzzpipeline
