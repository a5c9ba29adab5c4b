// hbook merge of tarn's files (filemerge.h, filerecord.h): the record read
// back, the blocks of one run added in block order with the exact values
// the records keep, the working copies of the block that made them last;
// gaps, shared blocks and damaged records refused.
#include <gtest/gtest.h>

#include <cmath>

#include "hbook/rz/fileerror.h"
#include "hbook/rz/reader.h"
#include "hbook/rz/writer.h"
#include "support/scratchdir.h"
#include "transport/event/catalogue.h"
#include "transport/run/filemerge.h"
#include "transport/run/filerecord.h"

namespace {

namespace fs = std::filesystem;

hbook::Histogram histogram(int id, const std::string& title, int nx, float first) {
  hbook::Histogram h;
  h.id = id;
  h.title = title;
  h.nx = nx;
  h.xmin = 0.0f;
  h.xmax = static_cast<float>(nx);
  h.channels.resize(static_cast<std::size_t>(nx) + 2);
  for (std::size_t i = 0; i < h.channels.size(); ++i) h.channels[i] = first + static_cast<float>(i);
  h.entries = nx;
  return h;
}

// The file of blocks `blocks` of the run with seed 9 and 500000 events: a
// tally 3001, the input 301, the copies of S(q) as block `last` made them
// (402 first), and the record.
struct TaskFile {
  std::vector<hbook::Histogram> histograms;
  tarn::FileRecord record;
};
TaskFile task(const std::string& blocks, std::int64_t last, float first) {
  TaskFile t;
  t.histograms.push_back(histogram(3001, "x (cm) Det", 4, first));
  hbook::Histogram input = histogram(301, "S(q)", 3, 0.5f);
  input.readFromFile = true;
  t.histograms.push_back(input);
  for (std::int32_t id : {tarn::hid::SQ_COPY_DOWN, tarn::hid::SQ_COPY_UP}) {
    hbook::Histogram copy = histogram(id, "S(q)", 2, static_cast<float>(last));
    copy.entries = -1;
    t.histograms.push_back(copy);
  }
  tarn::BlockSet set;
  tarn::BlockSet::parse(blocks, set);
  t.record.run = tarn::RunIdentity(9, 500000, "auto", set);
  t.record.copies = {{tarn::hid::SQ_COPY_DOWN, last, 0}, {tarn::hid::SQ_COPY_UP, last, 1}};
  return t;
}

class FileMerge : public ::testing::Test {
 protected:
  hbook::MergeSource write(const std::string& name, const TaskFile& t) {
    std::vector<hbook::Histogram> hs = t.histograms;
    hs.push_back(tarn::recordHistogram(t.record));
    std::vector<const hbook::Histogram*> list;
    for (const auto& h : hs) list.push_back(&h);
    const std::string path = (scratch_.path() / name).string();
    hbook::writeFile(path, list, true);
    return {path, hbook::readFile(path)};
  }
  std::string refusal(std::vector<hbook::MergeSource> sources, bool incomplete = false) {
    try {
      tarn::mergeRunFiles(std::move(sources), incomplete);
    } catch (const hbook::FileError& e) {
      return e.what();
    }
    return "";
  }
  testsupport::ScratchDir scratch_{"filemerge"};
};

}  // namespace

TEST(FileRecord, ItsTextReadsBackAndADamagedOneIsRefused) {
  tarn::FileRecord r;
  r.run = tarn::RunIdentity(7, 2000000, "ranlux", tarn::BlockSet::range(5, 9));
  r.run.set("lam.hbook", "sha256:00ff");
  r.run.set("beamline", "sha256:abcd");  // a field a later version adds is kept and compared
  r.copies = {{402, 8, 0}, {302, 9, 1}};
  r.exact = {{3001, 57, 16777217.0}};
  r.entries = {{4017, 3000000000}};
  const tarn::FileRecord back = tarn::FileRecord::parse(r.text());
  EXPECT_EQ(back.text(), r.text());
  EXPECT_EQ(back.run.get("beamline"), "sha256:abcd");
  EXPECT_EQ(back.copies[1].block, 9);
  EXPECT_EQ(back.exact[0].value, 16777217.0);
  EXPECT_EQ(back.entries[0].second, 3000000000);
  tarn::RunIdentity other = back.run;
  other.set("beamline", "sha256:ef01");
  EXPECT_EQ(back.run.differingField(other), "beamline");
  other = back.run;
  other.setBlocks(tarn::BlockSet::range(0, 4));
  EXPECT_EQ(back.run.differingField(other), "");  // blocks alone: the same run

  const hbook::Histogram h = tarn::recordHistogram(r);
  EXPECT_EQ(h.id, tarn::RUN_RECORD_ID);
  EXPECT_EQ(h.title, "tarn run record: seed 7, events 2000000, blocks 5-9");
  EXPECT_EQ(tarn::findRecord({h})->text(), r.text());
  EXPECT_FALSE(tarn::findRecord({histogram(3001, "x", 2, 0.0f)}).has_value());
  for (const char* bad : {"tarn run record 2\nseed=1 events=5 blocks=0\n", "tarn run record 1\nseed=1 blocks=0\n",
                          "tarn run record 1\nseed=1 events=100 blocks=0-3\n",  // a run of 100 events has block 0 only
                          "tarn run record 1\nseed=1 events=5 blocks=0\ncopy 302\n", "tarn run record 1\nseed=x events=5 blocks=0\n"})
    EXPECT_THROW(tarn::FileRecord::parse(bad), std::runtime_error) << bad;
  hbook::Histogram garbled = h;
  garbled.channels[3] = 0.5f;
  EXPECT_THROW(tarn::findRecord({garbled}), std::runtime_error);
  // A complete run of 100000 events, the file of always, carries none.
  EXPECT_FALSE(tarn::fileNeedsRecord(100000, tarn::BlockSet::range(0, 0)));
  EXPECT_TRUE(tarn::fileNeedsRecord(99999, tarn::BlockSet::range(0, 0)));
  EXPECT_TRUE(tarn::fileNeedsRecord(200000, tarn::BlockSet::range(0, 0)));
}

