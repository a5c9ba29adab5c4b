#include "hbook/rz/write/layout.h"

#include <algorithm>

#include "hbook/rz/date.h"
#include "hbook/rz/fileerror.h"
#include "hbook/rz/words.h"

namespace hbook::write {
namespace {

constexpr std::int64_t NWKEY = 2;              // key elements (id, 0)
constexpr std::int64_t KEY_WORDS = NWKEY + 1;  // the cycle pointer and the key
constexpr std::int64_t LD = 38;                // directory word of the record list
constexpr std::int64_t ENTRY_WORDS = 7;        // a subdirectory's entry in its parent
constexpr std::int64_t DESCRIPTOR_WORDS = 3;   // the top directory's file descriptor before its bitmap
constexpr std::int64_t FIRST_QUOTA = 32000;    // records, as HRPUT asks
constexpr std::int64_t QUOTA_STEP = 5;         // a subdirectory's quota is its parent's less this
constexpr std::int64_t OLD_CYCLE_WORDS = 4;
constexpr std::int64_t NEW_CYCLE_WORDS = 7;
constexpr std::int64_t OLD_MAX_OBJECT = (std::int64_t{1} << 20) - 1;  // 20-bit length of a 4-word cycle
constexpr std::int64_t OLD_MAX_RECORD = 0xFFFF;                       // 16-bit record numbers
constexpr std::uint32_t OLD_FORMAT_ENTRY = 0x40000;                   // entry word 6: the file has 4-word cycles
constexpr std::uint32_t BUFFER_FLAG = 0x08;                           // cycle flag of ntuple buffers
constexpr std::uint32_t STORE_BASE = 0x000F0000;
constexpr std::uint32_t EXCHANGE_MODE = 0x800;

struct Placed {
  std::int64_t ir1 = 0, ip1 = 0, ir2 = 0;
};

struct Dir {
  const DirectoryNode* node = nullptr;
  int parent = -1;
  int depth = 0;
  std::vector<int> children;
  std::vector<std::int64_t> records;  // its directory records, in order
  std::vector<Placed> placed;         // one per key
  std::int64_t dataRecords = 0;
  std::int64_t current = 0;  // its last data record (0: none)
  std::int64_t free = 2;     // first free word of that record
  std::int64_t words = 0;    // words of its objects
};

class Planner {
 public:
  Planner(const Layout& layout, std::int64_t quota, std::int64_t cycleWords)
      : lrec_(layout.recordWords), quota_(quota), cycleWords_(cycleWords) {
    bitmapWords_ = (quota_ - 1) / 32 + 1;
    topRecords_ = (50 + bitmapWords_ - 1) / lrec_ + 1;
  }

  void plan(const DirectoryNode& top) {
    next_ = 2 + topRecords_;
    Dir d;
    for (std::int64_t r = 0; r < topRecords_; ++r) d.records.push_back(2 + r);
    visit(top, -1, std::move(d));
  }

  std::int64_t lrec_, quota_, cycleWords_;
  std::int64_t bitmapWords_ = 0, topRecords_ = 0;
  std::int64_t next_ = 0;         // next free record
  std::int64_t lastWritten_ = 0;  // record where the last object ends
  std::int64_t largest_ = 0;      // largest object
  std::vector<Dir> dirs_;         // in the order of the walk

  // Directory words of the blocks, for a directory with n keys.
  struct Blocks {
    std::int64_t nrd, lb, ls, lk, lf, lc, le, nfree;
  };
  Blocks blocks(const Dir& d, std::int64_t n) const {
    Blocks b;
    b.nrd = static_cast<std::int64_t>(d.records.size());
    b.le = b.nrd * lrec_;
    b.lb = LD + b.nrd + 1;
    b.ls = b.lb + (d.parent < 0 ? DESCRIPTOR_WORDS + bitmapWords_ : 0);
    b.lk = b.ls + ENTRY_WORDS * static_cast<std::int64_t>(d.node->subdirectories.size());
    b.lf = b.lk + KEY_WORDS * n;
    b.lc = b.le + 1 - cycleWords_ * n;
    b.nfree = b.lc - b.lf - 1;
    return b;
  }

 private:
  void visit(const DirectoryNode& node, int parent, Dir d) {
    d.node = &node;
    d.parent = parent;
    d.depth = parent < 0 ? 0 : dirs_[static_cast<std::size_t>(parent)].depth + 1;
    if (parent >= 0) d.records.push_back(next_++);
    while (blocks(d, 0).nfree < 0) d.records.push_back(next_++);
    // Room for one more key and four cycles, as the package asks before it adds a key.
    const std::int64_t needed = NWKEY + 4 * cycleWords_ + 1;
    std::int64_t n = 0;
    for (const KeyedObject& o : node.objects) {
      while (blocks(d, n).nfree < needed) d.records.push_back(next_++);
      d.placed.push_back(place(d, o.words));
      ++n;
    }
    const int self = static_cast<int>(dirs_.size());
    if (parent >= 0) dirs_[static_cast<std::size_t>(parent)].children.push_back(self);
    dirs_.push_back(std::move(d));
    for (const DirectoryNode& child : node.subdirectories) visit(child, self, Dir());
  }

