// The directory walk and the choice of reader for each object.
//
// The kind of an object is told by its status bits (KBITS, data word 1 of
// the top bank), as the package tells it: bit 1 a 1-D histogram (bit 8 too:
// a profile), bit 2 or 3 a 2-D histogram, bit 4 an ntuple, column-wise when
// the top bank has 6 structural links, row-wise with 2. Keys (KID, n != 0)
// are ntuple data buffers, read with the ntuple that owns them.
#include "hbook/rz/read/tree.h"

#include <deque>
#include <map>

#include "hbook/rz/read/listing.h"
#include "hbook/rz/read/objectwords.h"
#include "hbook/rz/read/readers.h"

namespace hbook::read {
namespace {

constexpr std::uint32_t ONE_DIM = 0x1;
constexpr std::uint32_t TWO_DIM = 0x6;  // bit 2 scatter, bit 3 table
constexpr std::uint32_t NTUPLE = 0x8;
constexpr std::uint32_t PROFILE = 0x80;
constexpr std::int64_t COLUMN_WISE_LINKS = 6;
constexpr std::int64_t ROW_WISE_LINKS = 2;
constexpr std::uint32_t APPENDED_FLAG = 0x08;  // cycle flag of ntuple buffers
constexpr std::uint32_t VECTOR_FLAGS = 0x07;   // cycle flags of plain vectors (not bank trees)

struct Pending {
  std::string path;
  std::int64_t record = 0;
  int depth = 0;
};

class TreeReader {
 public:
  explicit TreeReader(const Image& image) : image_(image), objects_(image) {}

  ReadResult run() {
    ReadResult result;
    result.recordWords = static_cast<int>(image_.recordWords());
    std::deque<Pending> queue = {{"/", 2, 0}};
    while (!queue.empty()) {
      const Pending p = queue.front();
      queue.pop_front();
      const DirectoryListing listing = readDirectory(image_, p.record, p.path);
      claimRecords(listing, p.path);
      Directory dir;
      dir.path = p.path;
      for (const SubdirectoryEntry& s : listing.subdirectories) {
        dir.subdirectories.push_back(s.name);
        const std::string child = (p.path == "/" ? "/" : p.path + "/") + s.name;
        if (p.depth + 1 > MAX_DIRECTORY_DEPTH) {
          image_.fail("directory " + child, "deeper than " + std::to_string(MAX_DIRECTORY_DEPTH) + " levels");
        }
        queue.push_back({child, s.record, p.depth + 1});
      }
      readObjects(listing, dir, result);
      if (p.path == "/") {
        result.objects = static_cast<int>(listing.keys.size());
        result.topDirectory = listing.name;
        result.histograms = dir.histograms;
      }
      result.directories.push_back(std::move(dir));
    }
    return result;
  }

 private:
  // Each record belongs to one directory at most: a subdirectory list that
  // leads back to a directory already read is refused, which also bounds
  // the walk by the number of records.
  void claimRecords(const DirectoryListing& listing, const std::string& path) {
    for (std::int64_t r : listing.records) {
      auto [it, fresh] = directoryRecords_.emplace(r, path);
      if (!fresh) {
        image_.fail("directory " + path, "record " + std::to_string(r) + " is already a record of directory " + it->second);
      }
    }
  }

  std::string prefix(const std::string& path) const { return path == "/" ? "" : "directory " + path + ": "; }

  void skip(ReadResult& result, const std::string& path, std::int32_t id, const std::string& label, const std::string& why) {
    result.skipped.push_back({id, image_.name() + ": " + prefix(path) + label + ": " + why + ", skipped", path});
  }

  void readObjects(const DirectoryListing& listing, Directory& dir, ReadResult& result) {
    NtupleBuffers buffers(image_, objects_, listing);
    for (const Key& key : listing.keys) {
      const std::int32_t id = key.elements[0];
      if (key.elements.size() >= 2 && key.elements[1] != 0) continue;  // an ntuple buffer
      if (dir.path == "/") ++result.allHistograms;
      if (key.cycle.flags & APPENDED_FLAG) {
        skip(result, dir.path, id, key.label(), "appended object (ntuple buffer)");
        continue;
      }
      if (key.cycle.flags & VECTOR_FLAGS) {
        skip(result, dir.path, id, key.label(), "plain vector, not a histogram");
        continue;
      }
      const std::string where = "record " + std::to_string(key.cycle.record) + " word " + std::to_string(key.cycle.word) +
                                " (object of " + prefix(dir.path) + key.label() + ")";
      const BankTree tree(image_, objects_.read(key, listing), where);
      try {
        readObject(tree, id, buffers, dir);
      } catch (const Unsupported& u) {
        skip(result, dir.path, id, key.label(), u.why);
        if (u.ownsBuffers) buffers.release(u.bufferKey);
      }
    }
    for (const Key* k : buffers.unused()) skip(result, dir.path, k->elements[0], k->label(), "ntuple buffer that no ntuple uses");
  }

  void readObject(const BankTree& tree, std::int32_t id, NtupleBuffers& buffers, Directory& dir) {
    const Bank& top = tree.entry();
    tree.requireData(top, 1, "the status bits");
    const std::uint32_t kbits = tree.word(top, 1);
    if (kbits & ONE_DIM) {
      if (kbits & PROFILE) {
        add(dir, ObjectKind::Profile, id, dir.profiles, readProfile(tree, id));
      } else {
        add(dir, ObjectKind::Histogram1D, id, dir.histograms, readHistogram1D(tree, id));
      }
    } else if (kbits & TWO_DIM) {
      add(dir, ObjectKind::Histogram2D, id, dir.histograms2d, readHistogram2D(tree, id));
    } else if (kbits & NTUPLE) {
      if (top.ns == COLUMN_WISE_LINKS) {
        add(dir, ObjectKind::ColumnNtuple, id, dir.columnNtuples, readColumnNtuple(tree, id, buffers));
      } else if (top.ns == ROW_WISE_LINKS) {
        add(dir, ObjectKind::RowNtuple, id, dir.rowNtuples, readRowNtuple(tree, id, buffers));
      } else {
        throw Unsupported{"ntuple whose header bank " + top.name + " has " + std::to_string(top.ns) + " structural links"};
      }
    } else {
      throw Unsupported{"object '" + top.name + "' with status bits " + hexWord(kbits) + ", not a histogram or ntuple"};
    }
  }

  template <typename T>
  static void add(Directory& dir, ObjectKind kind, std::int32_t id, std::vector<T>& list, T object) {
    dir.objects.push_back({kind, id, list.size()});
    list.push_back(std::move(object));
  }

  const Image& image_;
  ObjectWords objects_;
  std::map<std::int64_t, std::string> directoryRecords_;
};

}  // namespace

ReadResult readTree(const Image& image) { return TreeReader(image).run(); }

}  // namespace hbook::read
