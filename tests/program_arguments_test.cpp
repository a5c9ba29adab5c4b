// hbook's subcommands at the edges of their command lines: each count of
// arguments either side of what a subcommand takes, the words and exit
// status of each refusal, the usage printed with it or asked for, and make's
// --date and titles at their bounds.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "hbook/print/csv.h"
#include "support/programrunner.h"

using namespace testsupport;

namespace {

const std::string HBOOK = HBOOK_PROGRAM;
const std::string LAM = std::string(TARN_DATA_DIR) + "/lam.hbook";

// The whole usage, as `hbook` alone prints it.
std::string fullUsage(const fs::path& dir) { return runCommand(dir, HBOOK + " --help").out; }

// prof.hbook with profile 106's error bank (the last bank named HI1E) set to
// options S and I at once, an option the reader skips the profile for.
void writeProfileWithBothOptions(const fs::path& to) {
  std::vector<unsigned char> bytes = readBytes(std::string(TARN_TEST_DATA) + "/hbook/objects/prof.hbook");
  std::size_t at = std::string::npos;
  for (std::size_t k = 0; k + 4 <= bytes.size(); ++k)
    if (std::equal(bytes.begin() + static_cast<std::ptrdiff_t>(k), bytes.begin() + static_cast<std::ptrdiff_t>(k + 4),
                   "HI1E"))
      at = k;
  ASSERT_NE(at, std::string::npos);
  bytes[at + 19] = 3;  // its status word, low byte
  std::ofstream(to, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

TEST(ProgramHbookArguments, TheUsageAloneAndOnRequest) {
  ScratchDir dir("hbookargs-usage");
  const Outcome alone = runCommand(dir.path(), HBOOK);
  EXPECT_EQ(alone.status, 2);
  EXPECT_EQ(alone.out.rfind("usage:\n  hbook ls FILE ", 0), 0u) << alone.out;
  EXPECT_TRUE(alone.err.empty());
  const Outcome help = runCommand(dir.path(), HBOOK + " -h");
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out, alone.out);
  // Unknown command: status 2, its name, then the usage, on the errors.
  const Outcome unknown = runCommand(dir.path(), HBOOK + " frobnicate x");
  EXPECT_EQ(unknown.status, 2);
  EXPECT_EQ(unknown.err, "hbook: unknown command: frobnicate\n" + alone.out);
  EXPECT_TRUE(unknown.out.empty());
  // A subcommand's own usage: its lines only; make's with the tables.
  const Outcome ls = runCommand(dir.path(), HBOOK + " ls --help");
  EXPECT_EQ(ls.status, 0);
  EXPECT_EQ(ls.out,
            "usage:\n  hbook ls FILE                  every object: directory, id, kind, shape, entries, title\n");
  const Outcome copy = runCommand(dir.path(), HBOOK + " copy -h");
  EXPECT_EQ(copy.status, 0);
  EXPECT_EQ(copy.out.rfind("usage:\n  hbook copy [--record-length N] IN OUT", 0), 0u) << copy.out;
  EXPECT_EQ(copy.out.find("TABLE.csv: a header line"), std::string::npos);
  const Outcome make = runCommand(dir.path(), HBOOK + " make --help");
  EXPECT_EQ(make.status, 0);
  EXPECT_NE(make.out.find("\nTABLE.csv: a header line naming the columns low, high, content"), std::string::npos);
  EXPECT_EQ(make.out.find("hbook ls"), std::string::npos);
}

TEST(ProgramHbookArguments, EachSubcommandsCountOfArguments) {
  ScratchDir dir("hbookargs-count");
  const std::string usage = fullUsage(dir.path());
  const struct {
    std::string args;
    std::string refusal;  // "" accepted
  } cases[] = {
      {"ls", "ls wants one FILE"},
      {"ls " + LAM, ""},
      {"ls " + LAM + " " + LAM, "ls wants one FILE"},
      {"dump", "dump wants FILE [ID]"},
      {"dump " + LAM, ""},
      {"dump " + LAM + " 100", ""},
      {"dump " + LAM + " 100 100", "dump wants FILE [ID]"},
      {"dump --all", "dump --all wants one FILE"},
      {"dump --all " + LAM, ""},
      {"dump --all " + LAM + " " + LAM, "dump --all wants one FILE"},
      {"json", "json wants FILE [ID]"},
      {"json " + LAM, ""},
      {"json " + LAM + " 100", ""},
      {"json " + LAM + " 100 100", "json wants FILE [ID]"},
      {"csv " + LAM, "csv wants FILE ID"},
      {"csv " + LAM + " 100", ""},
      {"csv " + LAM + " 100 100", "csv wants FILE ID"},
      {"copy " + LAM, "copy wants IN and OUT"},
      {"copy " + LAM + " a.hbook b.hbook", "copy wants IN and OUT"},
      {"copy " + LAM + " --record-length", "--record-length wants a number of words"},
      {"copy --record-length 1024x " + LAM + " c.hbook", "--record-length wants a number of words, not 1024x"},
      {"copy --record-length many " + LAM + " c.hbook", "--record-length wants a number of words, not many"},
      {"merge m.hbook", "merge wants OUT and one or more input files"},
      {"merge --incomplete m.hbook", "merge wants OUT and one or more input files"},
      {"merge m.hbook " + LAM, ""},
  };
  for (const auto& c : cases) {
    const Outcome o = runCommand(dir.path(), HBOOK + " " + c.args);
    if (c.refusal.empty()) {
      EXPECT_EQ(o.status, 0) << c.args << "\n" << o.err;
      EXPECT_FALSE(o.out.empty()) << c.args;
    } else {
      EXPECT_EQ(o.status, 2) << c.args;
      EXPECT_EQ(o.err, "hbook: " + c.refusal + "\n" + usage) << c.args;
    }
  }
  // A file that cannot be read is status 1, one line, no usage.
  const Outcome missing = runCommand(dir.path(), HBOOK + " ls no-such.hbook");
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err.rfind("hbook: ", 0), 0u);
  EXPECT_EQ(missing.err.find("usage:"), std::string::npos);
  EXPECT_EQ(missing.err.find('\n'), missing.err.size() - 1) << missing.err;
}

TEST(ProgramHbookArguments, MakeDatesTitlesAndTriples) {
  ScratchDir dir("hbookargs-make");
  { std::ofstream(dir.path() / "t.csv") << "low,high,content\n0,1,5\n1,2,6\n"; }
  const std::string usage = fullUsage(dir.path());
  int made = 0;
  const auto make = [&](const std::string& options, const std::string& triples) {
    const std::string out = "m" + std::to_string(made++) + ".hbook";
    return runCommand(dir.path(), HBOOK + " make " + options + " " + out + " " + triples);
  };
  const std::string one = "1 'a title' t.csv";
  const std::string dateWords = "--date wants YYYY-MM-DDTHH:MM between 1986 and 2085: ";
  const struct {
    std::string options, triples;
    std::string refusal;  // "" made
  } cases[] = {
      {"--date 1986-01-01T00:00", one, ""},
      {"--date 2085-12-31T23:59", one, ""},
      {"--date 1985-12-31T23:59", one, dateWords + "1985-12-31T23:59"},
      {"--date 2086-01-01T00:00", one, dateWords + "2086-01-01T00:00"},
      {"--date 2000-00-10T10:10", one, dateWords + "2000-00-10T10:10"},
      {"--date 2000-13-10T10:10", one, dateWords + "2000-13-10T10:10"},
      {"--date 2000-12-00T10:10", one, dateWords + "2000-12-00T10:10"},
      {"--date 2000-12-32T10:10", one, dateWords + "2000-12-32T10:10"},
      {"--date 2000-12-31T24:00", one, dateWords + "2000-12-31T24:00"},
      {"--date 2000-12-31T-1:00", one, dateWords + "2000-12-31T-1:00"},
      {"--date 2000-12-31T23:60", one, dateWords + "2000-12-31T23:60"},
      {"--date 2000-12-31T23:-1", one, dateWords + "2000-12-31T23:-1"},
      {"--date 2000-12-31T23:59Z", one, dateWords + "2000-12-31T23:59Z"},
      {"--bogus", one, "unknown option --bogus"},
      {"--force --force", one, ""},
      {"", "1 a", "make wants OUT and one or more ID TITLE TABLE triples"},
      {"", "1 a t.csv 2", "make wants OUT and one or more ID TITLE TABLE triples"},
      {"", "1 a t.csv 2 b", "make wants OUT and one or more ID TITLE TABLE triples"},
      {"", "1 a t.csv 2 b t.csv", ""},
      {"", "0 a t.csv", "histogram id 0 is not allowed"},
      {"", "5 a t.csv 5 b t.csv", "histogram id 5 given twice"},
      {"", "1 " + std::string(80, 'x') + " t.csv", ""},
      {"", "1 '" + std::string(80, 'x') + "   ' t.csv", ""},  // trailing spaces do not count
      {"", "1 " + std::string(81, 'x') + " t.csv", "title of histogram 1 is longer than 80 characters"},
  };
  for (const auto& c : cases) {
    const Outcome o = make(c.options, c.triples);
    const std::string shown = c.options + " | " + c.triples;
    if (c.refusal.empty()) {
      EXPECT_EQ(o.status, 0) << shown << "\n" << o.err;
      EXPECT_TRUE(fs::exists(dir.path() / ("m" + std::to_string(made - 1) + ".hbook"))) << shown;
    } else {
      EXPECT_EQ(o.status, 2) << shown;
      EXPECT_EQ(o.err, "hbook: " + c.refusal + "\n" + usage) << shown;
      EXPECT_FALSE(fs::exists(dir.path() / ("m" + std::to_string(made - 1) + ".hbook"))) << shown;
    }
  }
  // An 80-character title is kept whole.
  const hbook::ReadResult titled = hbook::readFile((dir.path() / "m21.hbook").string());
  ASSERT_EQ(titled.histograms.size(), 1u);
  EXPECT_EQ(titled.histograms[0].title, std::string(80, 'x'));
}

TEST(ProgramHbookArguments, WhatMergeCopyAndMakeRefuseToOverwriteOrCountTwice) {
  ScratchDir dir("hbookargs-files");
  fs::copy_file(LAM, dir.path() / "a.hbook");
  fs::copy_file(LAM, dir.path() / "b.hbook");
  fs::create_symlink(dir.path() / "a.hbook", dir.path() / "link.hbook");
  { std::ofstream(dir.path() / "taken.hbook") << "x"; }
  const struct {
    std::string args, err;
  } refused[] = {
      {"merge taken.hbook a.hbook", "hbook: taken.hbook exists; hbook merge never overwrites a file\n"},
      {"merge m.hbook a.hbook a.hbook", "hbook: a.hbook is given twice: hbook merge would count its contents twice\n"},
      {"merge m.hbook a.hbook link.hbook",
       "hbook: link.hbook and a.hbook are the same file: hbook merge would count its contents twice\n"},
      {"copy a.hbook taken.hbook", "hbook: taken.hbook exists; hbook copy never overwrites a file\n"},
  };
  for (const auto& r : refused) {
    const Outcome o = runCommand(dir.path(), HBOOK + " " + r.args);
    EXPECT_EQ(o.status, 1) << r.args;
    EXPECT_EQ(o.err, r.err) << r.args;
    EXPECT_FALSE(fs::exists(dir.path() / "m.hbook")) << r.args;
  }
  EXPECT_EQ(readText(dir.path() / "taken.hbook"), "x");
  // Two files of identical contents: added, with a warning.
  const Outcome twins = runCommand(dir.path(), HBOOK + " merge m.hbook a.hbook b.hbook");
  EXPECT_EQ(twins.status, 0) << twins.err;
  EXPECT_EQ(twins.err,
            "hbook: warning: a.hbook and b.hbook hold identical contents; added anyway (if one is a copy of the other, "
            "its events count twice)\n");
  EXPECT_EQ(twins.out.rfind("m.hbook: ", 0), 0u) << twins.out;
  EXPECT_NE(twins.out.find(" from 2 files\n"), std::string::npos) << twins.out;
  const Outcome one = runCommand(dir.path(), HBOOK + " merge n.hbook a.hbook");
  EXPECT_EQ(one.status, 0) << one.err;
  EXPECT_TRUE(one.err.empty()) << one.err;
  EXPECT_EQ(one.out.rfind("n.hbook: ", 0), 0u) << one.out;
  // make replaces a regular file only with --force, and never anything else.
  { std::ofstream(dir.path() / "t.csv") << "low,high,content\n0,1,5\n"; }
  const Outcome kept = runCommand(dir.path(), HBOOK + " make taken.hbook 1 a t.csv");
  EXPECT_EQ(kept.status, 1);
  EXPECT_EQ(kept.err, "hbook: taken.hbook exists; not overwritten (use --force to replace it)\n");
  EXPECT_EQ(readText(dir.path() / "taken.hbook"), "x");
  fs::create_directory(dir.path() / "folder");
  const Outcome folder = runCommand(dir.path(), HBOOK + " make --force folder 1 a t.csv");
  EXPECT_EQ(folder.status, 1);
  EXPECT_EQ(folder.err, "hbook: folder is a directory; hbook make only ever replaces a regular file\n");
  const Outcome link = runCommand(dir.path(), HBOOK + " make --force link.hbook 1 a t.csv");
  EXPECT_EQ(link.status, 1);
  EXPECT_EQ(link.err, "hbook: link.hbook is a symbolic link; hbook make only ever replaces a regular file\n");
  const Outcome forced = runCommand(dir.path(), HBOOK + " make --force taken.hbook 1 a t.csv");
  EXPECT_EQ(forced.status, 0) << forced.err;
  EXPECT_EQ(hbook::readFile((dir.path() / "taken.hbook").string()).histograms.size(), 1u);
}

// make's tables: each refusal names the table, the line and why; at each
// bound the value on the accepted side is made into a file.
TEST(ProgramHbookArguments, MakeTablesAtTheirBounds) {
  ScratchDir dir("hbookargs-tables");
  const std::string header = "low,high,content\n";
  const struct {
    std::string table;
    std::string refusal;  // "" made
  } cases[] = {
      {header + "0,1,5\n1,2,6\n", ""},
      {header + "0,1,5\n1,2\n", "t.csv line 3: too few columns"},
      {"content,high,low\n5,1\n", "t.csv line 2: too few columns"},
      {"LOW,High,Content\n0,1,5\n", ""},
      {"low,,high,,content\n0,x,1,y,5\n", ""},  // unnamed columns may repeat
      {"# only a comment\n\n   \n", "t.csv: no header line"},
      {header + "# no rows\n", "t.csv: no rows"},
      {header + "1,1,5\n", "t.csv line 2: last high edge not above the first low edge"},
      {header + "0,1,5\n1,0,5\n", "t.csv line 3: last high edge not above the first low edge"},
      {header + "0,1,3.4028235e38\n", ""},
      {header + "0,1,3.4028236e38\n",
       "t.csv line 2: content '3.4028236e38' is out of the range of a 32-bit float "
       "(largest 3.4028235e+38)"},
      {header + "0,1,-1e400\n",
       "t.csv line 2: content '-1e400' is out of the range of a 32-bit float "
       "(largest 3.4028235e+38)"},
      {header + "0,1,inf\n", "t.csv line 2: content 'inf' is not finite"},
      {header + "0,1,1e-45\n", ""},
      {header + "0,1,7e-46\n", "t.csv line 2: content '7e-46' is too small for a 32-bit float (smallest 1e-45)"},
      {header + "0,1,1e-400\n", "t.csv line 2: content '1e-400' is too small for a 32-bit float (smallest 1e-45)"},
      {header + "0,1,0\n", ""},
      {header + "0,1,-0\n", ""},
      {header + "0x,1,5\n", "t.csv line 2: low edge '0x' is not a number"},
      {header + "0,,5\n", "t.csv line 2: high edge '' is not a number"},
      // A row's width within 2/1000 of the others' (the median row's).
      {header + "0,1,5\n1,2.0019,6\n", ""},
      {header + "0,1,5\n1,2.0021,6\n",
       "t.csv line 2: bin 1: width 1 (0 to 1) breaks the uniform binning of width 1.0021 of the other rows"},
      // A low edge within a thousandth of a width of the high edge before.
      {header + "0,1,5\n1.0009,2,6\n2,3,7\n", ""},
      {header + "0,1,5\n1.0011,2,6\n2,3,7\n",
       "t.csv line 3: bin 2: low edge 1.0011 is not the high edge 1 of the row before (line 2): a row missing or out "
       "of order?"},
  };
  int k = 0;
  for (const auto& c : cases) {
    const std::string out = "m" + std::to_string(k++) + ".hbook";
    { std::ofstream(dir.path() / "t.csv") << c.table; }
    const Outcome o = runCommand(dir.path(), HBOOK + " make " + out + " 1 t t.csv");
    if (c.refusal.empty()) {
      EXPECT_EQ(o.status, 0) << c.table << o.err;
      EXPECT_TRUE(fs::exists(dir.path() / out)) << c.table;
    } else {
      EXPECT_EQ(o.status, 1) << c.table;
      EXPECT_EQ(o.err, "hbook: " + c.refusal + "\n") << c.table;
      EXPECT_FALSE(fs::exists(dir.path() / out)) << c.table;
    }
  }
  // The largest and smallest floats are stored as given.
  const hbook::ReadResult largest = hbook::readFile((dir.path() / "m9.hbook").string());
  EXPECT_EQ(largest.histograms.at(0).channels.at(1), 3.4028235e38f);
  const hbook::ReadResult smallest = hbook::readFile((dir.path() / "m13.hbook").string());
  EXPECT_EQ(smallest.histograms.at(0).channels.at(1), std::numeric_limits<float>::denorm_min());
}

// Ids on the command line run over the 32-bit integers, one past either
// end refused; an object in a subdirectory is named /DIR/ID; an id the file
// lacks, or an object of another kind where a 1-D histogram is wanted, is
// named with its file.
TEST(ProgramHbookArguments, IdsAndObjectAddresses) {
  ScratchDir dir("hbookargs-ids");
  { std::ofstream(dir.path() / "t.csv") << "low,high,content\n0,1,5\n1,2,6\n"; }
  ASSERT_EQ(runCommand(dir.path(), HBOOK + " make ids.hbook 2147483647 most t.csv -2147483648 least t.csv 5 five t.csv")
                .status,
            0);
  const std::string usage = fullUsage(dir.path());
  const std::string dirs = std::string(TARN_TEST_DATA) + "/hbook/objects/dirs.hbook";
  const std::string h2 = std::string(TARN_TEST_DATA) + "/hbook/objects/h2.hbook";
  const struct {
    std::string args;
    int status;
    std::string said;  // the first line of the output (status 0) or the message
  } cases[] = {
      {"csv ids.hbook 2147483647", 0, "low,high,content,error"},
      {"csv ids.hbook -2147483648", 0, "low,high,content,error"},
      {"csv ids.hbook 2147483648", 2, "not a histogram id: 2147483648"},
      {"csv ids.hbook -2147483649", 2, "not a histogram id: -2147483649"},
      {"csv ids.hbook 5x", 2, "not a histogram id: 5x"},
      {"csv ids.hbook ''", 2, "not a histogram id: "},
      {"csv ids.hbook /5", 0, "low,high,content,error"},
      {"csv ids.hbook 6", 1, "ids.hbook: no object with id 6 in directory /"},
      {"dump ids.hbook 2147483647", 0, ""},
      {"dump ids.hbook 6", 1, "ids.hbook: no 1-D histogram with id 6"},
      {"dump ids.hbook 99999999999", 2, "not a histogram id: 99999999999"},
      {"dump " + h2 + " 10", 1,
       h2 + ": object 10 is a 2-D histogram, not a 1-D histogram (dump --all, csv and json show every kind)"},
      {"csv " + dirs + " /CC/DD/5", 0, "low,high,content,error"},
      {"csv " + dirs + " /AA/BB/3", 0, "low,high,content,error"},
      {"csv " + dirs + " /AA/3", 1, dirs + ": no object with id 3 in directory /AA"},
      {"csv " + dirs + " /CC/2", 1, dirs + ": no object with id 2 in directory /CC"},
      {"csv " + dirs + " CC/4", 2, "an object in a subdirectory is named /DIR/ID: CC/4"},
      {"csv " + dirs + " /CC/", 2, "not a histogram id: "},
      {"show " + dirs + " /AA/BB/3 /CC/4", 0, "id 3  in AA/BB"},
  };
  for (const auto& c : cases) {
    const Outcome o = runCommand(dir.path(), HBOOK + " " + c.args);
    EXPECT_EQ(o.status, c.status) << c.args << "\n" << o.err;
    if (c.status == 0) {
      EXPECT_EQ(o.out.substr(0, o.out.find('\n')), c.said.empty() ? o.out.substr(0, o.out.find('\n')) : c.said)
          << c.args;
      EXPECT_EQ(o.err, "") << c.args;
    } else if (c.status == 2) {
      EXPECT_EQ(o.err, "hbook: " + c.said + "\n" + usage) << c.args;
    } else {
      EXPECT_EQ(o.err, "hbook: " + c.said + "\n") << c.args;
    }
  }
  // The largest and the least id are the histograms made with them.
  const Outcome most = runCommand(dir.path(), HBOOK + " csv ids.hbook 2147483647");
  EXPECT_EQ(most.out, "low,high,content,error\n0,1,5,2.236068\n1,2,6,2.4494898\n");
  const Outcome shown = runCommand(dir.path(), HBOOK + " show ids.hbook -2147483648 2147483647");
  EXPECT_EQ(shown.out.rfind("id -2147483648  least\n", 0), 0u) << shown.out;
  EXPECT_NE(shown.out.find("\nid 2147483647  most\n"), std::string::npos) << shown.out;
}

// The commands written in Python are handed to hbook-COMMAND beside the
// tool, --help included (their own options in full); without it the tool
// says what it needs, status 1.
TEST(ProgramHbookArguments, PythonCommandsWithoutTheirHelper) {
  ScratchDir dir("hbookargs-python");
  fs::copy_file(HBOOK, dir.path() / "hbook");
  const std::string alone = (dir.path() / "hbook").string();
  for (const char* command : {"plot", "diff", "fit", "export"}) {
    for (const std::string args : {" x.hbook 1", " --help"}) {
      const Outcome o = runCommand(dir.path(), alone + " " + command + args);
      EXPECT_EQ(o.status, 1) << command << args;
      EXPECT_EQ(o.out, "") << command << args;
      EXPECT_EQ(o.err, "hbook: " + std::string(command) + " needs " + (dir.path() / "hbook-").string() + command +
                           ", made by the build when python3-dev, pybind11-dev and python3-numpy are installed "
                           "(bash scripts/setup-deps.sh)\n")
          << command << args;
    }
  }
  // The commands of the tool itself answer --help with their usage.
  const Outcome ls = runCommand(dir.path(), alone + " ls --help");
  EXPECT_EQ(ls.status, 0);
  EXPECT_EQ(ls.out.rfind("usage:\n  hbook ls FILE", 0), 0u) << ls.out;
}

// hbook ls: a line per object, "[errors]" after the title of a histogram
// with errors stored; the notes on objects the reader skips on the errors.
TEST(ProgramHbookArguments, LsMarksErrorsAndNamesSkippedObjects) {
  ScratchDir dir("hbookargs-ls");
  const Outcome errors = runCommand(dir.path(), HBOOK + " ls " + std::string(TARN_TEST_DATA) + "/hbook/errors.hbook");
  ASSERT_EQ(errors.status, 0) << errors.err;
  const std::vector<std::string> rows = lines(errors.out);
  ASSERT_GE(rows.size(), 2u);
  EXPECT_EQ(rows[0], "DIRECTORY            ID KIND    SHAPE                                   ENTRIES  TITLE");
  int marked = 0;
  for (std::size_t k = 1; k < rows.size(); ++k) marked += rows[k].size() > 10 && rows[k].ends_with("  [errors]");
  EXPECT_GT(marked, 0) << errors.out;
  const Outcome lam = runCommand(dir.path(), HBOOK + " ls " + LAM);
  EXPECT_EQ(lam.out.find("[errors]"), std::string::npos) << lam.out;
  // Profile 106 of prof.hbook with options S and I at once: skipped, said on the errors.
  writeProfileWithBothOptions(dir.path() / "prof.hbook");
  const Outcome skipped = runCommand(dir.path(), HBOOK + " ls prof.hbook");
  EXPECT_EQ(skipped.status, 0);
  const std::string note = " (106,0): profile with unknown error option 3 (both S and I), skipped\n";
  EXPECT_EQ(skipped.err.rfind("prof.hbook: key ", 0), 0u) << skipped.err;
  EXPECT_TRUE(skipped.err.ends_with(note)) << skipped.err;
  EXPECT_EQ(skipped.err.find('\n'), skipped.err.size() - 1) << skipped.err;
  EXPECT_EQ(skipped.out.find(" 106 "), std::string::npos) << skipped.out;
}

// hbook copy: record lengths of 256 to 8191 words, each end taken and one
// past it refused with the bounds; a file with an object that cannot be read
// is refused, naming each such object, and nothing is written.
TEST(ProgramHbookArguments, CopyRecordLengthsAndUnreadableObjects) {
  ScratchDir dir("hbookargs-copy");
  const struct {
    int words;
    bool taken;
  } cases[] = {{255, false}, {256, true}, {8191, true}, {8192, false}};
  for (const auto& c : cases) {
    const std::string out = "c" + std::to_string(c.words) + ".hbook";
    const Outcome o =
        runCommand(dir.path(), HBOOK + " copy --record-length " + std::to_string(c.words) + " " + LAM + " " + out);
    if (c.taken) {
      EXPECT_EQ(o.status, 0) << c.words << o.err;
      EXPECT_EQ(hbook::readFile((dir.path() / out).string()).recordWords, c.words);
    } else {
      EXPECT_EQ(o.status, 1) << c.words;
      EXPECT_EQ(o.err, "hbook: record length " + std::to_string(c.words) + " words (256 to 8191)\n");
      EXPECT_FALSE(fs::exists(dir.path() / out));
    }
  }
  writeProfileWithBothOptions(dir.path() / "prof.hbook");
  const Outcome o = runCommand(dir.path(), HBOOK + " copy prof.hbook out.hbook");
  EXPECT_EQ(o.status, 1);
  const std::string head =
      "hbook: prof.hbook: 1 objects cannot be read, so they cannot be copied (nothing written):\n  "
      "prof.hbook: key ";
  EXPECT_EQ(o.err.rfind(head, 0), 0u) << o.err;
  EXPECT_TRUE(o.err.ends_with(" (106,0): profile with unknown error option 3 (both S and I), skipped\n")) << o.err;
  EXPECT_FALSE(fs::exists(dir.path() / "out.hbook"));
}

// Each command's --help: "usage:" and its own lines, word for word (make's
// with the tables' format); the whole usage lists them all in this order.
TEST(ProgramHbookArguments, EachCommandsUsageWordForWord) {
  ScratchDir dir("hbookargs-usagewords");
  const std::string tables =
      "TABLE.csv: a header line naming the columns low, high, content (others ignored), then one row per bin;\n"
      "lines starting with '#' are comments.\n";
  const std::pair<const char*, std::string> usages[] = {
      {"ls", "hbook ls FILE                  every object: directory, id, kind, shape, entries, title\n"},
      {"dump",
       "hbook dump FILE [ID]           every value of the 1-D histograms, in the layout of the reference dumps\n"
       "  hbook dump --all FILE          every object of every directory, in the layout of the package's object "
       "dumps\n"},
      {"show",
       "hbook show FILE [ID...]        every object (or those asked: ID or /DIR/ID) with the figures the package\n"
       "                               prints under it (HPRINT), and a chart\n"},
      {"csv",
       "hbook csv FILE ID              a table: per bin (1-D), per cell (2-D), per channel (profile), per entry "
       "(ntuple)\n"},
      {"json", "hbook json FILE [ID]           the file or one object as JSON; ID may be /DIR/ID\n"},
      {"make",
       "hbook make [--force] [--date YYYY-MM-DDTHH:MM] OUT.hbook ID TITLE TABLE.csv [ID TITLE TABLE.csv ...]\n"
       "                               histograms from tables; OUT is replaced only with --force\n" +
           tables},
      {"copy", "hbook copy [--record-length N] IN OUT   every object of every directory of IN into a new file OUT\n"},
      {"merge",
       "hbook merge [--incomplete] OUT IN.hbook...    the files of separate runs, or of a run's blocks, added "
       "together into a new file OUT\n"},
  };
  const std::string all = fullUsage(dir.path());
  std::size_t last = 0;
  for (const auto& [command, usage] : usages) {
    const Outcome o = runCommand(dir.path(), HBOOK + " " + command + " --help");
    EXPECT_EQ(o.status, 0) << command;
    EXPECT_EQ(o.out, "usage:\n  " + usage) << command;
    const std::string line = usage.substr(0, usage.find('\n'));
    const std::size_t at = all.find("\n  " + line + "\n");
    EXPECT_NE(at, std::string::npos) << command;
    EXPECT_GE(at, last) << command;
    last = at;
  }
  EXPECT_TRUE(all.ends_with("\n" + tables)) << all;
}

// make's edges against xmin + i * width: rows whose widths agree and whose
// edges join, yet whose edges wander from the uniform binning by more than a
// thousandth of the width; the edge a little nearer is taken.
TEST(ProgramHbookArguments, MakeEdgesAgainstTheUniformBinning) {
  ScratchDir dir("hbookargs-binning");
  const std::string header = "low,high,content\n";
  const struct {
    std::string rows;
    std::string refusal;  // "" made
  } cases[] = {
      // The second row's low edge 0.9 thousandths below 1, then 1.1.
      {"0,0.9995,5\n0.9991,2,6\n2,3,7\n", ""},
      {"0,0.9995,5\n0.9989,2,6\n2,3,7\n",
       "t.csv line 3: bin 2: low edge 0.9989 breaks the uniform binning (expected 1, width 1)"},
      // The second row's high edge 0.9 thousandths below 2, then 1.1.
      {"0,1,5\n1,1.9991,6\n1.9991,3,7\n3,4,8\n", ""},
      {"0,1,5\n1,1.9989,6\n1.9989,3,7\n3,4,8\n",
       "t.csv line 3: bin 2: high edge 1.9989 breaks the uniform binning (expected 2, width 1)"},
      // Widths each within 2/1000 of the others' that drift: the second
      // row's high edge is 2 thousandths off; the line is its row's, a
      // comment counted.
      {"# drift\n0,0.999,1\n0.999,1.998,2\n1.998,2.999,3\n2.999,4,4\n",
       "t.csv line 4: bin 2: high edge 1.998 breaks the uniform binning (expected 2, width 1)"},
      // Width 0.5: the bounds scale with it.
      {"0,0.49975,1\n0.49955,1,2\n1,1.5,3\n", ""},
      {"0,0.49975,1\n0.49945,1,2\n1,1.5,3\n",
       "t.csv line 3: bin 2: low edge 0.49945 breaks the uniform binning (expected 0.5, width 0.5)"},
  };
  int k = 0;
  for (const auto& c : cases) {
    const std::string out = "b" + std::to_string(k++) + ".hbook";
    { std::ofstream(dir.path() / "t.csv") << header << c.rows; }
    const Outcome o = runCommand(dir.path(), HBOOK + " make " + out + " 1 t t.csv");
    if (c.refusal.empty()) {
      EXPECT_EQ(o.status, 0) << c.rows << o.err;
      EXPECT_TRUE(fs::exists(dir.path() / out)) << c.rows;
    } else {
      EXPECT_EQ(o.status, 1) << c.rows;
      EXPECT_EQ(o.err, "hbook: " + c.refusal + "\n") << c.rows;
      EXPECT_FALSE(fs::exists(dir.path() / out)) << c.rows;
    }
  }
  // What is made spans the first low edge to the last high edge.
  const hbook::ReadResult made = hbook::readFile((dir.path() / "b2.hbook").string());
  ASSERT_EQ(made.histograms.size(), 1u);
  EXPECT_EQ(made.histograms[0].nx, 4);
  EXPECT_EQ(made.histograms[0].xmin, 0.0f);
  EXPECT_EQ(made.histograms[0].xmax, 4.0f);
  EXPECT_EQ(made.histograms[0].entries, 4);
}

// make never replaces what is not a regular file, --force or not, and says
// what it is: a device, a named pipe, a socket.
TEST(ProgramHbookArguments, MakeNamesWhatItWillNotReplace) {
  ScratchDir dir("hbookargs-kinds");
  { std::ofstream(dir.path() / "t.csv") << "low,high,content\n0,1,5\n"; }
  ASSERT_EQ(mkfifo((dir.path() / "pipe").c_str(), 0600), 0);
  const int s = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(s, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socketPath = (dir.path() / "sock").string();
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
  ASSERT_EQ(bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  const struct {
    std::string out, kind;
  } cases[] = {{"/dev/null", "a device"}, {"pipe", "a named pipe"}, {"sock", "not a regular file"}};
  for (const auto& c : cases) {
    for (const std::string force : {"", "--force "}) {
      const Outcome o = runCommand(dir.path(), HBOOK + " make " + force + c.out + " 1 a t.csv");
      EXPECT_EQ(o.status, 1) << c.out;
      EXPECT_EQ(o.err, "hbook: " + c.out + " is " + c.kind + "; hbook make only ever replaces a regular file\n");
    }
  }
  close(s);
  struct stat st {};
  ASSERT_EQ(lstat((dir.path() / "pipe").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  ASSERT_EQ(lstat(socketPath.c_str(), &st), 0);
  EXPECT_TRUE(S_ISSOCK(st.st_mode));
}

// hbook csv of a profile and of a row-wise ntuple: the tables the library
// writes for them, whole; several objects of each kind, the one asked for.
TEST(ProgramHbookArguments, CsvOfAProfileAndOfARowNtuple) {
  ScratchDir dir("hbookargs-csv");
  const std::string objects = std::string(TARN_TEST_DATA) + "/hbook/objects/";
  const hbook::ReadResult prof = hbook::readFile(objects + "prof.hbook");
  ASSERT_FALSE(prof.directories.empty());
  const std::vector<hbook::Profile>& profiles = prof.directories[0].profiles;
  ASSERT_GE(profiles.size(), 2u);
  for (const hbook::Profile& p : {profiles[0], profiles.back()}) {
    std::ostringstream expected;
    hbook::csvProfile(expected, p);
    const Outcome o = runCommand(dir.path(), HBOOK + " csv " + objects + "prof.hbook " + std::to_string(p.id));
    EXPECT_EQ(o.status, 0) << p.id << o.err;
    EXPECT_EQ(o.out, expected.str()) << p.id;
    EXPECT_EQ(o.out.rfind("bin,low,high,mean,error,sum_wy,sum_wy2,sum_w\n", 0), 0u) << o.out;
  }
  const hbook::ReadResult rwn = hbook::readFile(objects + "rwn.hbook");
  ASSERT_FALSE(rwn.directories.empty());
  const std::vector<hbook::RowNtuple>& ntuples = rwn.directories[0].rowNtuples;
  ASSERT_GE(ntuples.size(), 2u);
  for (const hbook::RowNtuple& n : {ntuples[0], ntuples.back()}) {
    std::ostringstream expected;
    hbook::csvRowNtuple(expected, n);
    const Outcome o = runCommand(dir.path(), HBOOK + " csv " + objects + "rwn.hbook " + std::to_string(n.id));
    EXPECT_EQ(o.status, 0) << n.id << o.err;
    EXPECT_EQ(o.out, expected.str()) << n.id;
    EXPECT_EQ(std::count(o.out.begin(), o.out.end(), '\n'), n.entries + 1) << n.id;
  }
}
