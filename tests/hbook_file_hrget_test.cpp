// HRGET and HRPUT between the run-level histogram memory and files.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "console.h"
#include "hbook.h"
#include "rzfile.h"
#include "store.h"

namespace {

const std::string kData = std::string(TARN_TEST_DATA) + "/hbook/";

class Files : public ::testing::Test {
 protected:
  void SetUp() override {
    hbook::memory().clear();
    textout::setConsole(&console_);
    char tmpl[] = "/tmp/hbook-hrget-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override {
    textout::setConsole(nullptr);
    hbook::memory().clear();
    std::filesystem::remove_all(dir_);
  }
  std::ostringstream console_;
  std::string dir_;
};

TEST_F(Files, MissingFilePrintsThePackagesTwoLines) {
  EXPECT_EQ(HRGET(100, "nothere.hbook   ", " "), hbook::FileStatus::Missing);
  EXPECT_EQ(console_.str(),
            " RZOPEN. Error - input file nothere.hbook does not exist\n"
            " ***** ERROR in HROPEN : Cannot open file :  \n");
  EXPECT_EQ(hbook::memory().size(), 0u);
}

TEST_F(Files, SingleIdAndUnknownId) {
  EXPECT_EQ(HRGET(152, kData + "gradx.hbook", ""), hbook::FileStatus::Ok);
  ASSERT_NE(hbook::memory().find(152), nullptr);
  EXPECT_EQ(hbook::memory().find(151), nullptr);
  EXPECT_TRUE(hbook::memory().find(152)->readFromFile);
  EXPECT_EQ(HRGET(999, kData + "gradx.hbook", ""), hbook::FileStatus::NotFound);
  EXPECT_EQ(console_.str(), "");  // silent, like the package
}

TEST_F(Files, EverythingAndNotes) {
  EXPECT_EQ(HRGET(0, kData + "roothbk_write_hbk.hb", ""), hbook::FileStatus::Ok);
  EXPECT_EQ(hbook::memory().size(), 3u);
  EXPECT_NE(console_.str().find("roothbk_write_hbk.hb: 2-D histogram 4 not loaded (the histogram memory holds 1-D histograms only)"),
            std::string::npos)
      << console_.str();
}

TEST_F(Files, BadFileNamesTheField) {
  const std::string bad = dir_ + "/bad.hbook";
  { std::ofstream(bad) << "not an hbook file at all, but long enough to look at..."; }
  EXPECT_EQ(HRGET(0, bad, ""), hbook::FileStatus::Bad);
  EXPECT_NE(console_.str().find(bad), std::string::npos);
  EXPECT_NE(console_.str().find("ERROR in HRGET"), std::string::npos);
}

TEST_F(Files, PutAllThenRefuseToOverwrite) {
  ASSERT_EQ(HRGET(0, kData + "mixed.hbook", ""), hbook::FileStatus::Ok);
  const std::string out = dir_ + "/h3478577.hbook";
  EXPECT_EQ(HRPUT(0, out + "              ", "N"), hbook::FileStatus::Ok);
  const hbook::ReadResult r = hbook::readFile(out);
  const auto all = hbook::memory().all();
  ASSERT_EQ(r.histograms.size(), all.size());
  for (std::size_t i = 0; i < all.size(); ++i) EXPECT_EQ(r.histograms[i].id, all[i]->id);  // booking order
  const auto before = std::filesystem::file_size(out);
  HBOOK1(77, "new", 5, 0.0f, 1.0f, 0.0f);
  EXPECT_EQ(HRPUT(0, out, "N"), hbook::FileStatus::Exists);
  EXPECT_EQ(std::filesystem::file_size(out), before);
  EXPECT_EQ(HRPUT(77, dir_ + "/one.hbook", "N"), hbook::FileStatus::Ok);
  EXPECT_EQ(hbook::readFile(dir_ + "/one.hbook").histograms.size(), 1u);
  EXPECT_EQ(console_.str(), "");
  EXPECT_EQ(HRPUT(0, dir_ + "/no/dir/x.hbook", "N"), hbook::FileStatus::WriteFailed);
  EXPECT_NE(console_.str().find("ERROR in HRPUT"), std::string::npos);
}

}  // namespace
