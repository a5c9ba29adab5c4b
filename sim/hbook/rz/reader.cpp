// Reading HBOOK files: loading the bytes, then the directory walk of
// read/tree.cpp over the shared record, key and bank layer of read/.
//
// Every failure, running out of memory included, becomes a FileError naming
// the file.
#include "hbook/rz/reader.h"

#include <sys/stat.h>

#include <cstring>
#include <fstream>
#include <new>
#include <stdexcept>

#include "hbook/rz/read/image.h"
#include "hbook/rz/read/tree.h"

namespace hbook {

ReadResult readMemory(const std::string& name, std::vector<unsigned char> bytes) {
  try {
    const read::Image image(name, std::move(bytes));
    return read::readTree(image);
  } catch (const std::bad_alloc&) {
    throw FileError(name + ": not enough memory to read the file");
  } catch (const std::length_error&) {
    throw FileError(name + ": not enough memory to read the file");
  }
}

ReadResult readFile(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) throw FileError(path + ": file: cannot be opened (" + std::strerror(errno) + ")");
  if (S_ISDIR(st.st_mode)) throw FileError(path + ": file: is a directory, not an HBOOK file");
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) throw FileError(path + ": file: cannot be opened");
  const std::streamoff size = in.tellg();
  if (size < 0) throw FileError(path + ": file: size cannot be determined");
  if (size > read::MAX_FILE_BYTES) throw FileError(path + ": file: size " + std::to_string(size) + " bytes is too large");
  std::vector<unsigned char> bytes;
  try {
    bytes.resize(static_cast<std::size_t>(size));
  } catch (const std::bad_alloc&) {
    throw FileError(path + ": not enough memory to read the file");
  }
  in.seekg(0);
  if (!in.read(reinterpret_cast<char*>(bytes.data()), size)) throw FileError(path + ": file: read error");
  return readMemory(path, std::move(bytes));
}

}  // namespace hbook
