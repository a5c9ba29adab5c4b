// JSON of every object kind and of whole files.
#include "hbook/print/json.h"

#include <bit>
#include <cstdio>

#include "hbook/print/numbers.h"

namespace hbook {
namespace {

std::string text(const std::string& s) {
  std::string q = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      q += '\\';
      q += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      q += buf;
    } else {
      q += static_cast<char>(c);
    }
  }
  return q + "\"";
}

std::string value(float v) {
  const std::string s = exporting::number(v);
  return s == "nan" || s == "inf" || s == "-inf" ? "\"" + s + "\"" : s;
}

std::string value(double v) {
  const std::string s = exporting::number(v);
  return s == "nan" || s == "inf" || s == "-inf" ? "\"" + s + "\"" : s;
}

void list(std::ostream& out, const std::vector<float>& v) {
  out << "[";
  for (std::size_t k = 0; k < v.size(); ++k) out << (k ? "," : "") << value(v[k]);
  out << "]";
}

void listOrNull(std::ostream& out, const std::vector<float>& v) {
  if (v.empty()) {
    out << "null";
  } else {
    list(out, v);
  }
}

void head(std::ostream& out, const char* kind, std::int32_t id, const std::string& title, std::uint32_t kbits) {
  out << "{\"kind\":\"" << kind << "\",\"id\":" << id << ",\"title\":" << text(title) << ",\"kbits\":" << kbits;
}

void histogram1D(std::ostream& out, const Histogram& h) {
  head(out, "1D", h.id, h.title, h.kbits);
  out << ",\"nx\":" << h.nx << ",\"xmin\":" << value(h.xmin) << ",\"xmax\":" << value(h.xmax)
      << ",\"entries\":" << h.entries << ",\"minimum\":" << value(h.minimum) << ",\"maximum\":" << value(h.maximum)
      << ",\"norm\":" << value(h.norm) << ",\"nbit\":" << h.nbit << ",\"edges\":";
  listOrNull(out, h.edges);
  out << ",\"channels\":";
  list(out, h.channels);
  out << ",\"sumw2\":";
  listOrNull(out, h.sumw2);
  out << "}";
}

void projection(std::ostream& out, const Projection& p, bool band) {
  out << "{\"name\":" << text(p.name) << ",\"nbit\":" << p.nbit << ",\"entries\":" << p.entries;
  if (band) out << ",\"low\":" << value(p.low) << ",\"high\":" << value(p.high);
  out << ",\"channels\":";
  list(out, p.channels);
  out << ",\"sumw2\":";
  listOrNull(out, p.sumw2);
  out << "}";
}

void projections(std::ostream& out, const char* name, const std::vector<Projection>& ps, bool band) {
  out << ",\"" << name << "\":[";
  for (std::size_t k = 0; k < ps.size(); ++k) {
    out << (k ? "," : "");
    projection(out, ps[k], band);
  }
  out << "]";
}

void histogram2D(std::ostream& out, const Histogram2D& h) {
  head(out, "2D", h.id, h.title, h.kbits);
  out << ",\"nx\":" << h.nx << ",\"xmin\":" << value(h.xmin) << ",\"xmax\":" << value(h.xmax) << ",\"ny\":" << h.ny
      << ",\"ymin\":" << value(h.ymin) << ",\"ymax\":" << value(h.ymax) << ",\"scale\":" << value(h.scale)
      << ",\"entries\":" << h.entries << ",\"nbit\":" << h.nbit << ",\"cells\":[";
  for (int iy = 0; iy <= h.ny + 1; ++iy) {
    out << (iy ? ",[" : "[");
    for (int ix = 0; ix <= h.nx + 1; ++ix) out << (ix ? "," : "") << value(h.cell(ix, iy));
    out << "]";
  }
  out << "],\"sumw2\":";
  if (h.sumw2.empty()) {
    out << "null";
  } else {
    out << "[";
    for (int iy = 1; iy <= h.ny; ++iy) {
      out << (iy > 1 ? ",[" : "[");
      for (int ix = 1; ix <= h.nx; ++ix) {
        out << (ix > 1 ? "," : "") << value(h.sumw2[static_cast<std::size_t>((ix - 1) + (iy - 1) * h.nx)]);
      }
      out << "]";
    }
    out << "]";
  }
  projections(out, "projectionsX", h.projectionsX, false);
  projections(out, "projectionsY", h.projectionsY, false);
  projections(out, "slicesX", h.slicesX, false);
  projections(out, "slicesY", h.slicesY, false);
  projections(out, "bandsX", h.bandsX, true);
  projections(out, "bandsY", h.bandsY, true);
  out << "}";
}

void profile(std::ostream& out, const Profile& p) {
  head(out, "PROFILE", p.id, p.title, p.kbits);
  out << ",\"nx\":" << p.nx << ",\"xmin\":" << value(p.xmin) << ",\"xmax\":" << value(p.xmax)
      << ",\"ymin\":" << value(p.ymin) << ",\"ymax\":" << value(p.ymax) << ",\"entries\":" << p.entries
      << ",\"errorStatus\":" << p.errorStatus << ",\"sumWY\":";
  list(out, p.sumWY);
  out << ",\"sumWY2\":";
  list(out, p.sumWY2);
  out << ",\"sumW\":";
  list(out, p.sumW);
  std::vector<float> mean, error;
  for (int b = 1; b <= p.nx; ++b) {
    mean.push_back(p.mean(b));
    error.push_back(p.error(b));
  }
  out << ",\"mean\":";
  list(out, mean);
  out << ",\"error\":";
  list(out, error);
  out << "}";
}

