// The writer's refusal of a directory, as its message: for tests of what
// the writer takes at each rule's limit and refuses one past it.
#pragma once

#include <string>

#include "hbook/objects/directory.h"
#include "hbook/rz/writer.h"

namespace testsupport {

// The message of the writer's refusal of directory d, or "" when it writes.
inline std::string writeRefusal(const hbook::Directory& d) {
  try {
    hbook::fileImage({d}, {});
  } catch (const hbook::FileError& e) {
    return e.what();
  }
  return "";
}

}  // namespace testsupport
