// The public writer: file images of directories (or of a list of 1-D
// histograms, as HRPUT(0, path, 'N') writes them) and writing them to a file
// under a temporary name that is renamed into place.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

#include "hbook/rz/fileerror.h"
#include "hbook/rz/writer.h"
#include "hbook/rz/words.h"
#include "hbook/rz/write/layout.h"
#include "hbook/rz/writestop.h"

namespace hbook {
namespace {

constexpr int MIN_RECORD_WORDS = 256;
constexpr int MAX_RECORD_WORDS = 8191;  // the largest the package writes without warning
constexpr std::size_t MAX_NAME_CHARACTERS = 16;
constexpr std::string_view NAME_CHARACTERS = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789+-*()$=,.#'!:\"_]&@?[><\\^;";

std::string upper(std::string s) {
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return s;
}

bool validName(const std::string& name) {
  return !name.empty() && name.size() <= MAX_NAME_CHARACTERS &&
         name.find_first_not_of(NAME_CHARACTERS) == std::string::npos;
}

class TreeBuilder {
 public:
  TreeBuilder(const std::vector<Directory>& directories, int recordWords, const std::string& topName)
      : recordWords_(recordWords), topName_(topName) {
    for (const Directory& d : directories) {
      if (!byPath_.emplace(d.path, &d).second) throw FileError("directory " + d.path + " is given twice");
    }
  }

  write::DirectoryNode top() {
    const auto it = byPath_.find("/");
    if (it == byPath_.end()) throw FileError("no top directory \"/\" among the directories to write");
    write::DirectoryNode node = build(*it->second, "");
    for (const auto& [path, d] : byPath_) {
      if (!reached_.count(path))
        throw FileError("directory " + path + " is not listed as a subdirectory of its parent");
    }
    return node;
  }

 private:
  write::DirectoryNode build(const Directory& d, const std::string& name) {
    reached_.insert(d.path);
    write::DirectoryNode node;
    node.name = name;
    std::set<std::int32_t> ids;
    for (const ObjectRef& o : d.objects) {
      const std::string where = (d.path == "/" ? "" : "directory " + d.path + ": ");
      if (!ids.insert(o.id).second) throw FileError(where + "the id " + std::to_string(o.id) + " twice");
      write::KeyedObjects k;
      try {
        k = objects(d, o);
      } catch (const FileError& e) {
        throw FileError(where + e.what());
      }
      for (write::KeyedObject& x : k) node.objects.push_back(std::move(x));
    }
    std::set<std::string> names;
    for (const std::string& s : d.subdirectories) {
      const std::string stored = upper(s);
      if (!validName(stored)) {
        throw FileError("directory " + d.path + ": subdirectory name \"" + s +
                        "\" (1 to 16 letters, digits or signs of the package's character code, no blank or /)");
      }
      if (!names.insert(stored).second) throw FileError("directory " + d.path + ": subdirectory " + stored + " twice");
      const std::string path = (d.path == "/" ? "/" : d.path + "/") + s;
      const auto it = byPath_.find(path);
      if (it == byPath_.end()) throw FileError("directory " + path + " is listed in " + d.path + " but not given");
      if (reached_.count(path)) throw FileError("directory " + path + " is listed twice");
      node.subdirectories.push_back(build(*it->second, stored));
    }
    return node;
  }

  template <typename T>
  static const T& at(const std::vector<T>& v, const ObjectRef& o) {
    if (o.index >= v.size()) throw FileError("object " + std::to_string(o.id) + " refers to a missing entry");
    return v[o.index];
  }

  write::KeyedObjects objects(const Directory& d, const ObjectRef& o) {
    const std::string rz = "//" + topName_ + (d.path == "/" ? std::string() : upper(d.path));
    switch (o.kind) {
      case ObjectKind::Histogram1D: return write::histogram1D(at(d.histograms, o));
      case ObjectKind::Histogram2D: return write::histogram2D(at(d.histograms2d, o));
      case ObjectKind::Profile: return write::profile(at(d.profiles, o));
      case ObjectKind::RowNtuple: return write::rowNtuple(at(d.rowNtuples, o), recordWords_, rz);
      case ObjectKind::ColumnNtuple: return write::columnNtuple(at(d.columnNtuples, o), recordWords_, rz);
    }
    throw FileError("object " + std::to_string(o.id) + " of unknown kind");
  }