TEST_F(FileMerge, TheBlocksOfOneRunAddUpWithTheirExactValuesAndTheLastCopies) {
  TaskFile a = task("0-1", 1, 1.0f), b = task("2-4", 4, 100.0f);
  // Channel 2 of 3001 held 2^24 + 1 in task a and 2^24 + 3 in task b: the
  // files keep 2^24 and 2^24 + 4, the records the exact counts.
  a.histograms[0].channels[2] = 16777216.0f;
  a.record.exact = {{3001, 2, 16777217.0}};
  b.histograms[0].channels[2] = 16777220.0f;
  b.record.exact = {{3001, 2, 16777219.0}};
  const tarn::RunFilesMerge m = tarn::mergeRunFiles({write("b.hbook", b), write("a.hbook", a)}, false);
  ASSERT_TRUE(m.withRecord);
  ASSERT_EQ(m.merged.size(), 5u);
  const hbook::Histogram& t = m.merged[0].histogram;
  EXPECT_EQ(t.id, 3001);
  EXPECT_EQ(t.channels[1], 2.0f + 101.0f);
  EXPECT_EQ(t.channels[2], static_cast<float>(33554436.0));  // 2^25 + 4 exactly, not 2^24 + 2^24 + 4 rounded twice
  EXPECT_EQ(t.entries, 8);
  // The copies of block 4, 402 then 302 as they were made, then the record.
  EXPECT_EQ(m.merged[2].histogram.id, tarn::hid::SQ_COPY_DOWN);
  EXPECT_EQ(m.merged[2].histogram.channels[0], 4.0f);
  EXPECT_EQ(m.merged[3].histogram.id, tarn::hid::SQ_COPY_UP);
  const tarn::FileRecord record = *tarn::findRecord({m.merged[4].histogram});
  EXPECT_EQ(record.run.get("blocks"), "0-4");
  EXPECT_EQ(record.copies.size(), 2u);
  EXPECT_EQ(record.copies[0].block, 4);
  EXPECT_TRUE(record.exact.empty());  // 2^25 + 4 fits in single precision
}

TEST_F(FileMerge, GapsSharedBlocksAndOtherRunsAreNamed) {
  const hbook::MergeSource a = write("a.hbook", task("0-1", 1, 1.0f)), c = write("c.hbook", task("3-4", 4, 2.0f));
  EXPECT_NE(refusal({a, c}).find("blocks 2 of the run (seed 9, 500000 events, blocks 0-4) are in none of the files"),
            std::string::npos)
      << refusal({a, c});
  const tarn::RunFilesMerge part = tarn::mergeRunFiles({a, c}, true);
  EXPECT_EQ(tarn::findRecord({part.merged.back().histogram})->run.get("blocks"), "0-1,3-4");
  EXPECT_NE(refusal({a, write("ab.hbook", task("1-2", 2, 1.0f))}).find("both hold blocks 1 of seed 9"),
            std::string::npos);
  EXPECT_NE(refusal({a, a}).find("is given twice"), std::string::npos);
  // Another seed: added as independent runs, without a record.
  TaskFile other = task("2-4", 4, 5.0f);
  other.record.run.set("seed", "10");
  const tarn::RunFilesMerge independent = tarn::mergeRunFiles({a, write("o.hbook", other)}, false);
  EXPECT_FALSE(independent.withRecord);
  EXPECT_NE(independent.notes.front().find("independent runs (runs whose seed differs)"), std::string::npos);
}
