// Helpers shared by the subcommands of the `hbook` tool.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "tool.h"

namespace hbooktool {

std::int32_t idArgument(const std::string& s) {
  if (!s.empty()) {
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(s.c_str(), &end, 10);
    if (*end == '\0' && errno == 0 && v >= INT32_MIN && v <= INT32_MAX) return static_cast<std::int32_t>(v);
  }
  throw UsageError{"not a histogram id: " + s};
}

hbook::ReadResult load(const std::string& path) {
  hbook::ReadResult file = hbook::readFile(path);
  for (const hbook::SkippedObject& s : file.skipped) std::cerr << s.note << "\n";
  return file;
}

const hbook::Histogram& findId(const hbook::ReadResult& file, const std::string& path, std::int32_t id) {
  for (const hbook::Histogram& h : file.histograms) {
    if (h.id == id) return h;
  }
  const hbook::Directory& top = file.directories.front();
  if (const hbook::ObjectRef* o = top.find(id)) {
    throw hbook::FileError(path + ": object " + std::to_string(id) + " is a " + hbook::kindDescription(o->kind) +
                           ", not a 1-D histogram (dump --all, csv and json show every kind)");
  }
  throw hbook::FileError(path + ": no 1-D histogram with id " + std::to_string(id));
}

std::string flushStandardOutput() {
  // A write that failed earlier left its reason in errno, as nothing has
  // failed since; the final flush (std::cout flushes stdout) gives its own.
  int reason = errno;
  errno = 0;
  std::cout.flush();
  if (errno != 0) reason = errno;
  const bool failed = std::cout.fail() || std::fflush(stdout) != 0 || std::ferror(stdout);
  if (!failed) return "";
  return reason != 0 ? std::strerror(reason) : "write error";
}

ObjectAddress objectArgument(const std::string& s) {
  ObjectAddress a;
  const std::size_t slash = s.find_last_of('/');
  if (slash == std::string::npos) {
    a.id = idArgument(s);
    return a;
  }
  if (s[0] != '/') throw UsageError{"an object in a subdirectory is named /DIR/ID: " + s};
  a.directory = slash == 0 ? "/" : s.substr(0, slash);
  a.id = idArgument(s.substr(slash + 1));
  return a;
}

Found findObject(const hbook::ReadResult& file, const std::string& path, const ObjectAddress& address) {
  for (const hbook::Directory& d : file.directories) {
    if (d.path != address.directory) continue;
    if (const hbook::ObjectRef* o = d.find(address.id)) return {&d, o};
    break;
  }
  throw hbook::FileError(path + ": no object with id " + std::to_string(address.id) + " in directory " +
                         address.directory);
}

}  // namespace hbooktool