void rowNtuple(std::ostream& out, const RowNtuple& n) {
  head(out, "RWN", n.id, n.title, n.kbits);
  out << ",\"nvar\":" << n.nvar << ",\"entries\":" << n.entries << ",\"bufferWords\":" << n.bufferWords
      << ",\"tags\":[";
  for (std::size_t v = 0; v < n.tags.size(); ++v) out << (v ? "," : "") << text(n.tags[v]);
  out << "],\"minimum\":";
  list(out, n.minimum);
  out << ",\"maximum\":";
  list(out, n.maximum);
  out << ",\"rows\":[";
  for (std::int64_t r = 0; r < n.entries; ++r) {
    out << (r ? ",[" : "[");
    for (int v = 0; v < n.nvar; ++v) out << (v ? "," : "") << value(n.value(r, v));
    out << "]";
  }
  out << "]}";
}

std::string element(const Column& c, std::int64_t e) {
  const auto k = static_cast<std::size_t>(e);
  switch (c.type) {
    case ColumnType::Real: return c.size == 8 ? value(c.doubles[k]) : value(c.reals[k]);
    case ColumnType::Integer: return std::to_string(c.integers[k]);
    case ColumnType::Unsigned: return std::to_string(c.unsigneds[k]);
    case ColumnType::Logical: return c.logicals[k] ? "true" : "false";
    case ColumnType::Character: return text(c.texts[k]);
  }
  return "null";
}

void column(std::ostream& out, const ColumnNtuple& n, const Column& c) {
  out << "{\"name\":" << text(c.name) << ",\"block\":" << text(c.block) << ",\"type\":\"" << columnTypeLetter(c.type)
      << "\",\"size\":" << c.size << ",\"nbits\":" << c.nbits << ",\"dims\":[";
  for (std::size_t j = 0; j < c.dims.size(); ++j) out << (j ? "," : "") << c.dims[j];
  out << "],\"index\":"
      << (c.indexVariable >= 0 ? text(n.columns[static_cast<std::size_t>(c.indexVariable)].name) : std::string("null"))
      << ",\"isIndex\":" << (c.isIndex ? "true" : "false") << ",\"range\":";
  if (!c.hasRange) {
    out << "null";
  } else if (c.type == ColumnType::Real) {
    out << "[" << value(std::bit_cast<float>(c.rangeLow)) << "," << value(std::bit_cast<float>(c.rangeHigh)) << "]";
  } else if (c.type == ColumnType::Unsigned) {
    out << "[" << c.rangeLow << "," << c.rangeHigh << "]";
  } else {
    out << "[" << static_cast<std::int32_t>(c.rangeLow) << "," << static_cast<std::int32_t>(c.rangeHigh) << "]";
  }
  out << ",\"values\":[";
  for (std::int64_t r = 0; r < n.entries; ++r) {
    out << (r ? "," : "");
    const std::int64_t first = n.first(c, r);
    if (c.dims.empty()) {
      out << element(c, first);
      continue;
    }
    out << "[";
    for (std::int64_t e = 0; e < n.count(c, r); ++e) out << (e ? "," : "") << element(c, first + e);
    out << "]";
  }
  out << "]}";
}

void columnNtuple(std::ostream& out, const ColumnNtuple& n) {
  head(out, "CWN", n.id, n.title, n.kbits);
  out << ",\"entries\":" << n.entries << ",\"blocks\":[";
  for (std::size_t b = 0; b < n.blocks.size(); ++b) out << (b ? "," : "") << text(n.blocks[b]);
  out << "],\"columns\":[";
  for (std::size_t c = 0; c < n.columns.size(); ++c) {
    out << (c ? "," : "");
    column(out, n, n.columns[c]);
  }
  out << "]}";
}

}  // namespace

void jsonObject(std::ostream& out, const Directory& dir, const ObjectRef& ref) {
  switch (ref.kind) {
    case ObjectKind::Histogram1D: histogram1D(out, dir.histograms[ref.index]); break;
    case ObjectKind::Histogram2D: histogram2D(out, dir.histograms2d[ref.index]); break;
    case ObjectKind::Profile: profile(out, dir.profiles[ref.index]); break;
    case ObjectKind::RowNtuple: rowNtuple(out, dir.rowNtuples[ref.index]); break;
    case ObjectKind::ColumnNtuple: columnNtuple(out, dir.columnNtuples[ref.index]); break;
  }
}

void jsonFile(std::ostream& out, const std::string& path, const ReadResult& file) {
  out << "{\"file\":" << text(path) << ",\"recordWords\":" << file.recordWords << ",\"directories\":[";
  for (std::size_t d = 0; d < file.directories.size(); ++d) {
    const Directory& dir = file.directories[d];
    out << (d ? "," : "") << "{\"path\":" << text(dir.path) << ",\"subdirectories\":[";
    for (std::size_t s = 0; s < dir.subdirectories.size(); ++s) out << (s ? "," : "") << text(dir.subdirectories[s]);
    out << "],\"objects\":[";
    for (std::size_t o = 0; o < dir.objects.size(); ++o) {
      out << (o ? ",\n" : "\n");
      jsonObject(out, dir, dir.objects[o]);
    }
    out << "]}";
  }
  out << "],\"skipped\":[";
  for (std::size_t s = 0; s < file.skipped.size(); ++s) out << (s ? "," : "") << text(file.skipped[s].note);
  out << "]}\n";
}

}  // namespace hbook
