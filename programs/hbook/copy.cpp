// hbook copy [--record-length N] IN OUT: every object of every directory of
// IN written into a new file OUT, as the package writes them. Reading OUT
// gives what reading IN gives (every value; the package's dates and memory
// addresses aside). A file with an object that cannot be read is refused:
// a copy never drops an object. OUT is never overwritten.
#include <cstdio>
#include <string>

#include "hbook/rz/reader.h"
#include "hbook/rz/writer.h"
#include "tool.h"

namespace hbooktool {

int commandCopy(const std::vector<std::string>& args) {
  std::vector<std::string> files;
  hbook::WriteOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--record-length") {
      if (i + 1 == args.size()) throw UsageError{"--record-length wants a number of words"};
      try {
        std::size_t used = 0;
        options.recordWords = std::stoi(args[++i], &used);
        if (used != args[i].size()) throw std::invalid_argument("");
      } catch (const std::exception&) {
        throw UsageError{"--record-length wants a number of words, not " + args[i]};
      }
    } else {
      files.push_back(args[i]);
    }
  }
  if (files.size() != 2) throw UsageError{"copy wants IN and OUT"};
  const std::string& in = files[0];
  const std::string& out = files[1];
  hbook::ReadResult file = hbook::readFile(in);
  if (!file.topDirectory.empty()) options.topDirectory = file.topDirectory;
  if (!file.skipped.empty()) {
    std::string notes;
    for (const hbook::SkippedObject& s : file.skipped) notes += "\n  " + s.note;
    throw InputError{in + ": " + std::to_string(file.skipped.size()) +
                     " objects cannot be read, so they cannot be copied (nothing written):" + notes};
  }
  // Each 1-D histogram keeps the marking its file gave it (read from a file, or booked).
  for (hbook::Directory& d : file.directories) {
    for (hbook::Histogram& h : d.histograms) h.readFromFile = h.markedAsRead;
  }
  if (!hbook::writeFile(out, file.directories, options))
    throw InputError{out + " exists; hbook copy never overwrites a file"};
  std::size_t objects = 0;
  for (const hbook::Directory& d : file.directories) objects += d.objects.size();
  std::printf("%s: %zu objects in %zu directories from %s\n", out.c_str(), objects, file.directories.size(),
              in.c_str());
  return 0;
}

}  // namespace hbooktool
