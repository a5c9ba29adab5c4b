// CSV and JSON of every object of the golden files read back to exactly the
// values the reader holds, which the dump tests prove equal to the package's
// own dumps: every float compared by its bits.
#include <gtest/gtest.h>

#include <bit>
#include <cstdlib>
#include <limits>
#include <sstream>

#include "hbook/memory/ntuplebuilder.h"
#include "hbook/print/csv.h"
#include "hbook/print/json.h"
#include "hbook/print/numbers.h"
#include "hbook/rz/reader.h"
#include "hbook/rz/writer.h"
#include "support/jsonreader.h"

namespace {

using testsupport::Json;

const std::string DATA_DIR = std::string(TARN_TEST_DATA) + "/hbook/";

std::uint32_t bits(float v) { return std::bit_cast<std::uint32_t>(v); }

float asFloat(const std::string& text) { return std::strtof(text.c_str(), nullptr); }

// A JSON real: a number, or one of the strings nan, inf, -inf.
std::uint32_t jsonBits(const Json& j) { return bits(asFloat(j.text)); }

void expectList(const Json& j, const std::vector<float>& v, const std::string& what) {
  ASSERT_EQ(j.size(), v.size()) << what;
  for (std::size_t k = 0; k < v.size(); ++k) EXPECT_EQ(jsonBits(j[k]), bits(v[k])) << what << " [" << k << "]";
}

void expectListOrNull(const Json& j, const std::vector<float>& v, const std::string& what) {
  if (v.empty()) {
    EXPECT_EQ(j.type, Json::Null) << what;
  } else {
    expectList(j, v, what);
  }
}

void expectProjections(const Json& j, const std::vector<hbook::Projection>& ps, const std::string& what) {
  ASSERT_EQ(j.size(), ps.size()) << what;
  for (std::size_t k = 0; k < ps.size(); ++k) {
    EXPECT_EQ(j[k]["name"].text, ps[k].name);
    EXPECT_EQ(j[k]["entries"].text, std::to_string(ps[k].entries));
    EXPECT_EQ(j[k]["nbit"].text, std::to_string(ps[k].nbit));
    if (ps[k].name.rfind("BAN", 0) == 0) {
      EXPECT_EQ(jsonBits(j[k]["low"]), bits(ps[k].low)) << what << " " << ps[k].name;
      EXPECT_EQ(jsonBits(j[k]["high"]), bits(ps[k].high)) << what << " " << ps[k].name;
    }
    expectList(j[k]["channels"], ps[k].channels, what + " " + ps[k].name);
    expectListOrNull(j[k]["sumw2"], ps[k].sumw2, what + " " + ps[k].name + " sumw2");
  }
}

void expectColumn(const Json& j, const hbook::ColumnNtuple& n, const hbook::Column& c) {
  EXPECT_EQ(j["name"].text, c.name);
  EXPECT_EQ(j["type"].text, std::string(1, hbook::columnTypeLetter(c.type)));
  EXPECT_EQ(j["block"].text, c.block);
  EXPECT_EQ(j["size"].text, std::to_string(c.size)) << c.name;
  EXPECT_EQ(j["nbits"].text, std::to_string(c.nbits)) << c.name;
  ASSERT_EQ(j["dims"].size(), c.dims.size()) << c.name;
  for (std::size_t k = 0; k < c.dims.size(); ++k) EXPECT_EQ(j["dims"][k].text, std::to_string(c.dims[k])) << c.name;
  if (c.indexVariable < 0) {
    EXPECT_EQ(j["index"].type, Json::Null) << c.name;
  } else {
    EXPECT_EQ(j["index"].text, n.columns[static_cast<std::size_t>(c.indexVariable)].name) << c.name;
  }
  EXPECT_EQ(j["isIndex"].boolean, c.isIndex) << c.name;
  if (!c.hasRange) {
    EXPECT_EQ(j["range"].type, Json::Null) << c.name;
  } else if (c.type == hbook::ColumnType::Real) {
    EXPECT_EQ(jsonBits(j["range"][0]), c.rangeLow) << c.name;
    EXPECT_EQ(jsonBits(j["range"][1]), c.rangeHigh) << c.name;
  } else if (c.type == hbook::ColumnType::Unsigned) {
    EXPECT_EQ(j["range"][0].text, std::to_string(c.rangeLow)) << c.name;
    EXPECT_EQ(j["range"][1].text, std::to_string(c.rangeHigh)) << c.name;
  } else {
    EXPECT_EQ(j["range"][0].text, std::to_string(static_cast<std::int32_t>(c.rangeLow))) << c.name;
    EXPECT_EQ(j["range"][1].text, std::to_string(static_cast<std::int32_t>(c.rangeHigh))) << c.name;
  }
  const Json& values = j["values"];
  ASSERT_EQ(values.size(), static_cast<std::size_t>(n.entries)) << c.name;
  for (std::int64_t r = 0; r < n.entries; ++r) {
    const Json& row = values[static_cast<std::size_t>(r)];
    const std::int64_t count = n.count(c, r);
    if (c.dims.empty()) {
      ASSERT_EQ(count, 1);
    } else {
      ASSERT_EQ(row.size(), static_cast<std::size_t>(count)) << c.name << " row " << r + 1;
    }
    for (std::int64_t e = 0; e < count; ++e) {
      const Json& v = c.dims.empty() ? row : row[static_cast<std::size_t>(e)];
      const auto k = static_cast<std::size_t>(n.first(c, r) + e);
      switch (c.type) {
        case hbook::ColumnType::Real:
          if (c.size == 8) {
            EXPECT_EQ(std::strtod(v.text.c_str(), nullptr), c.doubles[k]);
          } else {
            EXPECT_EQ(jsonBits(v), bits(c.reals[k])) << c.name << " row " << r + 1;
          }
          break;
        case hbook::ColumnType::Integer: EXPECT_EQ(std::stoll(v.text), c.integers[k]); break;
        case hbook::ColumnType::Unsigned: EXPECT_EQ(std::stoull(v.text), c.unsigneds[k]); break;
        case hbook::ColumnType::Logical: EXPECT_EQ(v.boolean, c.logicals[k] != 0); break;
        case hbook::ColumnType::Character: EXPECT_EQ(v.text, c.texts[k]); break;
      }
    }
  }
}

void expectObject(const Json& j, const hbook::Directory& d, const hbook::ObjectRef& o) {
  EXPECT_EQ(j["kind"].text, hbook::kindName(o.kind));
  EXPECT_EQ(j["id"].text, std::to_string(o.id));
  EXPECT_EQ(j["title"].text, d.title(o));
  const std::string what = d.path + " " + std::to_string(o.id);
  switch (o.kind) {
    case hbook::ObjectKind::Histogram1D: {
      const hbook::Histogram& h = d.histograms[o.index];
      expectList(j["channels"], h.channels, what);
      expectListOrNull(j["sumw2"], h.sumw2, what);
      EXPECT_EQ(jsonBits(j["xmin"]), bits(h.xmin));
      EXPECT_EQ(jsonBits(j["xmax"]), bits(h.xmax));
      EXPECT_EQ(j["kind"].text, "1D");
      EXPECT_EQ(j["kbits"].text, std::to_string(h.kbits)) << what;
      EXPECT_EQ(j["nx"].text, std::to_string(h.nx)) << what;
      EXPECT_EQ(j["entries"].text, std::to_string(h.entries)) << what;
      EXPECT_EQ(j["nbit"].text, std::to_string(h.nbit)) << what;
      EXPECT_EQ(jsonBits(j["minimum"]), bits(h.minimum)) << what;
      EXPECT_EQ(jsonBits(j["maximum"]), bits(h.maximum)) << what;
      EXPECT_EQ(jsonBits(j["norm"]), bits(h.norm)) << what;
      expectListOrNull(j["edges"], h.edges, what + " edges");
      break;
    }
    case hbook::ObjectKind::Histogram2D: {
      const hbook::Histogram2D& h = d.histograms2d[o.index];
      EXPECT_EQ(j["kind"].text, "2D");
      EXPECT_EQ(j["kbits"].text, std::to_string(h.kbits)) << what;
      EXPECT_EQ(j["nx"].text, std::to_string(h.nx)) << what;
      EXPECT_EQ(j["ny"].text, std::to_string(h.ny)) << what;
      EXPECT_EQ(jsonBits(j["xmin"]), bits(h.xmin)) << what;
      EXPECT_EQ(jsonBits(j["xmax"]), bits(h.xmax)) << what;
      EXPECT_EQ(jsonBits(j["ymin"]), bits(h.ymin)) << what;
      EXPECT_EQ(jsonBits(j["ymax"]), bits(h.ymax)) << what;
      EXPECT_EQ(jsonBits(j["scale"]), bits(h.scale)) << what;
      EXPECT_EQ(j["entries"].text, std::to_string(h.entries)) << what;
      EXPECT_EQ(j["nbit"].text, std::to_string(h.nbit)) << what;
      ASSERT_EQ(j["cells"].size(), static_cast<std::size_t>(h.ny + 2));
      for (int iy = 0; iy <= h.ny + 1; ++iy) {
        for (int ix = 0; ix <= h.nx + 1; ++ix) EXPECT_EQ(jsonBits(j["cells"][iy][ix]), bits(h.cell(ix, iy))) << what;
      }
      if (h.sumw2.empty()) {
        EXPECT_EQ(j["sumw2"].type, Json::Null);
      } else {
        for (int iy = 1; iy <= h.ny; ++iy) {
          for (int ix = 1; ix <= h.nx; ++ix) {
            EXPECT_EQ(jsonBits(j["sumw2"][iy - 1][ix - 1]), bits(h.sumw2[(ix - 1) + (iy - 1) * h.nx])) << what;
          }
        }
      }
      expectProjections(j["projectionsX"], h.projectionsX, what);
      expectProjections(j["projectionsY"], h.projectionsY, what);
      expectProjections(j["slicesX"], h.slicesX, what);
      expectProjections(j["slicesY"], h.slicesY, what);
      expectProjections(j["bandsX"], h.bandsX, what);
      expectProjections(j["bandsY"], h.bandsY, what);
      break;
    }
    case hbook::ObjectKind::Profile: {
      const hbook::Profile& p = d.profiles[o.index];
      EXPECT_EQ(j["kind"].text, "PROFILE");
      EXPECT_EQ(j["kbits"].text, std::to_string(p.kbits)) << what;
      EXPECT_EQ(j["nx"].text, std::to_string(p.nx)) << what;
      EXPECT_EQ(jsonBits(j["xmin"]), bits(p.xmin)) << what;
      EXPECT_EQ(jsonBits(j["xmax"]), bits(p.xmax)) << what;
      EXPECT_EQ(jsonBits(j["ymin"]), bits(p.ymin)) << what;
      EXPECT_EQ(jsonBits(j["ymax"]), bits(p.ymax)) << what;
      EXPECT_EQ(j["entries"].text, std::to_string(p.entries)) << what;
      EXPECT_EQ(j["errorStatus"].text, std::to_string(p.errorStatus)) << what;
      expectList(j["sumWY"], p.sumWY, what);
      expectList(j["sumWY2"], p.sumWY2, what);
      expectList(j["sumW"], p.sumW, what);
      for (int b = 1; b <= p.nx; ++b) {
        EXPECT_EQ(jsonBits(j["mean"][b - 1]), bits(p.mean(b))) << what;
        EXPECT_EQ(jsonBits(j["error"][b - 1]), bits(p.error(b))) << what;
      }
      break;
    }
    case hbook::ObjectKind::RowNtuple: {
      const hbook::RowNtuple& n = d.rowNtuples[o.index];
      EXPECT_EQ(j["kind"].text, "RWN");
      EXPECT_EQ(j["kbits"].text, std::to_string(n.kbits)) << what;
      EXPECT_EQ(j["nvar"].text, std::to_string(n.nvar)) << what;
      EXPECT_EQ(j["entries"].text, std::to_string(n.entries)) << what;
      EXPECT_EQ(j["bufferWords"].text, std::to_string(n.bufferWords)) << what;
      ASSERT_EQ(j["tags"].size(), n.tags.size()) << what;
      for (std::size_t v = 0; v < n.tags.size(); ++v) EXPECT_EQ(j["tags"][v].text, n.tags[v]) << what;
      ASSERT_EQ(j["rows"].size(), static_cast<std::size_t>(n.entries));
      for (std::int64_t r = 0; r < n.entries; ++r) {
        for (int v = 0; v < n.nvar; ++v) {
          EXPECT_EQ(jsonBits(j["rows"][static_cast<std::size_t>(r)][static_cast<std::size_t>(v)]), bits(n.value(r, v)));
        }
      }
      expectList(j["minimum"], n.minimum, what);
      expectList(j["maximum"], n.maximum, what);
      break;
    }
    case hbook::ObjectKind::ColumnNtuple: {
      const hbook::ColumnNtuple& n = d.columnNtuples[o.index];
      EXPECT_EQ(j["kind"].text, "CWN");
      EXPECT_EQ(j["kbits"].text, std::to_string(n.kbits)) << what;
      EXPECT_EQ(j["entries"].text, std::to_string(n.entries)) << what;
      ASSERT_EQ(j["blocks"].size(), n.blocks.size()) << what;
      for (std::size_t b = 0; b < n.blocks.size(); ++b) EXPECT_EQ(j["blocks"][b].text, n.blocks[b]) << what;
      ASSERT_EQ(j["columns"].size(), n.columns.size());
      for (std::size_t c = 0; c < n.columns.size(); ++c) expectColumn(j["columns"][c], n, n.columns[c]);
      break;
    }
  }
}

// CSV fields of one line; quoted fields lose their quotes.
std::vector<std::string> fields(const std::string& line) {
  std::vector<std::string> out(1);
  bool quoted = false;
  for (std::size_t k = 0; k < line.size(); ++k) {
    const char c = line[k];
    if (quoted) {
      if (c == '"' && k + 1 < line.size() && line[k + 1] == '"') {
        out.back() += '"';
        ++k;
      } else if (c == '"') {
        quoted = false;
      } else {
        out.back() += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      out.emplace_back();
    } else {
      out.back() += c;
    }
  }
  return out;
}

std::vector<std::vector<std::string>> table(const std::string& csv) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream in(csv);
  for (std::string line; std::getline(in, line);) rows.push_back(fields(line));
  return rows;
}

void expectCsv(const hbook::Directory& d, const hbook::ObjectRef& o) {
  std::ostringstream out;
  const std::string what = d.path + " " + std::to_string(o.id);
  switch (o.kind) {
    case hbook::ObjectKind::Histogram1D: return;  // the 1-D table is the tool's own (hbook_tool_test.sh)
    case hbook::ObjectKind::Histogram2D: {
      const hbook::Histogram2D& h = d.histograms2d[o.index];
      hbook::csvHistogram2D(out, h);
      const auto t = table(out.str());
      ASSERT_EQ(t.size(), 1 + static_cast<std::size_t>((h.nx + 2) * (h.ny + 2))) << what;
      for (std::size_t k = 1; k < t.size(); ++k) {
        const int ix = std::stoi(t[k][0]);
        const int iy = std::stoi(t[k][1]);
        EXPECT_EQ(bits(asFloat(t[k][6])), bits(h.cell(ix, iy))) << what;
        const bool inside = ix >= 1 && ix <= h.nx && iy >= 1 && iy <= h.ny;
        EXPECT_EQ(t[k][7].empty(), !inside) << what;
        if (inside) {
          EXPECT_EQ(bits(asFloat(t[k][7])), bits(h.error(ix, iy))) << what;
        }
      }
      break;
    }
    case hbook::ObjectKind::Profile: {
      const hbook::Profile& p = d.profiles[o.index];
      hbook::csvProfile(out, p);
      const auto t = table(out.str());
      ASSERT_EQ(t.size(), 3 + static_cast<std::size_t>(p.nx)) << what;
      for (int b = 0; b <= p.nx + 1; ++b) {
        const auto& row = t[static_cast<std::size_t>(b) + 1];
        EXPECT_EQ(bits(asFloat(row[5])), bits(p.sumWY[static_cast<std::size_t>(b)])) << what;
        if (b < 1 || b > p.nx) continue;
        EXPECT_EQ(bits(asFloat(row[3])), bits(p.mean(b))) << what;
        EXPECT_EQ(bits(asFloat(row[4])), bits(p.error(b))) << what;
        EXPECT_EQ(bits(asFloat(row[6])), bits(p.sumWY2[static_cast<std::size_t>(b - 1)])) << what;
        EXPECT_EQ(bits(asFloat(row[7])), bits(p.sumW[static_cast<std::size_t>(b - 1)])) << what;
      }
      break;
    }
    case hbook::ObjectKind::RowNtuple: {
      const hbook::RowNtuple& n = d.rowNtuples[o.index];
      hbook::csvRowNtuple(out, n);
      const auto t = table(out.str());
      ASSERT_EQ(t.size(), 1 + static_cast<std::size_t>(n.entries)) << what;
      for (int v = 0; v < n.nvar; ++v) EXPECT_EQ(t[0][static_cast<std::size_t>(v)], n.tags[static_cast<std::size_t>(v)]);
      for (std::int64_t r = 0; r < n.entries; ++r) {
        for (int v = 0; v < n.nvar; ++v) {
          EXPECT_EQ(bits(asFloat(t[static_cast<std::size_t>(r) + 1][static_cast<std::size_t>(v)])), bits(n.value(r, v))) << what;
        }
      }
      break;
    }
    case hbook::ObjectKind::ColumnNtuple: {
      const hbook::ColumnNtuple& n = d.columnNtuples[o.index];
      hbook::csvColumnNtuple(out, n);
      const auto t = table(out.str());
      ASSERT_EQ(t.size(), 1 + static_cast<std::size_t>(n.entries)) << what;
      for (std::int64_t r = 0; r < n.entries; ++r) {
        const auto& row = t[static_cast<std::size_t>(r) + 1];
        ASSERT_EQ(row.size(), t[0].size()) << what << " row " << r + 1;
        std::size_t f = 0;
        for (const hbook::Column& c : n.columns) {
          std::int64_t width = 1;
          for (std::int32_t dim : c.dims) width *= dim < 0 ? -dim : dim;
          for (std::int64_t e = 0; e < width; ++e, ++f) {
            if (e >= n.count(c, r)) {
              EXPECT_EQ(row[f], "") << what << " " << c.name;
              continue;
            }
            const auto k = static_cast<std::size_t>(n.first(c, r) + e);
            switch (c.type) {
              case hbook::ColumnType::Real:
                if (c.size == 8) {
                  EXPECT_EQ(std::strtod(row[f].c_str(), nullptr), c.doubles[k]);
                } else {
                  EXPECT_EQ(bits(asFloat(row[f])), bits(c.reals[k])) << what << " " << c.name;
                }
                break;
              case hbook::ColumnType::Integer: EXPECT_EQ(std::stoll(row[f]), c.integers[k]); break;
              case hbook::ColumnType::Unsigned: EXPECT_EQ(std::stoull(row[f]), c.unsigneds[k]); break;
              case hbook::ColumnType::Logical: EXPECT_EQ(row[f], c.logicals[k] ? "1" : "0"); break;
              case hbook::ColumnType::Character: EXPECT_EQ(row[f], c.texts[k]); break;
            }
          }
        }
      }
      break;
    }
  }
}

class Export : public ::testing::TestWithParam<std::string> {};

TEST_P(Export, JsonOfTheWholeFileReadsBackExactly) {
  const std::string path = DATA_DIR + GetParam();
  const hbook::ReadResult r = hbook::readFile(path);
  std::ostringstream out;
  hbook::jsonFile(out, path, r);
  const Json j = testsupport::parse(out.str());
  EXPECT_EQ(j["file"].text, path);
  EXPECT_EQ(j["recordWords"].text, std::to_string(r.recordWords));
  ASSERT_EQ(j["skipped"].size(), r.skipped.size());
  for (std::size_t k = 0; k < r.skipped.size(); ++k) EXPECT_EQ(j["skipped"][k].text, r.skipped[k].note);
  ASSERT_EQ(j["directories"].size(), r.directories.size());
  for (std::size_t k = 0; k < r.directories.size(); ++k) {
    const hbook::Directory& d = r.directories[k];
    const Json& jd = j["directories"][k];
    EXPECT_EQ(jd["path"].text, d.path);
    ASSERT_EQ(jd["subdirectories"].size(), d.subdirectories.size());
    for (std::size_t s = 0; s < d.subdirectories.size(); ++s)
      EXPECT_EQ(jd["subdirectories"][s].text, d.subdirectories[s]);
    ASSERT_EQ(jd["objects"].size(), d.objects.size());
    for (std::size_t o = 0; o < d.objects.size(); ++o) expectObject(jd["objects"][o], d, d.objects[o]);
  }
}

TEST_P(Export, CsvOfEveryObjectReadsBackExactly) {
  const hbook::ReadResult r = hbook::readFile(DATA_DIR + GetParam());
  for (const hbook::Directory& d : r.directories) {
    for (const hbook::ObjectRef& o : d.objects) expectCsv(d, o);
  }
}

INSTANTIATE_TEST_SUITE_P(GoldenAndPublic, Export,
                         ::testing::Values("objects/h2.hbook", "objects/prof.hbook", "objects/rwn.hbook",
                                           "objects/cwn.hbook", "objects/dirs.hbook", "pawtut.hbook",
                                           "roothbk_write_hbk.hb", "layouts/varbins.hbook", "layouts/bandy.hbook",
                                           "layouts/profp.hbook", "layouts/packed1d.hbook", "layouts/packproj.hbook"));

// Values JSON has no numbers for, and text that needs escaping.
TEST(ExportSpecials, NonFiniteValuesAndTitlesSurvive) {
  hbook::Directory d;
  hbook::Histogram h;
  h.id = 7;
  h.title = "quote \" backslash \\ tab\t";
  h.nx = 2;
  h.xmin = 0.0f;
  h.xmax = 1.0f;
  h.channels = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                -std::numeric_limits<float>::infinity(), 1e-45f};
  d.histograms.push_back(h);
  d.objects.push_back({hbook::ObjectKind::Histogram1D, 7, 0});
  std::ostringstream out;
  hbook::jsonObject(out, d, d.objects[0]);
  const Json j = testsupport::parse(out.str());
  EXPECT_EQ(j["title"].text, h.title);
  EXPECT_EQ(j["channels"][0].text, "nan");
  EXPECT_EQ(j["channels"][1].text, "inf");
  EXPECT_EQ(j["channels"][2].text, "-inf");
  EXPECT_EQ(jsonBits(j["channels"][3]), bits(1e-45f));
  // Bytes outside printable ASCII (DEL, a Latin-1 letter) are escaped: the JSON stays ASCII.
  d.histograms[0].title = "T\x7f\xe9K";
  std::ostringstream escaped;
  hbook::jsonObject(escaped, d, d.objects[0]);
  EXPECT_NE(escaped.str().find("\"title\":\"T\\u007f\\u00e9K\""), std::string::npos) << escaped.str();
}

