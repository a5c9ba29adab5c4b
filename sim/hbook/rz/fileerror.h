// The error of every problem with an HBOOK file: its message names the
// file, the record and the field at fault.
#pragma once

#include <stdexcept>

namespace hbook {

// Every problem with a file: the message names the file, the record and the
// field at fault.
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace hbook
