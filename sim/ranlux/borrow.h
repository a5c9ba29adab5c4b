// Subtraction of a three-word (192-bit) number from another with a borrow
// in and out, the step of chunksteps.h.
#pragma once

#include <cstdint>

namespace ranlux {

// (d2 d1 d0) -= (b2 b1 b0) + borrow modulo 2^192, word 0 the lowest; borrow
// (0 or 1) becomes 1 when the difference was negative. Word by word: each
// word's difference less the borrow from below, borrowing from above when
// negative.
inline void subtractWithBorrowPortable(std::uint64_t& d0, std::uint64_t& d1, std::uint64_t& d2, std::uint64_t b0,
                                       std::uint64_t b1, std::uint64_t b2, unsigned char& borrow) {
  const auto word = [&borrow](std::uint64_t& d, std::uint64_t b) {
    const bool below = __builtin_sub_overflow(d, b, &d);
    const bool belowAgain = __builtin_sub_overflow(d, static_cast<std::uint64_t>(borrow), &d);
    borrow = static_cast<unsigned char>(below || belowAgain);
  };
  word(d0, b0);
  word(d1, b1);
  word(d2, b2);
}

// The same. On x86-64 it is the processor's subtract-with-borrow on the
// carry flag, three instructions, which the compiler's forms of it (the
// portable one above, the _subborrow_u64 intrinsic) do not come to: they
// take the borrow out of the flag and back at every word, or pass the words
// through memory.
inline void subtractWithBorrow(std::uint64_t& d0, std::uint64_t& d1, std::uint64_t& d2, std::uint64_t b0,
                               std::uint64_t b1, std::uint64_t b2, unsigned char& borrow) {
#if defined(__x86_64__) && defined(__GNUC__)
  // addb $0xff sets the carry flag exactly when borrow is 1; setc reads it back.
  asm("addb $0xff, %[c]\n\t"
      "sbbq %[b0], %[d0]\n\t"
      "sbbq %[b1], %[d1]\n\t"
      "sbbq %[b2], %[d2]\n\t"
      "setc %[c]"
      : [d0] "+r"(d0), [d1] "+r"(d1), [d2] "+r"(d2), [c] "+q"(borrow)
      : [b0] "r"(b0), [b1] "r"(b1), [b2] "r"(b2)
      : "cc");
#else
  subtractWithBorrowPortable(d0, d1, d2, b0, b1, b2, borrow);
#endif
}

}  // namespace ranlux