  int recordWords_;
  std::string topName_;
  std::map<std::string, const Directory*> byPath_;
  std::set<std::string> reached_;
};

void checkOptions(const WriteOptions& o) {
  if (!validName(upper(o.topDirectory))) {
    throw FileError("top directory name \"" + o.topDirectory +
                    "\" (1 to 16 letters, digits or signs of the package's character code)");
  }
  if (o.recordWords < MIN_RECORD_WORDS || o.recordWords > MAX_RECORD_WORDS) {
    throw FileError("record length " + std::to_string(o.recordWords) + " words (" + std::to_string(MIN_RECORD_WORDS) +
                    " to " + std::to_string(MAX_RECORD_WORDS) + ")");
  }
}

bool writeImage(const std::string& path, const std::vector<unsigned char>& image, bool overwrite,
                std::size_t recordBytes);

}  // namespace

std::vector<unsigned char> fileImage(const std::vector<const Histogram*>& histograms) {
  write::DirectoryNode top;
  for (const Histogram* h : histograms) {
    for (write::KeyedObject& k : write::histogram1D(*h)) top.objects.push_back(std::move(k));
  }
  return write::fileImage(top, write::Layout{});
}

std::vector<unsigned char> fileImage(const std::vector<Directory>& directories, const WriteOptions& options) {
  checkOptions(options);
  const std::string topName = upper(options.topDirectory);
  const write::DirectoryNode top = TreeBuilder(directories, options.recordWords, topName).top();
  write::Layout layout;
  layout.recordWords = options.recordWords;
  layout.topName = topName;
  return write::fileImage(top, layout);
}

bool writeFile(const std::string& path, const std::vector<const Histogram*>& histograms,
               const std::vector<const ColumnNtuple*>& ntuples, const WriteOptions& options) {
  checkOptions(options);
  if (!options.overwrite && access(path.c_str(), F_OK) == 0) return false;
  const std::string topName = upper(options.topDirectory);
  write::DirectoryNode top;
  std::set<std::int32_t> ids;
  auto add = [&](std::int32_t id, write::KeyedObjects k) {
    if (!ids.insert(id).second) throw FileError("the id " + std::to_string(id) + " twice");
    for (write::KeyedObject& x : k) top.objects.push_back(std::move(x));
  };
  for (const Histogram* h : histograms) add(h->id, write::histogram1D(*h));
  for (const ColumnNtuple* n : ntuples) add(n->id, write::columnNtuple(*n, options.recordWords, "//" + topName));
  write::Layout layout;
  layout.recordWords = options.recordWords;
  layout.topName = topName;
  return writeImage(path, write::fileImage(top, layout), options.overwrite,
                    4 * static_cast<std::size_t>(options.recordWords));
}

bool writeFile(const std::string& path, const std::vector<const Histogram*>& histograms, bool overwrite) {
  if (!overwrite && access(path.c_str(), F_OK) == 0) return false;
  return writeImage(path, fileImage(histograms), overwrite, 4 * rz::RECORD_WORDS);
}

bool writeFile(const std::string& path, const std::vector<Directory>& directories, const WriteOptions& options) {
  if (!options.overwrite && access(path.c_str(), F_OK) == 0) return false;
  return writeImage(path, fileImage(directories, options), options.overwrite,
                    4 * static_cast<std::size_t>(options.recordWords));
}

namespace {

bool writeImage(const std::string& path, const std::vector<unsigned char>& image, bool overwrite,
                std::size_t recordBytes) {
  std::string tmp = path + ".tmpXXXXXX";
  const int fd = mkstemp(tmp.data());
  if (fd < 0) throw FileError(path + ": cannot create a temporary file next to it: " + std::strerror(errno));
  setTemporaryFile(tmp.c_str());
  struct Forget {
    ~Forget() { setTemporaryFile(nullptr); }
  } forget;
  auto failWith = [&](const std::string& what) {
    const std::string reason = std::strerror(errno);
    unlink(tmp.c_str());
    throw FileError(path + ": " + what + ": " + reason);
  };
  // A signal that asks the program to stop is answered between records.
  auto stopIfAsked = [&](bool open) {
    const int signal = stopRequested();
    if (signal == 0) return;
    if (open) close(fd);
    unlink(tmp.c_str());
    throw WriteStopped(path + ": writing stopped by signal " + std::to_string(signal), signal);
  };
  std::size_t done = 0;
  while (done < image.size()) {
    const std::size_t chunk = std::min(recordBytes - done % recordBytes, image.size() - done);
    const ssize_t k = ::write(fd, image.data() + done, chunk);
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0) {
      close(fd);
      failWith("writing record " + std::to_string(done / recordBytes + 1) + " failed");
    }
    done += static_cast<std::size_t>(k);
    if (done % recordBytes == 0) recordWritten(static_cast<std::int64_t>(done / recordBytes));
    stopIfAsked(true);
  }
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  if (fsync(fd) != 0) {
    close(fd);
    failWith("flushing the file failed");
  }
  if (close(fd) != 0) failWith("closing the file failed");
  stopIfAsked(false);

  if (overwrite) {
    if (std::rename(tmp.c_str(), path.c_str()) != 0) failWith("renaming the temporary file into place failed");
    return true;
  }
  // Never replace a file that appeared meanwhile: an exclusive rename, or a
  // hard link where the file system cannot do that.
  if (renameat2(AT_FDCWD, tmp.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno == EEXIST) {
    unlink(tmp.c_str());
    return false;
  }
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) failWith("renaming the temporary file into place failed");
  if (link(tmp.c_str(), path.c_str()) != 0) {
    if (errno == EEXIST) {
      unlink(tmp.c_str());
      return false;
    }
    failWith("linking the temporary file into place failed");
  }
  unlink(tmp.c_str());
  return true;
}

}  // namespace

}  // namespace hbook
