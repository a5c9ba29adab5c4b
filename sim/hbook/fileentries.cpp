// HRGET and HRPUT: the run-level histogram memory to and from HBOOK files.
#include <sys/stat.h>

#include <cerrno>
#include <string>

#include "hbook/hbook.h"
#include "hbook/hbug.h"
#include "hbook/memory/store.h"
#include "hbook/rz/reader.h"
#include "hbook/rz/writer.h"
#include "hbook/rz/writestop.h"
#include "textout/console.h"

namespace {

std::string fileName(std::string_view file) {
  std::string name(file);
  name.erase(name.find_last_not_of(' ') + 1);
  return name;
}

hbook::FileStatus bad(const std::string& what) {
  textout::console() << " ***** ERROR in HRGET : " << what << "\n";
  return hbook::FileStatus::Bad;
}

}  // namespace

std::string hbook::describeObject(std::string_view file, std::int32_t id) {
  try {
    const ReadResult read = readFile(fileName(file));
    const Directory& top = read.directories.front();
    const ObjectRef* ref = top.find(id);
    if (!ref) return "";
    return std::string("a ") + kindDescription(ref->kind) + " of " + top.shape(*ref);
  } catch (...) {
    return "";
  }
}

hbook::FileStatus HRGET(std::int32_t id, std::string_view file, std::string_view /*option*/) {
  const std::string name = fileName(file);
  struct stat st {};
  if (stat(name.c_str(), &st) != 0 && errno == ENOENT) {
    // The package's line; its HROPEN line after it names no file (an empty
    // name) and says nothing more, so it is left out.
    textout::console() << " RZOPEN. Error - input file " << name << " does not exist\n";
    return hbook::FileStatus::Missing;
  }
  // Every failure ends here, running out of memory included, so that the
  // caller's input checks report it like any other unusable file.
  try {
    hbook::ReadResult read = hbook::readFile(name);
    for (const hbook::SkippedObject& s : read.skipped) {
      if (s.directory == "/" && (id == 0 || s.id == id)) textout::console() << " HRGET: " << s.note << "\n";
    }
    const hbook::Directory& top = read.directories.front();
    bool wrongKind = false;
    for (const hbook::ObjectRef& o : top.objects) {
      if (o.kind == hbook::ObjectKind::Histogram1D || (id != 0 && o.id != id)) continue;
      if (id == 0) {
        textout::console() << " HRGET: " << name << ": " << hbook::kindDescription(o.kind) << " " << o.id
                           << " not loaded (the histogram memory holds 1-D histograms only)\n";
      }
      wrongKind = true;
    }
    bool found = false;
    for (hbook::Histogram& h : read.histograms) {
      if (id != 0 && h.id != id) continue;
      // The histogram memory fills and samples equal bins only.
      if (!h.edges.empty()) {
        if (id == 0) {
          textout::console() << " HRGET: " << name << ": 1-D histogram " << h.id
                             << " has variable bins, not loaded (the histogram memory holds equal bins only)\n";
        }
        wrongKind = true;
        continue;
      }
      hbook::memory().put(std::move(h));
      found = true;
    }
    if (found || id == 0) return hbook::FileStatus::Ok;
    return wrongKind ? hbook::FileStatus::WrongKind : hbook::FileStatus::NotFound;
  } catch (const hbook::FileError& e) {
    return bad(e.what());
  } catch (const std::bad_alloc&) {
    return bad(name + ": not enough memory to load its histograms");
  } catch (const std::exception& e) {
    return bad(name + ": " + e.what());
  } catch (...) {
    return bad(name + ": unexpected failure while loading its histograms");
  }
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
