// hbook merge of tarn's files (filemerge.h, filerecord.h): the record read
// back, the blocks of one run added in block order with the exact values
// the records keep, the working copies of the block that made them last,
// an ntuple's rows in block order; gaps, shared blocks, other beamlines and
// damaged records refused.
#include <gtest/gtest.h>

#include <cmath>

#include "hbook/memory/ntuplebuilder.h"
#include "hbook/rz/fileerror.h"
#include "hbook/rz/reader.h"
#include "hbook/rz/writer.h"
#include "support/scratchdir.h"
#include "transport/description/read.h"
#include "transport/description/summary.h"
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
  // The file of a task, with an ntuple after its histograms when one is given.
  hbook::MergeSource write(const std::string& name, const TaskFile& t, const hbook::ColumnNtuple* ntuple = nullptr) {
    std::vector<hbook::Histogram> hs = t.histograms;
    hs.push_back(tarn::recordHistogram(t.record));
    std::vector<const hbook::Histogram*> list;
    for (const auto& h : hs) list.push_back(&h);
    const std::string path = (scratch_.path() / name).string();
    if (ntuple) {
      hbook::WriteOptions options;
      options.overwrite = true;
      hbook::writeFile(path, list, {ntuple}, options);
    } else {
      hbook::writeFile(path, list, true);
    }
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
                          "tarn run record 1\nseed=1 events=5 blocks=0\ncopy 302\n", "tarn run record 1\nseed=x events=5 blocks=0\n",
                          "tarn run record 1\nseed=1 events=5 blocks=0\ncopy 302 0 1 9\n",  // an item too many
                          "tarn run record 1\nseed=1 events=5 blocks=0\nexact 3001 57 16777217 x\n",
                          "tarn run record 1\nseed=1 events=5 blocks=0\nentries 4017 3 3\n"})
    EXPECT_THROW(tarn::FileRecord::parse(bad), std::runtime_error) << bad;
  hbook::Histogram garbled = h;
  garbled.channels[3] = 0.5f;
  EXPECT_THROW(tarn::findRecord({garbled}), std::runtime_error);
  // A complete run of 100000 events of the shipped beamline, the file of
  // always, carries none; of another beamline it does.
  EXPECT_FALSE(tarn::fileNeedsRecord(100000, tarn::BlockSet::range(0, 0), true));
  EXPECT_TRUE(tarn::fileNeedsRecord(100000, tarn::BlockSet::range(0, 0), false));
  EXPECT_TRUE(tarn::fileNeedsRecord(99999, tarn::BlockSet::range(0, 0), true));
  EXPECT_TRUE(tarn::fileNeedsRecord(200000, tarn::BlockSet::range(0, 0), true));
}

TEST(FileRecord, TheBeamlinesValuesAndARecordOfIndependentRunsReadBack) {
  tarn::FileRecord r;
  r.run = tarn::RunIdentity(7, 100000, "auto", tarn::BlockSet::range(0, 0));
  r.run.set("beamline", "e8e4cd987dc18af3");
  r.beamline = {{"cells.length", "30 cm"}, {"cells.upstream_helium", "left"}};
  const tarn::FileRecord back = tarn::FileRecord::parse(r.text());
  EXPECT_EQ(back.beamline, r.beamline);
  EXPECT_FALSE(back.independentRuns);
  EXPECT_NE(r.text().find("\nbeamline cells.length 30 cm\n"), std::string::npos) << r.text();

  const tarn::FileRecord sum = tarn::independentRunsRecord("e8e4cd987dc18af3", {{"cells.temperature", "1.6 K"}});
  EXPECT_EQ(sum.text(), "tarn run record 1\nruns=independent beamline=e8e4cd987dc18af3\nbeamline cells.temperature 1.6 K\n");
  const tarn::FileRecord sumBack = *tarn::findRecord({tarn::recordHistogram(sum)});
  EXPECT_TRUE(sumBack.independentRuns);
  EXPECT_EQ(sumBack.beamline, sum.beamline);
  EXPECT_EQ(tarn::recordHistogram(sum).title, "tarn run record: independent runs of beamline e8e4cd987dc18af3");
  for (const char* bad : {"tarn run record 1\nseed=1 events=5 blocks=0\nbeamline cells.length\n",
                          "tarn run record 1\nseed=1 events=5 blocks=0\nbeamline\n",
                          "tarn run record 1\nruns=other beamline=00\n"})  // not independent: needs seed and events
    EXPECT_THROW(tarn::FileRecord::parse(bad), std::runtime_error) << bad;
}

