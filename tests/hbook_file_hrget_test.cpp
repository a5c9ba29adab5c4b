// HRGET and HRPUT between the run-level histogram memory and files.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "hbook/hbook.h"
#include "hbook/memory/store.h"
#include "hbook/rz/reader.h"
#include "hbook/rz/writer.h"
#include "support/scratchdir.h"
#include "textout/console.h"

namespace {

const std::string DATA_DIR = std::string(TARN_TEST_DATA) + "/hbook/";

class Files : public ::testing::Test {
 protected:
  void SetUp() override {
    hbook::memory().clear();
    textout::setConsole(&console_);
  }
  void TearDown() override {
    textout::setConsole(nullptr);
    hbook::memory().clear();
  }
  std::ostringstream console_;
  testsupport::ScratchDir scratch_{"hbook-hrget"};
  std::string dir_ = scratch_.str();
};

TEST_F(Files, MissingFilePrintsThePackagesLineNamingIt) {
  EXPECT_EQ(HRGET(100, "nothere.hbook   ", " "), hbook::FileStatus::Missing);
  EXPECT_EQ(console_.str(), " RZOPEN. Error - input file nothere.hbook does not exist\n");
  EXPECT_EQ(hbook::memory().size(), 0u);
}

TEST_F(Files, SingleIdAndUnknownId) {
  EXPECT_EQ(HRGET(152, DATA_DIR + "gradx.hbook", ""), hbook::FileStatus::Ok);
  ASSERT_NE(hbook::memory().find(152), nullptr);
  EXPECT_EQ(hbook::memory().find(151), nullptr);
  EXPECT_TRUE(hbook::memory().find(152)->readFromFile);
  EXPECT_EQ(HRGET(999, DATA_DIR + "gradx.hbook", ""), hbook::FileStatus::NotFound);
  EXPECT_EQ(console_.str(), "");  // silent, like the package
}

TEST_F(Files, EverythingAndNotes) {
  EXPECT_EQ(HRGET(0, DATA_DIR + "roothbk_write_hbk.hb", ""), hbook::FileStatus::Ok);
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
  ASSERT_EQ(HRGET(0, DATA_DIR + "mixed.hbook", ""), hbook::FileStatus::Ok);
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

// A 1-D histogram of variable bins is not loaded: named when all are asked
// for, WrongKind when it is the one asked for; its neighbours load.
TEST_F(Files, VariableBinsAreNamedAndNotLoaded) {
  hbook::Directory top;
  top.path = "/";
  for (std::int32_t id : {5, 6}) {
    hbook::Histogram h;
    h.id = id;
    h.title = "h";
    h.nx = 2;
    h.xmax = 3.0f;
    h.channels = {0.0f, 1.0f, 2.0f, 0.0f};
    if (id == 5) h.edges = {0.0f, 1.0f, 3.0f};
    top.objects.push_back({hbook::ObjectKind::Histogram1D, id, top.histograms.size()});
    top.histograms.push_back(h);
  }
  const std::string file = dir_ + "/variable.hbook";
  ASSERT_TRUE(hbook::writeFile(file, {top}, hbook::WriteOptions{}));
  EXPECT_EQ(HRGET(5, file, ""), hbook::FileStatus::WrongKind);
  EXPECT_EQ(console_.str(), "");
  EXPECT_EQ(hbook::memory().size(), 0u);
  EXPECT_EQ(HRGET(6, file, ""), hbook::FileStatus::Ok);
  EXPECT_EQ(hbook::memory().size(), 1u);
  hbook::memory().clear();
  EXPECT_EQ(HRGET(0, file, ""), hbook::FileStatus::Ok);
  EXPECT_EQ(console_.str(), " HRGET: " + file +
                                ": 1-D histogram 5 has variable bins, not loaded (the histogram memory holds equal "
                                "bins only)\n");
  ASSERT_EQ(hbook::memory().size(), 1u);
  EXPECT_NE(hbook::memory().find(6), nullptr);
}

// An unreadable file is one line: the package's prefix and the reader's words.
TEST_F(Files, AnUnreadableFileAndAnUnknownIdToPutAreOneLineEach) {
  const std::string bad = dir_ + "/bad.hbook";
  { std::ofstream(bad) << "not an hbook file at all, but long enough to look at..."; }
  std::string reason;
  try {
    hbook::readFile(bad);
  } catch (const hbook::FileError& e) {
    reason = e.what();
  }
  ASSERT_NE(reason, "");
  EXPECT_EQ(HRGET(100, bad, ""), hbook::FileStatus::Bad);
  EXPECT_EQ(console_.str(), " ***** ERROR in HRGET : " + reason + "\n");
  console_.str("");
  EXPECT_EQ(HRPUT(41, dir_ + "/none.hbook", "N"), hbook::FileStatus::NotFound);
  EXPECT_EQ(console_.str(), " ***** ERROR in HRPUT : Unknown histogram : ID=      41 \n");
  EXPECT_FALSE(std::filesystem::exists(dir_ + "/none.hbook"));
}

// An id naming a 2-D histogram, profile or ntuple: WrongKind, and what the
// file holds there is described.
TEST_F(Files, OtherKindsAreNotLoadedButNamed) {
  const std::string objects = DATA_DIR + "objects/";
  EXPECT_EQ(HRGET(10, objects + "h2.hbook", ""), hbook::FileStatus::WrongKind);
  EXPECT_EQ(HRGET(100, objects + "prof.hbook", ""), hbook::FileStatus::WrongKind);
  EXPECT_EQ(HRGET(3, objects + "rwn.hbook", ""), hbook::FileStatus::WrongKind);
  EXPECT_EQ(HRGET(99, objects + "h2.hbook", ""), hbook::FileStatus::NotFound);
  EXPECT_EQ(console_.str(), "");
  EXPECT_EQ(hbook::memory().size(), 0u);
  EXPECT_EQ(hbook::describeObject(objects + "h2.hbook", 10), "a 2-D histogram of 10 x 8 bins 0..1 x 0..2");
  EXPECT_EQ(hbook::describeObject(objects + "prof.hbook", 102), "a profile histogram of 6 bins 0..6, y -100..100");
  EXPECT_EQ(hbook::describeObject(objects + "rwn.hbook", 3), "a row-wise ntuple of 12 variables x 1000 rows");
  EXPECT_EQ(hbook::describeObject(objects + "h2.hbook", 99), "");
  // Subdirectories are not HRGET's business: the top directory's histograms only.
  EXPECT_EQ(HRGET(0, objects + "dirs.hbook", ""), hbook::FileStatus::Ok);
  EXPECT_EQ(hbook::memory().size(), 2u);
}

// Running out of memory while loading is reported like any unreadable file
// instead of ending the program. The child process gets a small address
// space; sanitizer builds reserve too much of it to take part.
TEST_F(Files, RunningOutOfMemoryIsAnUnreadableFile) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "address-space limits do not mix with AddressSanitizer";
#else
  hbook::Histogram big;
  big.id = 100;
  big.nx = 1000000;
  big.xmin = 0.0f;
  big.xmax = 1.0f;
  big.channels.assign(static_cast<std::size_t>(big.nx) + 2, 1.0f);
  const std::string path = dir_ + "/big.hbook";
  ASSERT_TRUE(hbook::writeFile(path, {&big}));
  big.channels = {};
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const rlim_t room = 6 << 20;  // less than the file (4 MB) and its object (4 MB) together
    const struct rlimit lim {static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + room,
                             RLIM_INFINITY};
    if (setrlimit(RLIMIT_AS, &lim) != 0) _exit(2);
    const hbook::FileStatus s = HRGET(100, path, "");
    const bool named = console_.str().find("not enough memory") != std::string::npos;
    _exit(s == hbook::FileStatus::Bad && named ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "the child died of signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
#endif
}

}  // namespace