// The tables' edges: -inf below the first channel and inf above the last,
// the low and high edges themselves at the ends, in between low + (i - 1)
// width; the error only for cells in range.
TEST(ExportCsv, EveryCellAndChannelWithItsEdges) {
  hbook::Histogram2D h;
  h.id = 3;
  h.nx = 2;
  h.ny = 1;
  h.xmax = 3.0f;
  h.ymin = -1.0f;
  h.ymax = 1.0f;
  h.cells.resize(12);
  for (int iy = 0; iy < 3; ++iy)
    for (int ix = 0; ix < 4; ++ix) h.cells[static_cast<std::size_t>(ix + 4 * iy)] = static_cast<float>(10 * iy + ix);
  h.cells[5] = 9.0f;   // (1, 1)
  h.cells[6] = 16.0f;  // (2, 1)
  std::ostringstream cells;
  hbook::csvHistogram2D(cells, h);
  EXPECT_EQ(cells.str(),
            "ix,iy,xlow,xhigh,ylow,yhigh,content,error\n"
            "0,0,-inf,0,-inf,-1,0,\n1,0,0,1.5,-inf,-1,1,\n2,0,1.5,3,-inf,-1,2,\n3,0,3,inf,-inf,-1,3,\n"
            "0,1,-inf,0,-1,1,10,\n1,1,0,1.5,-1,1,9,3\n2,1,1.5,3,-1,1,16,4\n3,1,3,inf,-1,1,13,\n"
            "0,2,-inf,0,1,inf,20,\n1,2,0,1.5,1,inf,21,\n2,2,1.5,3,1,inf,22,\n3,2,3,inf,1,inf,23,\n");

  hbook::Profile p;
  p.id = 4;
  p.nx = 2;
  p.xmin = 1.0f;
  p.xmax = 3.0f;
  p.ymin = -10.0f;
  p.ymax = 10.0f;
  p.sumWY = {5.0f, 2.0f, 6.0f, 7.0f};
  p.sumWY2 = {4.0f, 20.0f};
  p.sumW = {1.0f, 2.0f};
  p.entries = 3;
  std::ostringstream channels;
  hbook::csvProfile(channels, p);
  using hbook::exporting::number;
  EXPECT_EQ(channels.str(),
            "bin,low,high,mean,error,sum_wy,sum_wy2,sum_w\n"
            "0,-inf,1,,,5,,\n"
            "1,1,2,2," +
                number(p.error(1)) +
                ",2,4,1\n"
                "2,2,3,3," +
                number(p.error(2)) +
                ",6,20,2\n"
                "3,3,inf,,,7,,\n");
}

