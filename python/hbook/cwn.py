"""ColumnNtuple: a column-wise ntuple (HBNT/HBNAME) read from an HBOOK
file, as numpy columns of each variable's own type. Read only.

Types: REAL float32, REAL*8 float64, INTEGER int32, packed unsigned
integers (U) uint32, LOGICAL bool, CHARACTER an object array of str (one
character per byte, trailing blanks kept as stored).

Shapes: a scalar is an (entries,) array. A fixed array X(d1, d2, ...) is an
(entries, d1, d2, ...) array indexed as in Fortran, from 0: [r, i, j] is
X(i+1, j+1) of row r. A variable-length array X(d1, ..., n), whose last
dimension n is the value of its index variable in each row, is a Jagged:
its flat values and per-row offsets, and row r as a (d1, ..., n) array.
"""
import math

import numpy as np


class Jagged:
    """A variable-length array: row r is values[offsets[r]:offsets[r+1]], the
    elements in Fortran order (first index fastest), as the file stores them.

    values    flat array of every row's elements, in row order
    offsets   int64, entries + 1: where each row starts
    counts    the index variable's value in each row
    j[r]      row r as an array of shape fixed + (counts[r],)
    """

    def __init__(self, name, values, offsets, fixed=()):
        self.name = name
        self.values = values
        self.offsets = offsets
        self.fixed = tuple(fixed)

    @property
    def counts(self):
        return np.diff(self.offsets) // math.prod(self.fixed)

    def __len__(self):
        return len(self.offsets) - 1

    def __getitem__(self, row):
        r = range(len(self))[row]  # IndexError for a row outside, negative rows from the end
        if isinstance(r, range):
            return [self[i] for i in r]
        flat = self.values[self.offsets[r]:self.offsets[r + 1]]
        return flat.reshape(self.fixed + (len(flat) // math.prod(self.fixed),), order="F")

    def __iter__(self):
        return (self[r] for r in range(len(self)))

    def tolist(self):
        return list(self)

    def __repr__(self):
        return f"<Jagged {self.name}: {len(self)} rows, {len(self.values)} elements>"


class Variable:
    """One variable: name, block, type (R, I, U, L, C), size (bytes per
    element, or the CHARACTER length), nbits (bits stored per element), dims
    (Fortran order; a variable last dimension as minus its maximum), index
    (the name of the index variable, or None), is_index, range ((low, high)
    as declared, or None) and values."""

    def __init__(self, d, entries):
        for name in ("name", "block", "type", "size", "nbits", "index", "is_index", "range"):
            setattr(self, name, d[name])
        self.dims = tuple(d["dims"])
        values = d["values"]
        if self.type == "C":
            values = np.array(values, dtype=object).reshape(len(values))
        if self.index is not None:
            self.values = Jagged(self.name, values, d["offsets"], self.dims[:-1])
        elif self.dims:
            # Each row's block in Fortran order, read as a C array of the
            # reversed shape and turned back to the declared order.
            k = len(self.dims)
            self.values = values.reshape((entries,) + self.dims[::-1]).transpose((0,) + tuple(range(k, 0, -1)))
        else:
            self.values = values

    def declaration(self):
        """As HBNAME's form writes it: x(3), x(n), x(2,n), x:R*8."""
        shape = ""
        if self.dims:
            shape = "(" + ",".join(str(d) if d > 0 else self.index for d in self.dims) + ")"
        return f"{self.name}{shape}:{self.type}*{self.size}"

    def __repr__(self):
        return f"<Variable {self.declaration()} in block {self.block}>"


class ColumnNtuple:
    """entries, blocks (names, in order), variables (list of Variable, block
    after block), columns ({name: values}; of two variables of the same
    name the first is kept here, every one in variables). nt[name] is
    nt.columns[name]."""

    kind = "column-wise ntuple"
    directory = None

    @classmethod
    def _from_core(cls, d):
        n = cls()
        for name in ("id", "title", "kbits", "entries", "blocks"):
            setattr(n, name, d[name])
        n.variables = [Variable(c, n.entries) for c in d["columns"]]
        n.columns = {}
        for v in n.variables:
            n.columns.setdefault(v.name, v.values)
        return n

    def keys(self):
        return self.columns.keys()

    def __contains__(self, name):
        return name in self.columns

    def __getitem__(self, name):
        try:
            return self.columns[name]
        except KeyError:
            raise KeyError(f"column-wise ntuple {self.id}: no variable {name!r}") from None

    def __repr__(self):
        return (f"<ColumnNtuple {self.id} {self.title!r}: {len(self.variables)} variables x {self.entries} rows, "
                f"blocks {', '.join(self.blocks)}>")
