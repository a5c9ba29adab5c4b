#!/usr/bin/env python3
"""The random streams of block b of a tarn run with seed S, from scratch.

A standalone reference of the scheme of sim/ranlux/blockstreams.h: the 25
integers handed to RANLUX's state entry (RLUXIN) for block b's stream k
(0: the physics, for b >= 1; 1: the histogram sampler), and the numbers
RANLUX at luxury level 3 then delivers. No part of tarn is used.

    python3 scripts/block_stream.py S B K [COUNT]     the state and the first COUNT numbers
    python3 scripts/block_stream.py --vectors         tests/data/ranlux/block-streams.txt
"""
import struct
import sys

MASK64 = (1 << 64) - 1
GAMMA = 0x9E3779B97F4A7C15
TWO24 = 1 << 24
SKIP_LEVEL3 = 199  # numbers thrown away after each 24 delivered (p = 223)


def mix64(z):
    z &= MASK64
    z = ((z ^ (z >> 30)) * 0xBF58476D1CE4E5B9) & MASK64
    z = ((z ^ (z >> 27)) * 0x94D049BB133111EB) & MASK64
    return z ^ (z >> 31)


def key(seed, block, stream):
    assert 0 <= seed < 1 << 31 and 0 <= block < 1 << 32 and stream in (0, 1)
    return (seed << 33) | (stream << 32) | block


def state(seed, block, stream):
    h = mix64(key(seed, block, stream))
    words = [mix64(h ^ (((i + 1) * GAMMA) & MASK64)) >> 40 for i in range(24)]
    # i24 = 24, j24 = 10, none delivered in the current group of 24,
    # luxury level 3, no borrow (a positive control word).
    return words + [24 + 100 * 10 + 10000 * 0 + 1000000 * 3]


def f32(x):
    return struct.unpack("f", struct.pack("f", x))[0]


class Ranlux:
    """RANLUX from a 25-integer state, numbers as single-precision values."""

    def __init__(self, isdext):
        self.seeds = list(isdext[:24])
        c = isdext[24]
        self.carry = 1 if c < 0 else 0
        c = abs(c)
        self.i24 = c % 100 - 1
        self.j24 = (c // 100) % 100 - 1
        self.in24 = (c // 10000) % 100
        assert c // 1000000 == 3

    def step(self):
        uni = self.seeds[self.j24] - self.seeds[self.i24] - self.carry
        self.carry = 1 if uni < 0 else 0
        uni += self.carry * TWO24
        self.seeds[self.i24] = uni
        self.i24 = 23 if self.i24 == 0 else self.i24 - 1
        self.j24 = 23 if self.j24 == 0 else self.j24 - 1
        return uni

    def next(self):
        uni = self.step()
        r = f32(uni * 2.0**-24)
        if uni < 1 << 12:
            r = f32(r + f32(2.0**-24 * f32(self.seeds[self.j24] * 2.0**-24)))
            if r == 0.0:
                r = f32(2.0**-48)
        self.in24 += 1
        if self.in24 == 24:
            self.in24 = 0
            for _ in range(SKIP_LEVEL3):
                self.step()
        return r


VECTOR_CASES = ((0, 1, 0), (0, 1, 1), (7, 1, 0), (7, 1, 1), (7, 2, 0), (12345, 0, 1),
                (763595, 17, 0), (2147483647, 4294967295, 0), (2147483647, 4294967295, 1))
VECTOR_POSITIONS = tuple(range(1, 11)) + (1000, 100000)


def vectors():
    print("# Block streams (sim/ranlux/blockstreams.h), made by scripts/block_stream.py --vectors.")
    print("# STATE seed block stream: the 25 integers for RLUXIN; then seed block stream position value (hex).")
    for seed, block, stream in VECTOR_CASES:
        s = state(seed, block, stream)
        print("STATE", seed, block, stream, " ".join(str(v) for v in s))
        g = Ranlux(s)
        for n in range(1, max(VECTOR_POSITIONS) + 1):
            v = g.next()
            if n in VECTOR_POSITIONS:
                print(seed, block, stream, n, float(v).hex())


def main():
    if sys.argv[1:2] == ["--vectors"]:
        vectors()
        return
    seed, block, stream = (int(a) for a in sys.argv[1:4])
    count = int(sys.argv[4]) if len(sys.argv) > 4 else 10
    s = state(seed, block, stream)
    print(" ".join(str(v) for v in s))
    g = Ranlux(s)
    for n in range(1, count + 1):
        v = g.next()
        print(n, "%.9f" % v, float(v).hex(), int(v * TWO24) if v >= 2.0**-12 else "")


if __name__ == "__main__":
    main()
