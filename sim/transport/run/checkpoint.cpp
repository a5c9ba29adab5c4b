#include "transport/run/checkpoint.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "transport/run/digest.h"

namespace tarn {
namespace {

constexpr char MAGIC[8] = {'T', 'A', 'R', 'N', 'C', 'K', 'P', 'T'};
constexpr std::size_t HEADER_BYTES = 24, DIGEST_BYTES = 32;

Bytes digestBytes(const unsigned char* data, std::size_t size) {
  const std::string hex = sha256Hex(data, size);
  Bytes out;
  for (std::size_t i = 0; i < hex.size(); i += 2) out.push_back(static_cast<unsigned char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return out;
}

[[noreturn]] void failWith(const std::string& what) { throw std::runtime_error(what + ": " + std::strerror(errno)); }

}  // namespace

std::string checkpointName(std::int64_t seed) { return "h" + std::to_string(seed) + ".checkpoint"; }

Bytes checkpointBytes(const Checkpoint& c) {
  ByteWriter payload;
  payload.text(c.run.text());
  payload.text(c.options.text());
  c.done.encode(payload);
  ByteWriter out;
  out.bytes().insert(out.bytes().end(), MAGIC, MAGIC + 8);
  out.u64(CHECKPOINT_VERSION);
  out.u64(payload.bytes().size());
  out.bytes().insert(out.bytes().end(), payload.bytes().begin(), payload.bytes().end());
  const Bytes digest = digestBytes(out.bytes().data(), out.bytes().size());
  out.bytes().insert(out.bytes().end(), digest.begin(), digest.end());
  return out.bytes();
}

Checkpoint checkpointFromBytes(const Bytes& bytes, const std::string& name) {
  if (bytes.size() < 8 || std::memcmp(bytes.data(), MAGIC, 8) != 0)
    throw std::runtime_error(name + " is not a checkpoint of tarn (it does not begin with TARNCKPT)");
  if (bytes.size() < HEADER_BYTES)
    throw std::runtime_error(name + " is truncated: " + std::to_string(bytes.size()) + " bytes, not even its header");
  ByteReader head(bytes.data() + 8, 16, name);
  const std::uint64_t version = head.u64();
  const std::uint64_t length = head.u64();
  if (version != CHECKPOINT_VERSION)
    throw std::runtime_error(name + " is of checkpoint format " + std::to_string(version) + "; this tarn reads format " +
                             std::to_string(CHECKPOINT_VERSION));
  const std::uint64_t expected = HEADER_BYTES + length + DIGEST_BYTES;
  if (length > bytes.size() || bytes.size() != expected)
    throw std::runtime_error(name + " is " + (bytes.size() < expected ? "truncated" : "longer than its header says") +
                             ": " + std::to_string(bytes.size()) + " bytes where its header says " +
                             std::to_string(expected));
  const Bytes digest = digestBytes(bytes.data(), bytes.size() - DIGEST_BYTES);
  if (!std::equal(digest.begin(), digest.end(), bytes.end() - DIGEST_BYTES))
    throw std::runtime_error(name + " is damaged: its SHA-256 does not match its contents (edited or corrupted)");
  ByteReader in(bytes.data() + HEADER_BYTES, length, name);
  Checkpoint c;
  try {
    c.run = RunIdentity::parse(in.text());
    c.options = RunIdentity();
    const std::string options = in.text();
    std::size_t at = 0;
    while (at < options.size()) {
      std::size_t end = options.find(' ', at);
      if (end == std::string::npos) end = options.size();
      const std::string item = options.substr(at, end - at);
      const std::size_t eq = item.find('=');
      if (eq != std::string::npos) c.options.set(item.substr(0, eq), item.substr(eq + 1));
      at = end + 1;
    }
    c.done = RunSums::decode(in);
  } catch (const std::runtime_error& e) {
    throw std::runtime_error(name + " cannot be read although its digest matches: " + e.what());
  }
  if (!in.atEnd()) throw std::runtime_error(name + " holds more than a checkpoint of this format");
  if (!c.done.blocks().minus(c.run.blocks()).empty())
    throw std::runtime_error(name + " says blocks " + c.done.blocks().minus(c.run.blocks()).text() +
                             " are done, which are not blocks of its run");
  return c;
}

void writeCheckpoint(const std::string& path, const Checkpoint& c) {
  const Bytes bytes = checkpointBytes(c);
  std::string tmp = path + ".tmpXXXXXX";
  const int fd = mkstemp(tmp.data());
  if (fd < 0) failWith("cannot create a temporary file beside " + path);
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t k = write(fd, bytes.data() + done, bytes.size() - done);
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0) {
      const int e = errno;
      close(fd);
      unlink(tmp.c_str());
      errno = e;
      failWith("writing " + tmp + " failed");
    }
    done += static_cast<std::size_t>(k);
  }
  if (fsync(fd) != 0 || close(fd) != 0) {
    const int e = errno;
    unlink(tmp.c_str());
    errno = e;
    failWith("flushing " + tmp + " failed");
  }
  if (std::rename(tmp.c_str(), path.c_str()) != 0) {
    const int e = errno;
    unlink(tmp.c_str());
    errno = e;
    failWith("renaming " + tmp + " to " + path + " failed");
  }
  // The rename itself reaches the disk with the folder.
  const std::string dir = std::filesystem::path(path).parent_path().string();
  const int dfd = open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY);
  if (dfd >= 0) {
    fsync(dfd);
    close(dfd);
  }
}

Checkpoint readCheckpoint(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error(path + ": cannot be read: " + std::strerror(errno));
  const Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return checkpointFromBytes(bytes, path);
}

}  // namespace tarn
