// Small objects in memory for tests that write or show them: 1-D histograms
// with contents that differ from bin to bin, a directory of them, and a
// profile of two bins with one entry in each; a file image of one object.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "hbook/objects/directory.h"
#include "hbook/objects/histogram.h"
#include "hbook/objects/profile.h"
#include "hbook/rz/reader.h"

namespace testsupport {

// Histogram `id` of nx bins from 0 to nx, titled h<id>, with channel i
// (under- and overflow included) holding i % 97 + 0.5.
inline hbook::Histogram histogram(int id, int nx) {
  hbook::Histogram h;
  h.id = id;
  h.title = "h" + std::to_string(id);
  h.nx = nx;
  h.xmin = 0.0f;
  h.xmax = static_cast<float>(nx);
  h.entries = nx;
  h.channels.assign(static_cast<std::size_t>(nx) + 2, 0.0f);
  for (std::size_t i = 0; i < h.channels.size(); ++i) h.channels[i] = static_cast<float>(i % 97) + 0.5f;
  return h;
}

// Directory `path` holding the histograms hs in their order.
inline hbook::Directory directory(const std::string& path, std::vector<hbook::Histogram> hs) {
  hbook::Directory d;
  d.path = path;
  for (hbook::Histogram& h : hs) {
    d.objects.push_back({hbook::ObjectKind::Histogram1D, h.id, d.histograms.size()});
    d.histograms.push_back(std::move(h));
  }
  return d;
}

// Profile `id` of 2 bins from 0 to 2, y from -1 to 1, with error option
// `errorStatus`: one entry of y = 1 in bin 1 and of y = 2 in bin 2.
inline hbook::Profile twoBinProfile(std::int32_t id, std::uint32_t errorStatus = 0) {
  hbook::Profile p;
  p.id = id;
  p.title = "p" + std::to_string(id);
  p.nx = 2;
  p.xmax = 2.0f;
  p.ymin = -1.0f;
  p.ymax = 1.0f;
  p.errorStatus = errorStatus;
  p.sumWY = {0.0f, 1.0f, 2.0f, 0.0f};
  p.sumWY2 = {1.0f, 4.0f};
  p.sumW = {1.0f, 1.0f};
  p.entries = 2;
  return p;
}

// A file image of one object of `kind` and `id` in the top directory:
// `fill` adds it to the directory's list of its kind.
inline hbook::ReadResult oneObjectFile(const hbook::ObjectKind kind, std::int32_t id, auto fill) {
  hbook::ReadResult r;
  hbook::Directory d;
  d.path = "/";
  d.objects.push_back({kind, id, 0});
  fill(d);
  r.directories.push_back(d);
  return r;
}

}  // namespace testsupport