// The message FileRecord::parse gives for a text, or "accepted".
std::string recordRefusal(const std::string& text) {
  try {
    tarn::FileRecord::parse(text);
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "accepted";
}

TEST(FileRecord, EachDamageIsNamedByItsLine) {
  const std::string head = "tarn run record 1\nseed=1 events=5 blocks=0\n";
  EXPECT_EQ(recordRefusal(head), "accepted");
  EXPECT_EQ(recordRefusal(""), "the run record does not begin with 'tarn run record 1'");
  EXPECT_EQ(recordRefusal("tarn run record 10\n"), "the run record does not begin with 'tarn run record 1'");
  EXPECT_EQ(recordRefusal("tarn run record 1"), "the run record has no run line");
  EXPECT_EQ(recordRefusal(head + "copy 302"), "the run record's line 'copy 302' is damaged");
  EXPECT_EQ(recordRefusal(head + "copy 302 0 1 9"), "the run record's line 'copy 302 0 1 9' is damaged");
  EXPECT_EQ(recordRefusal(head + "exact 3001 57"), "the run record's line 'exact 3001 57' is damaged");
  EXPECT_EQ(recordRefusal(head + "entries 4017 x"), "the run record's line 'entries 4017 x' is damaged");
  EXPECT_EQ(recordRefusal(head + "beamline cells.length"), "the run record's line 'beamline cells.length' is damaged");
  EXPECT_EQ(recordRefusal(head + "copies 302 0 1"), "the run record's line 'copies 302 0 1' is damaged");
  EXPECT_EQ(recordRefusal(head + "\n"), "the run record's line '' is damaged");
  EXPECT_EQ(recordRefusal(head + "copy 302 0 1\nexact 3001 57 9\nentries 4017 3\nbeamline cells.length 30 cm\n"),
            "accepted");
}

// The title holds 80 characters at most: one more is cut to 77 and "...".
TEST(FileRecord, TheTitleIsCutBeyondEightyCharacters) {
  const std::string start = "tarn run record: independent runs of beamline ";
  const std::string fits(80 - start.size(), 'a'), over(81 - start.size(), 'a');
  EXPECT_EQ(tarn::recordHistogram(tarn::independentRunsRecord(fits, {})).title, start + fits);
  const std::string cut = tarn::recordHistogram(tarn::independentRunsRecord(over, {})).title;
  EXPECT_EQ(cut, (start + over).substr(0, 77) + "...");
  EXPECT_EQ(cut.size(), 80u);
  // The title is only the label: the record is read back whole from the bins.
  EXPECT_EQ(tarn::findRecord({tarn::recordHistogram(tarn::independentRunsRecord(over, {}))})->run.get("beamline"),
            over);
}

// The bins hold the text's bytes, 1 to 255; anything else is not text.
TEST(FileRecord, TheBinsHoldBytesOneTo255) {
  const tarn::FileRecord r = tarn::independentRunsRecord("00", {{"cells.length", "\x01 and \xff"}});
  hbook::Histogram h = tarn::recordHistogram(r);
  EXPECT_EQ(tarn::findRecord({h})->beamline, r.beamline);
  const std::size_t at = r.text().find('\x01') + 1;  // the bin of that byte
  ASSERT_EQ(h.channels[at], 1.0f);
  for (float bad : {0.0f, 256.0f, 65.5f, -65.0f}) {
    hbook::Histogram g = h;
    g.channels[at] = bad;
    try {
      tarn::findRecord({g});
      ADD_FAILURE() << bad << " was read as text";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "the run record's bins are not text") << bad;
    }
  }
  // Only histogram 9999 with the record's title is the record.
  hbook::Histogram otherId = h;
  otherId.id = tarn::RUN_RECORD_ID + 1;
  EXPECT_FALSE(tarn::findRecord({otherId}).has_value());
  hbook::Histogram otherTitle = h;
  otherTitle.title = "a run record";
  EXPECT_FALSE(tarn::findRecord({otherTitle}).has_value());
  EXPECT_EQ(tarn::findRecord({otherTitle, otherId, h})->text(), r.text());
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

// Records that give a beamline's digest without its values (a record
// written by hand, say) are compared by the digests.
TEST_F(FileMerge, RunsOfDifferentBeamlinesAreRefusedByTheirDigests) {
  TaskFile a = task("0-1", 1, 1.0f), b = task("2-4", 4, 2.0f);
  a.record.run.set("beamline", "0123456789abcdef");
  b.record.run.set("beamline", "bac9717574793c0a");
  EXPECT_NE(refusal({write("a.hbook", a), write("b.hbook", b)})
                .find("are runs of different beamlines: their digests differ (0123456789abcdef and bac9717574793c0a)"),
            std::string::npos)
      << refusal({write("a.hbook", a), write("b.hbook", b)});
  // Another seed does not make them comparable either.
  b.record.run.set("seed", "10");
  EXPECT_NE(refusal({write("a.hbook", a), write("b.hbook", b)}).find("different beamlines"), std::string::npos);
  // The same beamline: one run.
  b.record.run = a.record.run;
  b.record.run.setBlocks(tarn::BlockSet::range(2, 4));
  EXPECT_TRUE(tarn::mergeRunFiles({write("a.hbook", a), write("b.hbook", b)}, false).withRecord);
  // A file without a record is of the shipped beamline: refused beside a,
  // added beside a record that gives the shipped digest.
  hbook::MergeSource none = write("p.hbook", task("0", 0, 3.0f));
  none.file.histograms.pop_back();  // the record
  none.file.directories.front().objects.pop_back();
  EXPECT_NE(refusal({write("a.hbook", a), none}).find("different beamlines"), std::string::npos);
  a.record.run.set("beamline", tarn::shippedBeamlineDigest());
  EXPECT_FALSE(tarn::mergeRunFiles({write("a.hbook", a), none}, false).withRecord);
}

// A task's file with the ntuple of its detected neutrons (event, block) after
// its histograms, as a program writes it (writeFile with ntuples).
hbook::ColumnNtuple detected(std::int64_t firstEvent, std::int64_t lastEvent) {
  hbook::NtupleBuilder nt(1000, "Detected neutrons");
  nt.block("DET", "event:I, block:I, lam:R");
  const int event = nt.column("event"), block = nt.column("block"), lam = nt.column("lam");
  for (std::int64_t e = firstEvent; e <= lastEvent; ++e) {
    nt.setInteger(event, e);
    nt.setInteger(block, e / 2);
    nt.set(lam, 0.25 * static_cast<double>(e));
    nt.fill();
  }
  return nt.ntuple();
}

TEST_F(FileMerge, OtherObjectsAreAddedByKindWithTheirRowsInBlockOrder) {
  const hbook::ColumnNtuple first = detected(0, 3), later = detected(4, 9);
  const hbook::MergeSource a = write("a.hbook", task("0-1", 1, 1.0f), &first);
  const hbook::MergeSource b = write("b.hbook", task("2-4", 4, 100.0f), &later);
  const tarn::RunFilesMerge m = tarn::mergeRunFiles({b, a}, false);  // given out of order
  ASSERT_TRUE(m.withRecord);
  ASSERT_EQ(m.merged.size(), 5u);
  EXPECT_EQ(m.merged[0].histogram.channels[1], 2.0f + 101.0f);
  ASSERT_EQ(m.others.objects.size(), 1u);
  EXPECT_EQ(m.others.objects[0].role, hbook::MergeRole::Rows);
  const hbook::ColumnNtuple& rows = m.others.directories.front().columnNtuples.at(0);
  EXPECT_EQ(rows.entries, 10);
  EXPECT_EQ(rows.columns.at(0).integers, (std::vector<std::int32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));

  // The merged file: histograms, the record, then the ntuple; it reads back
  // and merges again with the file of another part of the run.
  const std::vector<hbook::Directory> dirs = tarn::mergedDirectories(m);
  ASSERT_EQ(dirs.size(), 1u);
  ASSERT_EQ(dirs.front().objects.size(), 6u);
  EXPECT_EQ(dirs.front().objects[4].id, tarn::RUN_RECORD_ID);
  EXPECT_EQ(dirs.front().objects[5].kind, hbook::ObjectKind::ColumnNtuple);
  const std::string path = (scratch_.path() / "m.hbook").string();
  ASSERT_TRUE(hbook::writeFile(path, dirs, hbook::WriteOptions{}));
  const hbook::ReadResult back = hbook::readFile(path);
  EXPECT_EQ(back.directories.front().columnNtuples.at(0).columns.at(2).reals,
            (std::vector<float>{0.0f, 0.25f, 0.5f, 0.75f, 1.0f, 1.25f, 1.5f, 1.75f, 2.0f, 2.25f}));
  EXPECT_EQ(tarn::findRecord(back.histograms)->run.get("blocks"), "0-4");

  // A file without the ntuple, or with other variables, is refused naming it.
  EXPECT_NE(refusal({a, write("c.hbook", task("2-4", 4, 5.0f))}).find("holds no column-wise ntuple 1000"),
            std::string::npos)
      << refusal({a, write("c.hbook", task("2-4", 4, 5.0f))});
  hbook::NtupleBuilder other(1000, "Detected neutrons");
  other.block("DET", "event:I, side:I, lam:R");
  const std::string why = refusal({a, write("d.hbook", task("2-4", 4, 5.0f), &other.ntuple())});
  EXPECT_NE(why.find("d.hbook: column-wise ntuple 1000 has the variable side in block DET"), std::string::npos) << why;
}

namespace {

// The digest of the shipped beamline with these --set values.
std::string digestWith(const std::vector<std::string>& sets) {
  const tarn::description::ReadResult read = tarn::description::readDescription(tarn::SHIPPED_BEAMLINE, "", sets);
  EXPECT_TRUE(read.errors.empty());
  return tarn::description::digest(read.description.values);
}

}  // namespace

TEST_F(FileMerge, RunsOfDifferentBeamlinesAreRefusedNamingTheValues) {
  TaskFile longer = task("0-1", 1, 1.0f), shipped = task("2-4", 4, 2.0f);
  longer.record.run.set("beamline", digestWith({"cells.length=50", "cells.temperature=1.6"}));
  longer.record.beamline = {{"cells.length", "50 cm"}, {"cells.temperature", "1.6 K"}};
  const hbook::MergeSource a = write("a.hbook", longer), b = write("b.hbook", shipped);
  EXPECT_EQ(refusal({a, b}),
            a.name + " and " + b.name + " are runs of different beamlines: cells.length = 50 cm in " + a.name +
                ", 41.6 cm (shipped) in " + b.name + "; cells.temperature = 1.6 K in " + a.name + ", 2.1 K (shipped) in " +
                b.name + ": only runs of one beamline are added");
  // A file without a record is of the shipped beamline.
  std::vector<hbook::Histogram> plain = {histogram(3001, "x (cm) Det", 4, 0.0f)};
  std::vector<const hbook::Histogram*> list = {&plain[0]};
  const std::string path = (scratch_.path() / "plain.hbook").string();
  hbook::writeFile(path, list, true);
  const hbook::MergeSource c{path, hbook::readFile(path)};
  EXPECT_NE(refusal({c, a}).find("cells.length = 41.6 cm (shipped) in " + path + ", 50 cm in " + a.name),
            std::string::npos)
      << refusal({c, a});
  // One value in each: each is named with the other's.
  TaskFile colder = task("2-4", 4, 2.0f);
  colder.record.run.set("beamline", digestWith({"cells.temperature=1.6"}));
  colder.record.beamline = {{"cells.temperature", "1.6 K"}};
  EXPECT_NE(refusal({a, write("d.hbook", colder)}).find(": cells.length = 50 cm in " + a.name + ", 41.6 cm (shipped) in "),
            std::string::npos);

  // The blocks of one run of that beamline: the result's record keeps its values.
  TaskFile rest = task("2-4", 4, 3.0f);
  rest.record.run = longer.record.run;
  rest.record.run.setBlocks(tarn::BlockSet::range(2, 4));
  rest.record.beamline = longer.record.beamline;
  const tarn::RunFilesMerge whole = tarn::mergeRunFiles({a, write("e.hbook", rest)}, false);
  ASSERT_TRUE(whole.withRecord);
  EXPECT_EQ(tarn::findRecord({whole.merged.back().histogram})->beamline, longer.record.beamline);
}

TEST_F(FileMerge, IndependentRunsOfAChangedBeamlineKeepItInARecordOfTheBeamline) {
  TaskFile one = task("0-4", 4, 1.0f), two = task("0-4", 4, 2.0f);
  for (TaskFile* t : {&one, &two}) {
    t->record.run.set("beamline", digestWith({"cells.temperature=1.6"}));
    t->record.beamline = {{"cells.temperature", "1.6 K"}};
  }
  two.record.run.set("seed", "10");
  const tarn::RunFilesMerge m = tarn::mergeRunFiles({write("one.hbook", one), write("two.hbook", two)}, false);
  EXPECT_FALSE(m.withRecord);
  ASSERT_TRUE(m.beamlineRecord);
  const tarn::FileRecord sum = *tarn::findRecord({m.merged.back().histogram});
  EXPECT_TRUE(sum.independentRuns);
  EXPECT_EQ(sum.run.get("beamline"), digestWith({"cells.temperature=1.6"}));
  EXPECT_EQ(sum.beamline, one.record.beamline);

  // That sum is refused beside a shipped run and added to another run of its beamline.
  std::vector<const hbook::Histogram*> list;
  for (const hbook::MergedHistogram& h : m.merged) list.push_back(&h.histogram);
  const std::string path = (scratch_.path() / "sum.hbook").string();
  hbook::writeFile(path, list, true);
  const hbook::MergeSource summed{path, hbook::readFile(path)};
  EXPECT_NE(refusal({summed, write("shipped.hbook", task("0-4", 4, 1.0f))}).find("are runs of different beamlines"),
            std::string::npos);
  TaskFile three = two;
  three.record.run.set("seed", "11");
  const tarn::RunFilesMerge again = tarn::mergeRunFiles({summed, write("three.hbook", three)}, false);
  EXPECT_TRUE(again.beamlineRecord);
  EXPECT_NE(again.notes.front().find(path + " holds independent runs already"), std::string::npos);
}
