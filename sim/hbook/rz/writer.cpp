// Writing 1-D histograms as HRPUT(0, file, 'N') writes them.
//
// Layout (1024-word big-endian records): record 1 zero (lock record),
// records 2-3 the top directory, from record 4 the objects back to back. Each
// histogram is one object: the memory table of one region, then its banks in
// memory order as HBOOK books them (HI1E if errors, HCO1, HID1 last). The bank
// links hold addresses in a notional store starting at STORE_BASE; only their
// differences matter to a reader.
#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "hbook/objects/histogram.h"
#include "hbook/rz/date.h"
#include "hbook/rz/fileerror.h"
#include "hbook/rz/words.h"
#include "hbook/rz/writer.h"
#include "hbook/rz/writestop.h"

namespace hbook {
namespace {

using rz::RECORD_WORDS;
constexpr std::uint32_t STORE_BASE = 0x000F0000;
constexpr std::int64_t MAX_OBJECT_WORDS = (std::int64_t{1} << 20) - 1;  // 20-bit length field of a cycle
constexpr std::uint32_t BOOKED_STATUS = 0x00040000;                     // ZEBRA status: one extra I/O word
constexpr std::uint32_t READ_STATUS = 0x00040010;                       // ... and bit 5: read from a file

std::uint32_t hollerith(const char* four) {
  return (std::uint32_t{static_cast<unsigned char>(four[0])} << 24) |
         (std::uint32_t{static_cast<unsigned char>(four[1])} << 16) |
         (std::uint32_t{static_cast<unsigned char>(four[2])} << 8) | std::uint32_t{static_cast<unsigned char>(four[3])};
}

std::uint32_t bits(float f) { return std::bit_cast<std::uint32_t>(f); }

std::string titleOf(const Histogram& h) {
  std::string t = h.title;
  t.erase(t.find_last_not_of(' ') + 1);
  return t;
}

void check(const Histogram& h) {
  const std::string what = "histogram " + std::to_string(h.id) + ": ";
  if (h.nx < 1) throw FileError(what + "number of bins " + std::to_string(h.nx) + " cannot be written");
  if (h.channels.size() != static_cast<std::size_t>(h.nx) + 2) {
    throw FileError(what + std::to_string(h.channels.size()) + " channels for " + std::to_string(h.nx) + " bins");
  }
  if (!h.sumw2.empty() && h.sumw2.size() != static_cast<std::size_t>(h.nx)) {
    throw FileError(what + std::to_string(h.sumw2.size()) + " error values for " + std::to_string(h.nx) + " bins");
  }
  // Written as equal bins, a histogram with variable bins would lose its edges.
  if (!h.edges.empty()) throw FileError(what + "variable bin edges cannot be written yet");
}

// Words of the object histogramObject builds: 5 of header and table, then
// the banks HI1E (10 + nx, with errors), HCO1 (23 + nx) and HID1 (21 + title words).
std::int64_t objectWords(const Histogram& h) {
  const std::int64_t nx = h.nx;
  const std::int64_t nwt = (static_cast<std::int64_t>(titleOf(h).size()) + 3) / 4;
  return 5 + (h.sumw2.empty() ? 0 : 10 + nx) + (13 + nx + 10) + (12 + 9 + nwt);
}

// The object of one histogram: header, table, banks HI1E?, HCO1, HID1.
std::vector<std::uint32_t> histogramObject(const Histogram& h, std::uint32_t start) {
  const std::uint32_t nx = static_cast<std::uint32_t>(h.nx);
  const std::string title = titleOf(h);
  const std::uint32_t nwt = static_cast<std::uint32_t>((title.size() + 3) / 4);
  const bool errors = !h.sumw2.empty();
  const std::uint32_t errWords = errors ? 10 + nx : 0;
  const std::uint32_t coWords = 13 + nx + 10;
  const std::uint32_t idWords = 12 + 9 + nwt;
  const std::uint32_t nwbk = errWords + coWords + idWords;
  const std::uint32_t lErr = start + 1;
  const std::uint32_t lCo = start + errWords + 4;
  const std::uint32_t lId = start + errWords + coWords + 3;

  std::vector<std::uint32_t> w = {2, nwbk, lId, start, start + nwbk};
  w.reserve(5 + nwbk);
  if (errors) {
    for (std::uint32_t v : {0x0003000Cu, 0u, lId, lCo, 2u, hollerith("HI1E"), 0u, 0u, nx, 0u}) w.push_back(v);
    for (float s : h.sumw2) w.push_back(bits(s));
  }
  for (std::uint32_t v : {0x31A3000Fu, 0x00400802u, 0u, 0u, errors ? lErr : 0u, lId, lId - 1, 1u, hollerith("HCO1"), 2u,
                          2u, nx + 10, BOOKED_STATUS}) {
    w.push_back(v);
  }
  const std::uint64_t sumWX = std::bit_cast<std::uint64_t>(h.statSumWX);
  const std::uint64_t sumWX2 = std::bit_cast<std::uint64_t>(h.statSumWX2);
  for (std::uint32_t v : {32u, static_cast<std::uint32_t>(h.entries), bits(h.statSumW), bits(h.statSumW2),
                          static_cast<std::uint32_t>(sumWX >> 32), static_cast<std::uint32_t>(sumWX),
                          static_cast<std::uint32_t>(sumWX2 >> 32), static_cast<std::uint32_t>(sumWX2)}) {
    w.push_back(v);
  }
  for (float c : h.channels) w.push_back(bits(c));
  // The header bank's next, up and origin links point into the writer's
  // directory in a real file; a reader zeroes them, so they are written as 0.
  const std::uint32_t status = h.readFromFile ? READ_STATUS : BOOKED_STATUS;
  for (std::uint32_t v : {0x2D15000Eu, 0x00600801u, lCo, 0u, 0u, 0u, static_cast<std::uint32_t>(h.id),
                          hollerith("HID1"), 1u, 1u, 9 + nwt, status}) {
    w.push_back(v);
  }
  std::uint32_t kbits = errors ? (h.kbits | 0x100u) : (h.kbits & ~0x100u);
  kbits |= 0x1u;
  const std::uint32_t ntot = (nx + 10) + (9 + nwt) + 23 + (errors ? nx + 10 : 0);
  const float inverseWidth = h.xmax > h.xmin ? static_cast<float>(h.nx) / (h.xmax - h.xmin) : 0.0f;
  for (std::uint32_t v : {kbits, ntot, nx, bits(h.xmin), bits(h.xmax), bits(inverseWidth), bits(h.minimum),
                          bits(h.maximum), bits(h.norm)}) {
    w.push_back(v);
  }
  for (std::uint32_t k = 0; k < nwt; ++k) {
    char four[4] = {' ', ' ', ' ', ' '};
    for (std::uint32_t c = 0; c < 4 && 4 * k + c < title.size(); ++c) four[c] = title[4 * k + c];
    w.push_back(hollerith(four));
  }
  return w;
}

}  // namespace

std::vector<unsigned char> fileImage(const std::vector<const Histogram*>& histograms) {
  const std::int64_t n = static_cast<std::int64_t>(histograms.size());
  if (n > rz::MAX_KEYS_IN_DIRECTORY) {
    throw FileError(std::to_string(n) + " histograms: a file holds at most " +
                    std::to_string(rz::MAX_KEYS_IN_DIRECTORY) + " (directory record 3, keys and cycles full)");
  }
  constexpr std::int64_t LREC = RECORD_WORDS;
  constexpr std::int64_t FIRST_DATA_RECORD = 2 + rz::DIRECTORY_RECORDS;  // record 4
  const std::uint32_t date = rz::dateWord();

  // Where each object goes is known from its size alone, so the image is
  // allocated once at its final size and every object is stored straight
  // into it (no second copy of the data words: this is the run's peak of
  // memory).
  struct Cycle {
    std::int64_t ir1, ip1, ir2, nw;
  };
  std::vector<Cycle> cycles;
  std::int64_t words = 0;  // data words from record 4 word 1
  for (const Histogram* h : histograms) {
    check(*h);
    if (std::int64_t{h->nx} + 200 > MAX_OBJECT_WORDS) {
      throw FileError("histogram " + std::to_string(h->id) + ": " + std::to_string(h->nx) +
                      " bins exceed the object size of a file");
    }
    const std::int64_t nw = objectWords(*h);
    if (nw > MAX_OBJECT_WORDS) throw FileError("histogram " + std::to_string(h->id) + ": object too large for a file");
    Cycle c{FIRST_DATA_RECORD + words / LREC, words % LREC + 1, 0, nw};
    if (c.ip1 - 1 + nw > LREC) c.ir2 = c.ir1 + 1;
    cycles.push_back(c);
    words += nw;
  }
  const std::int64_t dataRecords = (words + LREC - 1) / LREC;
  const std::int64_t lastRecord = dataRecords > 0 ? FIRST_DATA_RECORD + dataRecords - 1 : 0;
  const std::int64_t records = dataRecords > 0 ? lastRecord : FIRST_DATA_RECORD - 1;
  if (records > rz::QUOTA)
    throw FileError("histograms need " + std::to_string(records) + " records, over the file quota of 32000");
  const std::int64_t firstFree = dataRecords > 0 ? (words - 1) % LREC + 2 : 2;

  // Top directory, words 1..2048.
  constexpr std::int64_t NWL = rz::DIRECTORY_RECORDS * LREC;
  std::vector<std::uint32_t> d(NWL + 1, 0);  // 1-based
  d[1] = rz::sixBitWord("HRPU");
  d[2] = rz::sixBitWord("T");
  d[3] = rz::sixBitWord(" ");
  d[4] = rz::sixBitWord(" ");
  d[7] = d[8] = 0x20202020;
  d[9] = 5 | 0x800;  // name length 5, exchange mode
  d[10] = d[11] = date;
  d[12] = rz::QUOTA;
  d[13] = static_cast<std::uint32_t>(rz::DIRECTORY_RECORDS + dataRecords);
  const std::int64_t used = NWL + words;
  d[14] = static_cast<std::uint32_t>(used % 1000000);
  d[15] = static_cast<std::uint32_t>(used / 1000000);
  d[18] = d[19] = static_cast<std::uint32_t>(lastRecord);
  d[20] = static_cast<std::uint32_t>(firstFree);
  const std::int64_t lk = 1044;
  const std::int64_t lf = lk + 3 * n;
  const std::int64_t lc = NWL + 1 - 4 * n;
  d[22] = static_cast<std::uint32_t>(lc - lf - 1);
  d[24] = 38;
  d[25] = 41;
  d[26] = d[27] = static_cast<std::uint32_t>(lk);
  d[28] = static_cast<std::uint32_t>(lf);
  d[29] = static_cast<std::uint32_t>(lc);
  d[30] = NWL;
  d[31] = static_cast<std::uint32_t>(n);
  d[32] = 2;
  d[33] = 0x12;  // key elements: integer, integer
  d[34] = rz::sixBitWord("HBOO");
  d[35] = rz::sixBitWord("K-ID");
  d[36] = rz::sixBitWord("VARI");
  d[37] = rz::sixBitWord("ABLE");
  d[38] = rz::DIRECTORY_RECORDS;
  d[39] = 2;
  d[40] = 3;
  d[41] = (rz::QUOTA - 1) / 32 + 1;  // bitmap words
  d[42] = LREC;
  d[43] = date;
  for (std::int64_t rec = 2; rec <= records; ++rec) d[44 + (rec - 1) / 32] |= std::uint32_t{1} << ((rec - 1) % 32);
  for (std::int64_t i = 1; i <= n; ++i) {
    const Cycle& c = cycles[i - 1];
    const std::int64_t key = lk + 3 * (i - 1);
    const std::int64_t cyc = NWL + 1 - 4 * i;
    d[key] = static_cast<std::uint32_t>(cyc);
    d[key + 1] = static_cast<std::uint32_t>(histograms[i - 1]->id);
    d[key + 2] = 0;
    d[cyc] = static_cast<std::uint32_t>(c.ir2 << 16);
    d[cyc + 1] = date;
    d[cyc + 2] = static_cast<std::uint32_t>((c.ir1 << 16) | c.ip1);
    d[cyc + 3] = static_cast<std::uint32_t>((std::int64_t{1} << 20) | c.nw);
  }

  std::vector<unsigned char> image(static_cast<std::size_t>(records * LREC * 4), 0);
  for (std::int64_t k = 1; k <= NWL; ++k) rz::storeBig(&image[static_cast<std::size_t>((LREC + k - 1) * 4)], d[k]);
  std::size_t at = static_cast<std::size_t>((FIRST_DATA_RECORD - 1) * LREC * 4);
  std::uint32_t start = STORE_BASE;
  for (std::int64_t i = 0; i < n; ++i) {
    const std::vector<std::uint32_t> obj = histogramObject(*histograms[i], start);
    if (static_cast<std::int64_t>(obj.size()) != cycles[i].nw) throw FileError("histogram object size mis-predicted");
    start += obj[1];
    for (std::uint32_t w : obj) {
      rz::storeBig(&image[at], w);
      at += 4;
    }
  }
  return image;
}

bool writeFile(const std::string& path, const std::vector<const Histogram*>& histograms, bool overwrite) {
  if (!overwrite && access(path.c_str(), F_OK) == 0) return false;
  const std::vector<unsigned char> image = fileImage(histograms);

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
  constexpr std::size_t RECORD_BYTES = 4 * RECORD_WORDS;
  std::size_t done = 0;
  while (done < image.size()) {
    const std::size_t chunk = std::min(RECORD_BYTES - done % RECORD_BYTES, image.size() - done);
    const ssize_t k = write(fd, image.data() + done, chunk);
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0) {
      close(fd);
      failWith("writing record " + std::to_string(done / RECORD_BYTES + 1) + " failed");
    }
    done += static_cast<std::size_t>(k);
    if (done % RECORD_BYTES == 0) recordWritten(static_cast<std::int64_t>(done / RECORD_BYTES));
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

}  // namespace hbook
