// The HBOOK entries the program calls, as a thin layer over the run-level
// histogram memory (store.h) and the file layer (rzfile.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace hbook {

// Outcome of HRGET / HRPUT, reported to the caller (the package itself is
// silent about it apart from its console lines).
enum class FileStatus {
  Ok,
  Missing,   // HRGET: no such file
  Bad,       // HRGET: unreadable or malformed file (the console says where)
  NotFound,  // HRGET: the file has no histogram with that id
  WrongKind,  // HRGET: the object with that id is not a 1-D histogram of equal bins (2-D, profile, ntuple, variable bins)
  Exists,     // HRPUT "N": the file exists and was left untouched
  WriteFailed,
  Interrupted,  // HRPUT: a signal stopped the write (writestop.h); nothing left behind
};

// What the top directory of `file` holds under `id` when it is not a 1-D
// histogram: "a 2-D histogram of 10 x 8 bins 0..1 x 0..2"; empty when the
// file cannot be read or holds no such object.
std::string describeObject(std::string_view file, std::int32_t id);

}  // namespace hbook

void HLIMIT(std::int32_t words);
void HBOOK1(std::int32_t id, std::string_view title, std::int32_t nx, float xmin, float xmax, float vmx);
void HF1(std::int32_t id, float x, float w);
float HRNDM1(std::int32_t id);
void HDELET(std::int32_t id);
void HCOPYR(std::int32_t id1, std::int32_t id2, std::string_view title, std::int32_t ifirst, std::int32_t ilast,
            std::int32_t jfirst, std::int32_t jlast, std::string_view option);
// HRGET: id 0 loads every 1-D histogram of the file's top directory, another
// id just that one (NotFound, silently, if the file lacks it; WrongKind,
// silently, if the object is a 2-D histogram, profile, ntuple or 1-D
// histogram of variable bins: the histogram memory holds 1-D histograms of
// equal bins only). Trailing blanks of the file
// name are ignored; the option is not used. A missing file prints the
// package's two RZOPEN/HROPEN lines, a malformed or unreadable one (any
// failure, running out of memory included) a line naming the file, record
// and field; with id 0 the objects not loaded are noted.
hbook::FileStatus HRGET(std::int32_t id, std::string_view file, std::string_view option);
// HRPUT: id 0 writes every histogram in memory in booking order, another id
// just that one, as a new file. Unlike the package, an existing file is never
// overwritten, whatever the option: Exists is returned and nothing printed, so
// that the caller can choose another name. The file appears complete or not
// at all (written under a temporary name, then renamed); a failure prints a
// line and returns WriteFailed, a write stopped by a signal returns
// Interrupted silently.
hbook::FileStatus HRPUT(std::int32_t id, std::string_view file, std::string_view option);