// Ntuple headers: a tag holding a separator or a quote is quoted (quotes
// doubled); array elements are named name[i][j] with the first index
// fastest; a variable-length array leaves the elements a row lacks empty.
TEST(ExportCsv, NtupleHeadersAndRows) {
  hbook::RowNtuple r;
  r.id = 5;
  r.nvar = 3;
  r.entries = 1;
  r.tags = {"a,b", "q\"t", "x"};
  r.values = {1.0f, 2.5f, -3.0f};
  std::ostringstream rows;
  hbook::csvRowNtuple(rows, r);
  EXPECT_EQ(rows.str(), "\"a,b\",\"q\"\"t\",x\n1,2.5,-3\n");

  hbook::NtupleBuilder nt(6, "cwn");
  nt.block("B", "m(2,3):R, n[0,2]:I, e(n):R, c:C*4");
  const int m = nt.column("m"), n = nt.column("n"), e = nt.column("e"), c = nt.column("c");
  for (int k = 0; k < 6; ++k) nt.set(m, k, k + 1.0);
  nt.setInteger(n, 2);
  nt.set(e, 0, 0.5);
  nt.set(e, 1, 0.25);
  nt.setText(c, "a\"b");
  nt.fill();
  nt.setInteger(n, 1);
  nt.setText(c, "z");
  nt.fill();
  hbook::Directory top;  // as a file holds it, read back
  top.path = "/";
  top.columnNtuples = {nt.ntuple()};
  top.objects = {{hbook::ObjectKind::ColumnNtuple, 6, 0}};
  const hbook::ReadResult file = hbook::readMemory("cwn.hbook", hbook::fileImage({top}, {}));
  std::ostringstream columns;
  hbook::csvColumnNtuple(columns, file.directories.at(0).columnNtuples.at(0));
  EXPECT_EQ(columns.str(),
            "m[1][1],m[2][1],m[1][2],m[2][2],m[1][3],m[2][3],n,e[1],e[2],c\n"
            "1,2,3,4,5,6,2,0.5,0.25,\"a\"\"b \"\n"
            "1,2,3,4,5,6,1,0.5,,\"z   \"\n");
}

