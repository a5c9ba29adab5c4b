// Which run a histogram file, a run log or a checkpoint belongs to: the
// seed, the events, the sampler's choice, the inputs' digests, and the
// blocks it holds. One line of `key=value` fields:
//
//   seed=7 events=2000000 sampler=auto blocks=0-19 lam.hbook=sha256:... gradx.hbook=... sq.hbook=...
//
// Fields a later version adds (a beamline description's digest, say) are
// read, kept and compared like the others: two records belong to the same
// run when every field but `blocks` agrees.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "transport/run/blocks.h"

namespace tarn {

class RunIdentity {
 public:
  RunIdentity() = default;
  RunIdentity(std::int64_t seed, std::int64_t events, const std::string& sampler, const BlockSet& blocks);

  std::int64_t seed() const;
  std::int64_t events() const;
  std::string sampler() const { return get("sampler"); }
  BlockSet blocks() const;
  void setBlocks(const BlockSet& blocks) { set("blocks", blocks.text()); }

  // Any field by name ("" when absent); set replaces or appends.
  std::string get(const std::string& key) const;
  void set(const std::string& key, const std::string& value);
  const std::vector<std::pair<std::string, std::string>>& fields() const { return fields_; }

  // The line above; parse throws std::runtime_error saying what is wrong
  // (seed, events and blocks must be there and valid).
  std::string text() const;
  static RunIdentity parse(const std::string& text);
  // The fields alone, without those checks.
  static RunIdentity parseFields(const std::string& text);

  // The first field, other than blocks, in which the two differ: its name,
  // or "" when they are records of the same run.
  std::string differingField(const RunIdentity& other) const;

 private:
  std::vector<std::pair<std::string, std::string>> fields_;
};

}  // namespace tarn
