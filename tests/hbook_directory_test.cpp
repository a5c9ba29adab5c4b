// A directory's listing of its objects: each kind's name and words, its
// shape, title and entries, the order by id and the look-up of an id.
#include <gtest/gtest.h>

#include "hbook/objects/directory.h"

namespace {

hbook::Directory everyKind() {
  hbook::Directory d;
  d.path = "/";
  hbook::Histogram h;
  h.id = 30;
  h.title = "equal";
  h.nx = 200;
  h.xmax = 20.0f;
  h.entries = 7;
  d.histograms.push_back(h);
  h.id = 10;
  h.title = "variable";
  h.nx = 6;
  h.xmin = -1.0f;
  h.xmax = 10.0f;
  h.edges = {-1, 0, 1, 2, 4, 8, 10};
  h.entries = 8;
  d.histograms.push_back(h);
  hbook::Histogram2D g;
  g.id = 20;
  g.title = "two";
  g.nx = 10;
  g.ny = 8;
  g.xmax = 1.0f;
  g.ymin = -2.0f;
  g.ymax = 2.0f;
  g.entries = 9;
  d.histograms2d.push_back(g);
  hbook::Profile p;
  p.id = 10;  // the same id as a histogram: kept in directory order
  p.title = "profile";
  p.nx = 6;
  p.xmax = 6.0f;
  p.ymin = -100.0f;
  p.ymax = 100.0f;
  p.entries = 10;
  d.profiles.push_back(p);
  hbook::RowNtuple r;
  r.id = 5;
  r.title = "rows";
  r.nvar = 12;
  r.entries = 1000;
  d.rowNtuples.push_back(r);
  hbook::ColumnNtuple c;
  c.id = 40;
  c.title = "columns";
  c.columns.resize(3);
  c.entries = 11;
  d.columnNtuples.push_back(c);
  d.objects = {{hbook::ObjectKind::Histogram1D, 30, 0}, {hbook::ObjectKind::Histogram1D, 10, 1},
               {hbook::ObjectKind::Histogram2D, 20, 0}, {hbook::ObjectKind::Profile, 10, 0},
               {hbook::ObjectKind::RowNtuple, 5, 0},    {hbook::ObjectKind::ColumnNtuple, 40, 0}};
  return d;
}

TEST(DirectoryListing, EachKindHasItsNameShapeTitleAndEntries) {
  const hbook::Directory d = everyKind();
  const struct {
    const char* name;
    const char* description;
    const char* shape;
    const char* title;
    std::int64_t entries;
  } expected[] = {
      {"1D", "1-D histogram", "200 bins 0..20", "equal", 7},
      {"1D", "1-D histogram", "6 variable bins -1..10", "variable", 8},
      {"2D", "2-D histogram", "10 x 8 bins 0..1 x -2..2", "two", 9},
      {"PROFILE", "profile histogram", "6 bins 0..6, y -100..100", "profile", 10},
      {"RWN", "row-wise ntuple", "12 variables x 1000 rows", "rows", 1000},
      {"CWN", "column-wise ntuple", "3 variables x 11 rows", "columns", 11},
  };
  ASSERT_EQ(d.objects.size(), std::size(expected));
  for (std::size_t k = 0; k < d.objects.size(); ++k) {
    const hbook::ObjectRef& o = d.objects[k];
    EXPECT_STREQ(hbook::kindName(o.kind), expected[k].name) << k;
    EXPECT_STREQ(hbook::kindDescription(o.kind), expected[k].description) << k;
    EXPECT_EQ(d.shape(o), expected[k].shape) << k;
    EXPECT_EQ(d.title(o), expected[k].title) << k;
    EXPECT_EQ(d.entries(o), expected[k].entries) << k;
  }
}

TEST(DirectoryListing, ByIdKeepsTheDirectorysOrderOfEqualIdsAndFindGivesTheFirst) {
  const hbook::Directory d = everyKind();
  std::vector<std::pair<std::int32_t, hbook::ObjectKind>> sorted;
  for (const hbook::ObjectRef& o : d.byId()) sorted.emplace_back(o.id, o.kind);
  EXPECT_EQ(sorted, (std::vector<std::pair<std::int32_t, hbook::ObjectKind>>{
                        {5, hbook::ObjectKind::RowNtuple},
                        {10, hbook::ObjectKind::Histogram1D},
                        {10, hbook::ObjectKind::Profile},
                        {20, hbook::ObjectKind::Histogram2D},
                        {30, hbook::ObjectKind::Histogram1D},
                        {40, hbook::ObjectKind::ColumnNtuple},
                    }));
  ASSERT_NE(d.find(10), nullptr);
  EXPECT_EQ(d.find(10)->kind, hbook::ObjectKind::Histogram1D);
  EXPECT_EQ(d.find(10)->index, 1u);
  EXPECT_EQ(d.find(40)->kind, hbook::ObjectKind::ColumnNtuple);
  EXPECT_EQ(d.find(11), nullptr);
}

}  // namespace