// Fields the test files leave at one value: distinct minimum, maximum and
// norm words; an index variable that is the ntuple's first column.
TEST(ExportSpecials, DistinctHeaderWordsAndAnIndexInTheFirstColumn) {
  hbook::Directory d;
  d.path = "/";
  hbook::Histogram h;
  h.id = 8;
  h.nx = 1;
  h.xmax = 1.0f;
  h.minimum = 0.5f;
  h.maximum = 2.5f;
  h.norm = 4.5f;
  h.channels = {0.0f, 1.0f, 0.0f};
  d.histograms.push_back(h);
  d.objects.push_back({hbook::ObjectKind::Histogram1D, 8, 0});
  hbook::NtupleBuilder nt(9, "indexed");
  nt.block("B", "n[0,2]:I, e(n):R");
  nt.setInteger(nt.column("n"), 1);
  nt.set(nt.column("e"), 0, 0.5);
  nt.fill();
  d.columnNtuples.push_back(nt.ntuple());
  d.objects.push_back({hbook::ObjectKind::ColumnNtuple, 9, 0});
  const hbook::ReadResult r = hbook::readMemory("x.hbook", hbook::fileImage({d}, {}));
  std::ostringstream out;
  hbook::jsonFile(out, "x.hbook", r);
  const Json j = testsupport::parse(out.str());
  const Json& jh = j["directories"][0]["objects"][0];
  EXPECT_EQ(jh["minimum"].text, "0.5");
  EXPECT_EQ(jh["maximum"].text, "2.5");
  EXPECT_EQ(jh["norm"].text, "4.5");
  const Json& columns = j["directories"][0]["objects"][1]["columns"];
  EXPECT_EQ(columns[0]["index"].type, Json::Null);
  EXPECT_EQ(columns[0]["isIndex"].boolean, true);
  EXPECT_EQ(columns[1]["index"].text, "n");
  EXPECT_EQ(columns[1]["isIndex"].boolean, false);
  EXPECT_EQ(columns[1]["values"][0][0].text, "0.5");
}

