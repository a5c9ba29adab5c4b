// The histogram memory: booking, filling, deleting and copying 1-D
// histograms the way the package does it, in single precision.
#include "hbook/memory/store.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>
#include <utility>

#include "hbook/hbug.h"

namespace hbook {

constinit Store runLevelStore;

namespace {

// The title HBOOK1 keeps: trailing blanks dropped, then a trailing '$' and
// the blanks before it; one blank becomes empty.
std::string_view storedTitleView(std::string_view title) {
  auto dropTrailingBlanks = [](std::string_view t) {
    while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
    return t;
  };
  std::string_view t = dropTrailingBlanks(title);
  if (!t.empty() && t.back() == '$') t = dropTrailingBlanks(t.substr(0, t.size() - 1));
  return t;
}

}  // namespace

std::string Store::storedTitle(std::string_view title) { return std::string(storedTitleView(title)); }

std::int64_t Store::wordsFor(const Histogram& h) { return wordsFor(h.nx, h.title.size(), !h.sumw2.empty()); }

std::int64_t Store::wordsFor(std::int64_t bins, std::size_t titleChars, bool errors) {
  const std::int64_t nx = std::max<std::int64_t>(bins, 0);
  const std::int64_t titleWords = (static_cast<std::int64_t>(titleChars) + 3) / 4;
  std::int64_t words = (nx + 10) + (9 + titleWords) + 23;
  if (errors) words += nx + 10;
  return words;
}

void Store::index(std::int32_t id, Histogram* h) {
  if (id >= 0 && id < FLAT_IDS) {
    const auto at = static_cast<std::size_t>(id);
    if (at >= flat_.size()) {
      if (!h) return;
      flat_.resize(at + 1, nullptr);
    }
    flat_[at] = h;
  } else if (id >= 0 && id < DIRECT_IDS) {
    const auto page = static_cast<std::size_t>(id / PAGE_IDS);
    if (page >= pages_.size()) pages_.resize(page + 1);
    if (!pages_[page]) {
      if (!h) return;
      pages_[page] = std::make_unique<std::array<Histogram*, PAGE_IDS>>();
      pages_[page]->fill(nullptr);
    }
    (*pages_[page])[static_cast<std::size_t>(id % PAGE_IDS)] = h;
  } else if (h) {
    if (!byOtherId_) byOtherId_ = std::make_unique<std::unordered_map<std::int32_t, Histogram*>>();
    (*byOtherId_)[id] = h;
  } else if (byOtherId_) {
    byOtherId_->erase(id);
  }
}

Histogram* Store::append(std::unique_ptr<Histogram> h) {
  usedWords_ += wordsFor(*h);
  Histogram* added = h.get();
  order_.push_back(std::move(h));
  index(added->id, added);
  return added;
}

// Every field of Histogram (objects/histogram.h) back to its default, written
// out rather than as h = Histogram(), which builds and destroys a whole
// histogram each time; the vectors and the title are emptied in place and
// keep their capacity. A field added to Histogram must be added here
// (tests/hbook_recopy_test.cpp compares a reused booking with a fresh one
// field by field).
void Store::blank(Histogram& h, bool keepTitle) {
  h.id = 0;
  if (!keepTitle) h.title.clear();
  h.nx = 0;
  h.xmin = 0.0f;
  h.xmax = 0.0f;
  h.kbits = 1;
  h.minimum = 0.0f;
  h.maximum = 0.0f;
  h.norm = 0.0f;
  h.entries = 0;
  h.statSumW = 0.0f;
  h.statSumW2 = 0.0f;
  h.statSumWX = 0.0;
  h.statSumWX2 = 0.0;
  h.channels.clear();
  h.sumw2.clear();
  h.edges.clear();
  h.nbit = 32;
  h.readFromFile = false;
  h.markedAsRead = false;
  h.sampleGuide.nx = 0;
  h.sampleGuide.cells = 0;
  h.sampleGuide.edge.clear();
  h.binStarts.drop();
}

// A default histogram, in the storage of a deleted one when there is one:
// its channel vector, title and guide keep their capacity, everything else
// is as new.
std::unique_ptr<Histogram> Store::blankHistogram() {
  if (spares_.empty()) return std::make_unique<Histogram>();
  std::unique_ptr<Histogram> h = std::move(spares_.back());
  spares_.pop_back();
  blank(*h);
  return h;
}

bool Store::book(std::int32_t id, std::string_view title, std::int32_t nx, float xmin, float xmax) {
  if (find(id)) {
    hbugError("HBOOK1", "Histogram already exists", id);
    return false;
  }
  if (id == 0) {
    hbugError("HBOOK1", "Histogram identifier 0 is not allowed", id);
    return false;
  }
  if (nx == 0) nx = 100;  // the package's default number of channels
  if (nx < 0) {
    hbugError("HBOOK1", "Number of channels must be positive", id);
    return false;
  }
  // The package would switch to automatic binning for XMAX <= XMIN; this
  // program never asks for it, so such bookings (and unusable edges) are refused.
  if (!std::isfinite(xmin) || !std::isfinite(xmax) || !(xmax > xmin) || !std::isfinite(xmax - xmin)) {
    hbugError("HBOOK1", "Invalid axis limits", id);
    return false;
  }
  std::unique_ptr<Histogram> h = blankHistogram();
  h->id = id;
  h->title.assign(storedTitleView(title));
  h->nx = nx;
  h->xmin = xmin;
  h->xmax = xmax;
  h->kbits = 1;
  if (usedWords_ + wordsFor(*h) > limitWords_) {
    hbugError("HBOOK1", "Not enough space in memory", id);
    return false;
  }
  try {
    h->channels.assign(static_cast<std::size_t>(nx) + 2, 0.0f);
  } catch (const std::bad_alloc&) {
    hbugError("HBOOK1", "Not enough space in memory", id);
    return false;
  }
  append(std::move(h));
  return true;
}

float Store::random(std::int32_t id) {
  Histogram* h = find(id);
  if (!h) return 0.0f;
  if (h->entries != -1) {
    // Integration depends on the channels alone: a copy whose channels are
    // bit for bit those of a kept copy integrates to the kept integration.
    const CopyCache::Copy* kept = copies_.integrable(*h);
    if (kept) adoptIntegration(*h, kept->integrated, kept->guide);
  }
  return sample(*h);
}

bool Store::remove(std::int32_t id) {
  if (id == 0) {
    clear();
    return true;
  }
  Histogram* gone = find(id);
  if (!gone) {
    hbugError("HDELET", "Unknown histogram", id);
    return false;
  }
  index(id, nullptr);
  usedWords_ -= wordsFor(*gone);
  // From the back: a copy made again each event is among the last booked.
  const auto at = std::find_if(order_.rbegin(), order_.rend(),
                               [gone](const std::unique_ptr<Histogram>& p) { return p.get() == gone; });
  if (spares_.size() < SPARES) spares_.push_back(std::move(*at));
  order_.erase(std::next(at).base());
  return true;
}

bool Store::copyRange(std::int32_t id1, std::int32_t id2, std::string_view title, std::int32_t ifirst,
                      std::int32_t ilast) {
  const Histogram* source = find(id1);
  if (!source) {
    hbugError("HCOPYR", "Unknown histogram", id1);
    return false;
  }
  const std::int64_t bins = static_cast<std::int64_t>(ilast) - ifirst + 1;
  if (bins < 1 || bins > INT32_MAX || source->nx < 1 ||
      source->channels.size() != static_cast<std::size_t>(source->nx) + 2) {
    hbugError("HCOPYR", "Invalid channel range", id1);
    return false;
  }
  // Everything needed from the source is taken before id2 is replaced
  // (id1 and id2 may be the same histogram).
  const std::int32_t nx = source->nx;
  const float xmin = source->xmin;
  const float width = (source->xmax - source->xmin) / static_cast<float>(nx);
  const std::string_view newTitle = storedTitleView(title).empty() ? std::string_view(source->title) : title;
  copyTitle_.assign(newTitle.begin(), newTitle.end());

  // New edges in single precision: the lower edge ifirst-1 widths above
  // id1's, the upper edge `bins` widths above the new lower edge.
  const float newXmin = xmin + static_cast<float>(static_cast<std::int64_t>(ifirst) - 1) * width;
  const float newXmax = newXmin + static_cast<float>(bins) * width;

  const std::vector<float>* kept = copies_.channels(*source, ifirst, static_cast<std::int32_t>(bins), newXmin, newXmax);
  if (!kept) copySource_.assign(source->channels.begin() + 1, source->channels.begin() + 1 + nx);

  if (find(id2)) {
    hbugWarning("HCOPYR", "Existing Histogram will be replaced", id2);
    remove(id2);
  }
  if (!book(id2, std::string_view(copyTitle_.data(), copyTitle_.size()), static_cast<std::int32_t>(bins), newXmin,
            newXmax))
    return false;
  Histogram& copy = *find(id2);
  if (kept) {
    // The channels nx fills give (copycache.h), and the entries they count.
    copy.channels = *kept;
    copy.entries = nx;
  } else {
    fillCopy(copy, copySource_.data(), nx, xmin, width);
  }
  return true;
}

// Exact because it writes what the two calls write: remove() takes id2 out
// of the order and the word count, book() gives a blank histogram the id,
// the stored title of id1 (a blank title keeps id1's), the bins and edges
// below, and copyRange() the kept channels and id1's nx as entries. Here the
// same histogram object is blanked and given those values, and moved to the
// end of the order, where append() would put the new one. Whatever the fast
// way does not cover (id2 absent or id1 itself, a range not kept, edges or a
// word budget that book() would refuse) goes the two calls' way.
bool Store::inPlaceCopy(std::int32_t id1, std::int32_t id2, std::int32_t ifirst, std::int32_t ilast, InPlaceCopy& c) {
  Histogram* old = find(id2);
  const Histogram* source = find(id1);
  const std::int64_t bins = static_cast<std::int64_t>(ilast) - ifirst + 1;
  if (!(old && source && old != source && id2 != 0 && bins >= 1 && bins <= INT32_MAX && source->nx >= 1 &&
        source->channels.size() == static_cast<std::size_t>(source->nx) + 2))
    return false;
  const std::int32_t nx = source->nx;
  const float width = (source->xmax - source->xmin) / static_cast<float>(nx);
  const float newXmin = source->xmin + static_cast<float>(static_cast<std::int64_t>(ifirst) - 1) * width;
  const float newXmax = newXmin + static_cast<float>(bins) * width;
  const std::string_view title = storedTitleView(source->title);
  const CopyCache::Copy* kept = copies_.copy(*source, ifirst, static_cast<std::int32_t>(bins), newXmin, newXmax);
  const std::int64_t usedAfter = usedWords_ - wordsFor(*old) + wordsFor(bins, title.size(), false);
  if (!(kept && std::isfinite(newXmin) && std::isfinite(newXmax) && newXmax > newXmin &&
        std::isfinite(newXmax - newXmin) && usedAfter <= limitWords_))
    return false;
  c = InPlaceCopy{old, kept, static_cast<std::int32_t>(bins), nx, newXmin, newXmax, title, usedAfter};
  return true;
}

void Store::rebook(const InPlaceCopy& c, std::int32_t id2) {
  Histogram* old = c.old;
  // Copied again from the same source, the copy nearly always has the
  // title it is to get: kept then, not cleared and written again.
  const bool sameTitle = std::string_view(old->title) == c.title;
  blank(*old, sameTitle);
  old->id = id2;
  if (!sameTitle) old->title.assign(c.title);
  old->nx = c.bins;
  old->xmin = c.xmin;
  old->xmax = c.xmax;
  old->kbits = 1;
  old->entries = c.entries;
  usedWords_ = c.usedAfter;
  const auto at = std::find_if(order_.rbegin(), order_.rend(),
                               [old](const std::unique_ptr<Histogram>& p) { return p.get() == old; });
  std::rotate(std::next(at).base(), at.base(), order_.end());
}

bool Store::recopyRange(std::int32_t id1, std::int32_t id2, std::int32_t ifirst, std::int32_t ilast) {
  InPlaceCopy c;
  if (inPlaceCopy(id1, id2, ifirst, ilast, c)) {
    rebook(c, id2);
    c.old->channels.assign(c.kept->channels.begin(), c.kept->channels.end());
    return true;
  }
  remove(id2);
  return copyRange(id1, id2, " ", ifirst, ilast);
}

// Exact because random(id2) right after recopyRange finds id2's channels bit
// for bit those of the kept copy recopyRange took them from, so it adopts
// that copy's integration and guide (adoptIntegration) before it takes its
// uniform number: here the booking is made as recopyRange makes it and the
// same adoption follows at once, without the kept channels being written
// first and compared back. A kept copy that does not integrate (HRNDM1's
// message and its uniform fallback) is left to the two steps.
bool Store::recopyIntegrated(std::int32_t id1, std::int32_t id2, std::int32_t ifirst, std::int32_t ilast) {
  InPlaceCopy c;
  if (!inPlaceCopy(id1, id2, ifirst, ilast, c) || !c.kept->integrable) return false;
  rebook(c, id2);
  adoptIntegration(*c.old, c.kept->integrated, c.kept->guide);
  return true;
}

void Store::put(Histogram h) {
  Histogram* existing = find(h.id);
  if (!existing) {
    append(std::make_unique<Histogram>(std::move(h)));
    return;
  }
  usedWords_ += wordsFor(h) - wordsFor(*existing);
  *existing = std::move(h);
}

const Histogram* Store::findOther(std::int32_t id) const {
  if (id >= 0 && id < FLAT_IDS) return nullptr;  // beyond flat_: not booked
  if (id >= 0 && id < DIRECT_IDS) {
    const auto page = static_cast<std::size_t>(id / PAGE_IDS);
    if (page >= pages_.size() || !pages_[page]) return nullptr;
    return (*pages_[page])[static_cast<std::size_t>(id % PAGE_IDS)];
  }
  if (!byOtherId_) return nullptr;
  auto it = byOtherId_->find(id);
  return it == byOtherId_->end() ? nullptr : it->second;
}

void Store::fillOther(std::int32_t id, float x, float w) {
  Histogram* h = const_cast<Histogram*>(findOther(id));
  if (h) fillHistogram(*h, x, w);
}

std::vector<const Histogram*> Store::all() const {
  std::vector<const Histogram*> result;
  result.reserve(order_.size());
  for (const auto& h : order_) result.push_back(h.get());
  return result;
}

void Store::dropKeptCopies() {
  copies_.clear();
  spares_.clear();
  spares_.shrink_to_fit();
}

void Store::clear() {
  order_.clear();
  flat_.clear();
  pages_.clear();
  byOtherId_.reset();
  spares_.clear();
  copies_.clear();
  usedWords_ = 0;
}

}  // namespace hbook