  Placed place(Dir& d, std::int64_t nw) {
    largest_ = std::max(largest_, nw);
    d.words += nw;
    Placed p;
    std::int64_t rest = nw;
    if (d.current != 0 && d.free <= lrec_) {
      p.ir1 = d.current;
      p.ip1 = d.free;
      rest -= lrec_ - d.free + 1;
    }
    if (rest > 0) {
      const std::int64_t records = (rest + lrec_ - 1) / lrec_;
      const std::int64_t first = next_;
      next_ += records;
      d.dataRecords += records;
      if (p.ir1 == 0) {
        p.ir1 = first;
        p.ip1 = 1;
        p.ir2 = records > 1 ? first + 1 : 0;
      } else {
        p.ir2 = first;
      }
      d.current = next_ - 1;
      d.free = (rest - 1) % lrec_ + 2;
    } else {
      d.free += nw;
    }
    lastWritten_ = d.current;
    return p;
  }
};

void putText(std::vector<std::uint32_t>& w, std::int64_t at, const std::string& name) {
  for (std::int64_t k = 0; k < 4; ++k) {
    const std::size_t from = static_cast<std::size_t>(4 * k);
    w[static_cast<std::size_t>(at + k)] =
        rz::sixBitWord(from < name.size() ? std::string_view(name).substr(from, 4) : " ");
  }
}

}  // namespace

std::vector<unsigned char> fileImage(const DirectoryNode& top, const Layout& layout) {
  const std::int64_t lrec = layout.recordWords;
  const std::int64_t maxRecords = (std::int64_t{1} << 31) / (4 * lrec);
  // Plan with the package's defaults; widen the quota and the cycles only as the file needs.
  std::int64_t quota = FIRST_QUOTA;
  std::int64_t cycleWords = OLD_CYCLE_WORDS;
  Planner p(layout, quota, cycleWords);
  for (;;) {
    p = Planner(layout, quota, cycleWords);
    p.plan(top);
    const std::int64_t last = p.next_ - 1;
    if (last > maxRecords) {
      throw FileError("the objects need " + std::to_string(last) + " records of " + std::to_string(lrec) +
                      " words, more than a file of 2 GiB holds");
    }
    bool again = false;
    if (cycleWords == OLD_CYCLE_WORDS && (p.largest_ > OLD_MAX_OBJECT || last > OLD_MAX_RECORD)) {
      cycleWords = NEW_CYCLE_WORDS;
      again = true;
    }
    if (last > quota) {
      quota = (last / 1000 + 1) * 1000;
      again = true;
    }
    if (!again) break;
  }
  const bool oldCycles = cycleWords == OLD_CYCLE_WORDS;
  const std::int64_t records = p.next_ - 1;
  const std::uint32_t date = rz::dateWord();

  std::vector<unsigned char> image(static_cast<std::size_t>(records * lrec * 4), 0);
  auto store = [&](std::int64_t record, std::int64_t word, std::uint32_t w) {
    rz::storeBig(&image[static_cast<std::size_t>(((record - 1) * lrec + word - 1) * 4)], w);
  };

  for (std::size_t i = 0; i < p.dirs_.size(); ++i) {
    const Dir& d = p.dirs_[i];
    const bool isTop = d.parent < 0;
    const std::int64_t n = static_cast<std::int64_t>(d.node->objects.size());
    const Planner::Blocks b = p.blocks(d, n);
    std::vector<std::uint32_t> w(static_cast<std::size_t>(b.le + 1), 0);  // 1-based
    const std::string name = isTop ? layout.topName : d.node->name;
    putText(w, 1, name);
    w[5] = isTop ? 0 : static_cast<std::uint32_t>(p.dirs_[static_cast<std::size_t>(d.parent)].records.front());
    w[7] = w[8] = 0x20202020;
    w[9] = static_cast<std::uint32_t>(name.size()) | EXCHANGE_MODE;
    w[10] = w[11] = date;
    w[12] = static_cast<std::uint32_t>(quota - QUOTA_STEP * d.depth);
    w[13] = static_cast<std::uint32_t>(b.nrd + d.dataRecords);
    const std::int64_t used = b.nrd * lrec + d.words;
    w[14] = static_cast<std::uint32_t>(used % 1000000);
    w[15] = static_cast<std::uint32_t>(used / 1000000);
    w[16] = oldCycles ? 0 : 1;
    w[18] = isTop ? static_cast<std::uint32_t>(p.lastWritten_) : 0;
    w[19] = static_cast<std::uint32_t>(d.current);
    w[20] = static_cast<std::uint32_t>(d.free);
    w[22] = static_cast<std::uint32_t>(b.nfree);
    w[23] = static_cast<std::uint32_t>(d.node->subdirectories.size());
    w[24] = LD;
    w[25] = static_cast<std::uint32_t>(b.lb);
    w[26] = static_cast<std::uint32_t>(b.ls);
    w[27] = static_cast<std::uint32_t>(b.lk);
    w[28] = static_cast<std::uint32_t>(b.lf);
    w[29] = static_cast<std::uint32_t>(b.lc);
    w[30] = static_cast<std::uint32_t>(b.le);
    w[31] = static_cast<std::uint32_t>(n);
    w[32] = NWKEY;
    w[33] = 0x12;  // key elements: integer, integer
    putText(w, 34, "HBOOK-IDVARIABLE");
    w[LD] = static_cast<std::uint32_t>(b.nrd);
    for (std::int64_t r = 0; r < b.nrd; ++r)
      w[static_cast<std::size_t>(LD + 1 + r)] = static_cast<std::uint32_t>(d.records[static_cast<std::size_t>(r)]);
    if (isTop) {
      w[static_cast<std::size_t>(b.lb)] = static_cast<std::uint32_t>(p.bitmapWords_);
      w[static_cast<std::size_t>(b.lb + 1)] = static_cast<std::uint32_t>(lrec);
      w[static_cast<std::size_t>(b.lb + 2)] = date;
      for (std::int64_t rec = 2; rec <= records; ++rec) {
        w[static_cast<std::size_t>(b.lb + 3 + (rec - 1) / 32)] |= std::uint32_t{1} << ((rec - 1) % 32);
      }
    }
    for (std::size_t s = 0; s < d.children.size(); ++s) {
      const Dir& child = p.dirs_[static_cast<std::size_t>(d.children[s])];
      const std::int64_t at = b.ls + ENTRY_WORDS * static_cast<std::int64_t>(s);
      putText(w, at, child.node->name);
      w[static_cast<std::size_t>(at + 4)] = static_cast<std::uint32_t>(child.node->name.size());
      w[static_cast<std::size_t>(at + 5)] =
          static_cast<std::uint32_t>(child.records.front()) | (oldCycles ? OLD_FORMAT_ENTRY : 0);
      w[static_cast<std::size_t>(at + 6)] = date;
    }
    for (std::int64_t k = 0; k < n; ++k) {
      const KeyedObject& o = d.node->objects[static_cast<std::size_t>(k)];
      const Placed& pl = d.placed[static_cast<std::size_t>(k)];
      const std::int64_t key = b.lk + KEY_WORDS * k;
      const std::int64_t c = b.le + 1 - p.cycleWords_ * (k + 1);
      w[static_cast<std::size_t>(key)] = static_cast<std::uint32_t>(c);
      w[static_cast<std::size_t>(key + 1)] = static_cast<std::uint32_t>(o.key1);
      w[static_cast<std::size_t>(key + 2)] = static_cast<std::uint32_t>(o.key2);
      const auto at = [&](std::int64_t j) -> std::uint32_t& { return w[static_cast<std::size_t>(c + j)]; };
      at(1) = date | (o.buffer ? BUFFER_FLAG : 0);
      if (oldCycles) {
        at(0) = static_cast<std::uint32_t>(pl.ir2 << 16);
        at(2) = static_cast<std::uint32_t>((pl.ir1 << 16) | pl.ip1);
        at(3) = static_cast<std::uint32_t>((std::int64_t{1} << 20) | o.words);
      } else {
        at(2) = static_cast<std::uint32_t>(pl.ir1);
        at(3) = static_cast<std::uint32_t>((std::int64_t{1} << 20) | pl.ip1);
        at(4) = static_cast<std::uint32_t>(o.words);
        at(5) = static_cast<std::uint32_t>(pl.ir2);
        at(6) = static_cast<std::uint32_t>(o.key1);
      }
    }
    for (std::int64_t k = 1; k <= b.le; ++k) {
      const std::int64_t r = d.records[static_cast<std::size_t>((k - 1) / lrec)];
      store(r, (k - 1) % lrec + 1, w[static_cast<std::size_t>(k)]);
    }
  }

  // The objects, built one at a time in key order, straight into their records.
  std::uint32_t start = STORE_BASE;
  for (const Dir& d : p.dirs_) {
    for (std::size_t k = 0; k < d.node->objects.size(); ++k) {
      const KeyedObject& o = d.node->objects[k];
      const std::vector<std::uint32_t> words = o.build(start);
      if (static_cast<std::int64_t>(words.size()) != o.words) {
        throw FileError("object (" + std::to_string(o.key1) + "," + std::to_string(o.key2) +
                        "): its size was mis-predicted");
      }
      start += words[1];
      const Placed& pl = d.placed[k];
      std::int64_t record = pl.ir1, word = pl.ip1;
      for (std::uint32_t v : words) {
        if (word > lrec) {
          record = record == pl.ir1 ? pl.ir2 : record + 1;
          word = 1;
        }
        store(record, word++, v);
      }
    }
  }
  return image;
}

}  // namespace hbook::write