// REAL*8 values keep every bit through a file and its JSON: the shortest
// decimal that reads back as the double, non-finite values as strings.
TEST(ExportSpecials, DoublesOfAColumnWiseNtupleReadBackBitForBit) {
  const double values[] = {0.1, 1.0 / 3.0, -1e-300, 5e-324, 1.7976931348623157e308, 123456789.0123456,
                           std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::infinity()};
  hbook::Directory d;
  d.path = "/";
  hbook::NtupleBuilder nt(4, "doubles");
  nt.block("B", "d:R*8");
  for (double v : values) {
    nt.set(nt.column("d"), v);
    nt.fill();
  }
  d.columnNtuples.push_back(nt.ntuple());
  d.objects.push_back({hbook::ObjectKind::ColumnNtuple, 4, 0});
  const hbook::ReadResult r = hbook::readMemory("x.hbook", hbook::fileImage({d}, {}));
  std::ostringstream out;
  hbook::jsonFile(out, "x.hbook", r);
  const Json j = testsupport::parse(out.str());
  const Json& column = j["directories"][0]["objects"][0]["columns"][0];
  EXPECT_EQ(column["size"].text, "8");
  const Json& stored = column["values"];
  ASSERT_EQ(stored.size(), std::size(values));
  for (std::size_t k = 0; k + 2 < std::size(values); ++k) {
    EXPECT_EQ(std::bit_cast<std::uint64_t>(std::strtod(stored[k].text.c_str(), nullptr)),
              std::bit_cast<std::uint64_t>(values[k]))
        << stored[k].text;
  }
  EXPECT_EQ(stored[1].text, "0.3333333333333333");
  EXPECT_EQ(stored[6].text, "nan");
  EXPECT_EQ(stored[7].text, "-inf");
}

}  // namespace
