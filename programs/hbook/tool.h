// Shared pieces of the `hbook` command-line tool: the errors a subcommand
// may throw, argument and number helpers, and the table of subcommands.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hbook/rz/reader.h"

namespace hbooktool {

// A command line that cannot be run: printed with the usage, exit status 2.
struct UsageError {
  std::string message;
};

// Input the user gave that cannot be used (a table, an argument value): exit status 1.
struct InputError {
  std::string message;
};

// A histogram id argument; throws UsageError.
std::int32_t idArgument(const std::string& s);

// Read a file, printing the notes on skipped objects to standard error.
hbook::ReadResult load(const std::string& path);

// The 1-D histogram with this id; throws FileError naming the file.
const hbook::Histogram& findId(const hbook::ReadResult& file, const std::string& path, std::int32_t id);

// Flush standard output; why it could not be written (a full disk, a closed
// pipe), or "" when every write reached it.
std::string flushStandardOutput();

// An object named on the command line: "ID" in the top directory or
// "/DIR/SUB/ID" in a subdirectory.
struct ObjectAddress {
  std::string directory = "/";
  std::int32_t id = 0;
};
ObjectAddress objectArgument(const std::string& s);

// The directory and object at an address; throws FileError naming the file.
struct Found {
  const hbook::Directory* directory = nullptr;
  const hbook::ObjectRef* object = nullptr;
};
Found findObject(const hbook::ReadResult& file, const std::string& path, const ObjectAddress& address);

// The subcommands; each gets the arguments after its name and returns the
// exit status.
int commandLs(const std::vector<std::string>& args);
int commandDump(const std::vector<std::string>& args);
int commandCsv(const std::vector<std::string>& args);
int commandMake(const std::vector<std::string>& args);
int commandShow(const std::vector<std::string>& args);
int commandPlot(const std::vector<std::string>& args);
int commandDiff(const std::vector<std::string>& args);
int commandFit(const std::vector<std::string>& args);
int commandExport(const std::vector<std::string>& args);

int commandJson(const std::vector<std::string>& args);
int commandMerge(const std::vector<std::string>& args);
int commandCopy(const std::vector<std::string>& args);

}  // namespace hbooktool
