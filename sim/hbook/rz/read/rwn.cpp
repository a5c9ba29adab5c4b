// Row-wise ntuples: the header bank HIDN, the bank of minima and maxima HLIM
// at its link 2 and a data buffer HCON at its link 1. Written to an RZ
// directory, that is the last buffer, the earlier ones being objects of their
// own under keys (KID, 1), (KID, 2), ...; kept in memory (no directory name),
// it is the first of HIDN word 5 buffers chained through their next links.
// Each buffer holds NPRIME / NVAR rows of NVAR floats, one row after another.
#include <bit>

#include "hbook/rz/read/readers.h"

namespace hbook::read {
namespace {

// HIDN data words.
constexpr std::int64_t NVAR = 2;
constexpr std::int64_t ENTRIES = 3;
constexpr std::int64_t BUFFER_WORDS = 4;
constexpr std::int64_t BUFFER_KEY = 5;   // disk: KEY(1) of the buffers; memory: number of buffers
constexpr std::int64_t KEY_BUFFERS = 6;  // buffers written as keys
constexpr std::int64_t FIRST_FREE = 7;   // first free word of the last buffer
constexpr std::int64_t TITLE_WORDS = 8;
constexpr std::int64_t TITLE_START = 9;
constexpr std::int64_t TAG_START = 10;
constexpr std::int64_t DIRECTORY_CHARACTERS = 11;  // 0: the ntuple was kept in memory
constexpr std::int64_t FIXED_WORDS = 31;
constexpr std::int64_t TAG_WORDS = 2;

}  // namespace

RowNtuple readRowNtuple(const BankTree& tree, std::int32_t id, NtupleBuffers& buffers) {
  const Bank& hid = tree.entry();
  tree.requireData(hid, FIXED_WORDS, "a row-wise ntuple header");
  RowNtuple n;
  n.id = id;
  n.kbits = tree.word(hid, 1);
  n.nvar = tree.integer(hid, NVAR);
  n.entries = tree.integer(hid, ENTRIES);
  n.bufferWords = tree.integer(hid, BUFFER_WORDS);
  const std::int64_t nvar = n.nvar;
  if (nvar < 1) tree.fail(hid, "word 2: number of variables " + std::to_string(nvar));
  if (n.entries < 0) tree.fail(hid, "word 3: number of rows " + std::to_string(n.entries));
  if (n.bufferWords < nvar)
    tree.fail(hid, "word 4: buffer of " + std::to_string(n.bufferWords) + " words holds no row");
  const std::int64_t tagStart = tree.integer(hid, TAG_START);
  for (std::int64_t v = 0; v < nvar; ++v) {
    std::string tag = tree.text(hid, tagStart + TAG_WORDS * v, TAG_WORDS);
    tag.erase(tag.find_last_not_of(' ') + 1);
    n.tags.push_back(tag);
  }
  n.title = titleText(tree, hid, tree.integer(hid, TITLE_START), tree.integer(hid, TITLE_WORDS));

  const Bank* lim = tree.linked(hid, 2);
  if (!lim) tree.fail(hid, "link 2: bank of minima and maxima not found");
  tree.requireData(*lim, 2 * nvar, std::to_string(nvar) + " variables");
  for (std::int64_t v = 0; v < nvar; ++v) {
    n.minimum.push_back(tree.real(*lim, 2 * v + 1));
    n.maximum.push_back(tree.real(*lim, 2 * v + 2));
  }

  const std::int64_t rowsPerBuffer = n.bufferWords / nvar;
  const std::int64_t firstFree = tree.integer(hid, FIRST_FREE);
  if (firstFree < 1 || firstFree - 1 > rowsPerBuffer * nvar || (firstFree - 1) % nvar != 0) {
    tree.fail(hid, "word 7: first free word " + std::to_string(firstFree) + " of the last buffer");
  }
  const std::int64_t lastRows = (firstFree - 1) / nvar;
  const bool inMemory = tree.integer(hid, DIRECTORY_CHARACTERS) == 0;
  n.inMemory = inMemory;
  const std::int64_t keyBuffers = tree.integer(hid, KEY_BUFFERS);
  if (keyBuffers < 0 || (inMemory && keyBuffers != 0))
    tree.fail(hid, "word 6: buffer count " + std::to_string(keyBuffers));
  // Kept in memory: every buffer is a bank of the header object, the first
  // at link 1, each following one at the next link of the one before.
  // Written to disk: the buffers before the last are objects of their own,
  // the last one (at link 1) is a bank of the header.
  const std::int64_t memoryBuffers = inMemory ? tree.integer(hid, BUFFER_KEY) : 1;
  if (memoryBuffers < 1 || memoryBuffers > tree.bankCount()) {
    tree.fail(hid, "word 5: " + std::to_string(memoryBuffers) + " memory buffers");
  }
  const std::int64_t fullBuffers = keyBuffers + memoryBuffers - 1;
  if (fullBuffers * rowsPerBuffer + lastRows != n.entries) {
    tree.fail(hid, std::to_string(n.entries) + " rows disagree with " + std::to_string(fullBuffers) +
                       " full buffers of " + std::to_string(rowsPerBuffer) + " rows and " + std::to_string(lastRows) +
                       " rows in the last");
  }
  const std::int32_t kid = tree.integer(hid, BUFFER_KEY);
  const std::string owner = "row-wise ntuple " + std::to_string(id);
  for (std::int64_t b = 1; b <= keyBuffers; ++b) {
    const std::vector<std::uint32_t> words = buffers.take(kid, static_cast<std::int32_t>(b), owner);
    if (static_cast<std::int64_t>(words.size()) < rowsPerBuffer * nvar) {
      tree.image().fail(
          owner + ", buffer (" + std::to_string(kid) + "," + std::to_string(b) + ")",
          std::to_string(words.size()) + " data words, " + std::to_string(rowsPerBuffer * nvar) + " expected");
    }
    for (std::int64_t k = 0; k < rowsPerBuffer * nvar; ++k) n.values.push_back(std::bit_cast<float>(words[k]));
  }
  const Bank* buffer = tree.linked(hid, 1);
  for (std::int64_t b = 1; b <= memoryBuffers; ++b) {
    if (!buffer)
      tree.fail(hid, "data buffer " + std::to_string(b) + " of " + std::to_string(memoryBuffers) + " not found");
    tree.take(*buffer);
    tree.requireData(*buffer, n.bufferWords, "a buffer of " + std::to_string(n.bufferWords) + " words");
    const std::int64_t rows = b < memoryBuffers ? rowsPerBuffer : lastRows;
    for (std::int64_t k = 1; k <= rows * nvar; ++k) n.values.push_back(tree.real(*buffer, k));
    buffer = tree.linked(*buffer, 0);
  }
  if (inMemory && buffer)
    tree.fail(hid, "word 5: more memory buffers are chained than the " + std::to_string(memoryBuffers) + " it counts");
  return n;
}

}  // namespace hbook::read
