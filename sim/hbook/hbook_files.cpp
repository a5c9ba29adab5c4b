// HRGET and HRPUT: the run-level histogram memory to and from HBOOK files.
#include <sys/stat.h>

#include <cerrno>
#include <string>

#include "console.h"
#include "hbook.h"
#include "hbug.h"
#include "rzfile.h"
#include "store.h"
#include "writestop.h"

namespace {

std::string fileName(std::string_view file) {
  std::string name(file);
  name.erase(name.find_last_not_of(' ') + 1);
  return name;
}

}  // namespace

hbook::FileStatus HRGET(std::int32_t id, std::string_view file, std::string_view /*option*/) {
  const std::string name = fileName(file);
  struct stat st {};
  if (stat(name.c_str(), &st) != 0 && errno == ENOENT) {
    textout::console() << " RZOPEN. Error - input file " << name << " does not exist\n";
    textout::console() << " ***** ERROR in HROPEN : Cannot open file :  \n";
    return hbook::FileStatus::Missing;
  }
  hbook::ReadResult read;
  try {
    read = hbook::readFile(name);
  } catch (const hbook::FileError& e) {
    textout::console() << " ***** ERROR in HRGET : " << e.what() << "\n";
    return hbook::FileStatus::Bad;
  }
  for (const hbook::SkippedObject& s : read.skipped) {
    if (id == 0 || s.id == id) textout::console() << " HRGET: " << s.note << "\n";
  }
  bool found = false;
  for (hbook::Histogram& h : read.histograms) {
    if (id == 0 || h.id == id) {
      hbook::memory().put(std::move(h));
      found = true;
    }
  }
  return found || id == 0 ? hbook::FileStatus::Ok : hbook::FileStatus::NotFound;
}

hbook::FileStatus HRPUT(std::int32_t id, std::string_view file, std::string_view /*option*/) {
  const std::string name = fileName(file);
  std::vector<const hbook::Histogram*> list;
  if (id == 0) {
    list = hbook::memory().all();
  } else if (const hbook::Histogram* h = hbook::memory().find(id)) {
    list.push_back(h);
  } else {
    hbook::hbugError("HRPUT", "Unknown histogram", id);
    return hbook::FileStatus::NotFound;
  }
  try {
    if (!hbook::writeFile(name, list, false)) return hbook::FileStatus::Exists;
  } catch (const hbook::WriteStopped&) {
    return hbook::FileStatus::Interrupted;
  } catch (const hbook::FileError& e) {
    textout::console() << " ***** ERROR in HRPUT : " << e.what() << "\n";
    return hbook::FileStatus::WriteFailed;
  }
  return hbook::FileStatus::Ok;
}
