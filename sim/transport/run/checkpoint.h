// The checkpoint of a run of more than one block: everything needed to go on
// with it after a stop, and to end with the bytes of the run that never
// stopped. Written beside the run's files as h<ranNo>.checkpoint.
//
// File layout (integers little-endian, encoding.h):
//   "TARNCKPT"            8 bytes
//   format version        u64 (CHECKPOINT_VERSION)
//   payload length        u64
//   payload               the run record (runidentity.h; `blocks` are the
//                         blocks the run was asked for), the options a
//                         resumed run takes over (key=value text), and the
//                         sums of every completed block (runsums.h; their
//                         blocks are the blocks done)
//   SHA-256               32 bytes, of everything before it
// A file that is short, long, of another format or version, or whose
// digest does not match is refused with a message saying which. The file is
// replaced atomically: written to a temporary name beside it, flushed to
// disk, renamed over the old one, and the folder flushed.
#pragma once

#include <cstdint>
#include <string>

#include "transport/run/runidentity.h"
#include "transport/run/runsums.h"

namespace tarn {

constexpr std::uint64_t CHECKPOINT_VERSION = 2;  // 2: with the detected neutrons of --ntuple

struct Checkpoint {
  RunIdentity run;      // blocks: the blocks the run was asked for
  RunIdentity options;  // key=value fields a resumed run takes over (input-dir)
  RunSums done;         // its blocks: the blocks completed
};

// "h<ranNo>.checkpoint".
std::string checkpointName(std::int64_t seed);

Bytes checkpointBytes(const Checkpoint& c);
// Throws std::runtime_error naming `name` and what is wrong.
Checkpoint checkpointFromBytes(const Bytes& bytes, const std::string& name);

// Writes atomically; throws std::runtime_error with the reason.
void writeCheckpoint(const std::string& path, const Checkpoint& c);
// Reads and checks; throws std::runtime_error naming the file.
Checkpoint readCheckpoint(const std::string& path);

}  // namespace tarn
