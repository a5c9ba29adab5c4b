"""ColumnNtuple: a column-wise ntuple (HBNT/HBNAME) as numpy columns of
each variable's own type.

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

from . import _core


class Jagged:
    """A variable-length array: row r is values[offsets[r]:offsets[r+1]], the
    elements in Fortran order (first index fastest), as the file stores them.

    values    flat array of every row's elements, in row order
    offsets   int64, entries + 1: where each row starts
    counts    the index variable's value in each row
    j[r]      row r as an array of shape fixed + (counts[r],)
    """

    def __init__(self, name, values, offsets, fixed=(), index=None):
        self.name = name
        self.values = values
        self.offsets = np.asarray(offsets, dtype=np.int64)
        self.fixed = tuple(fixed)
        self.index = index  # the name of the index variable giving each row's count

    @classmethod
    def from_rows(cls, name, rows, dtype=None, index=None):
        """A Jagged of row arrays: each row (fixed + (count,)), elements
        stored first index fastest."""
        rows = [np.asarray(r, dtype=dtype) for r in rows]
        fixed = rows[0].shape[:-1] if rows else ()
        if any(r.shape[:-1] != fixed for r in rows):
            raise ValueError(f"{name}: rows of differing fixed dimensions")
        flat = [r.flatten(order="F") for r in rows]
        offsets = np.cumsum([0] + [len(f) for f in flat])
        values = np.concatenate(flat) if flat else np.zeros(0, dtype=dtype or np.float32)
        return cls(name, values, offsets, fixed, index)

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

    @classmethod
    def _declared(cls, c):
        """A variable to write: a declaration from declare_block and its values."""
        v = cls.__new__(cls)
        for name in ("name", "block", "type", "size", "nbits", "index", "is_index", "range"):
            setattr(v, name, c[name])
        v.dims = tuple(c["dims"])
        v.values = c["values"]
        return v

    def __init__(self, d, entries):
        for name in ("name", "block", "type", "size", "nbits", "index", "is_index", "range"):
            setattr(self, name, d[name])
        self.dims = tuple(d["dims"])
        values = d["values"]
        if self.type == "C":
            values = np.array(values, dtype=object).reshape(len(values))
        if self.index is not None:
            self.values = Jagged(self.name, values, d["offsets"], self.dims[:-1], self.index)
        elif self.dims:
            # Each row's block in Fortran order, read as a C array of the
            # reversed shape and turned back to the declared order.
            k = len(self.dims)
            self.values = values.reshape((entries,) + self.dims[::-1]).transpose((0,) + tuple(range(k, 0, -1)))
        else:
            self.values = values

    def _to_core(self):
        """The dict the writer takes: the values in row order, an array's
        elements first index fastest."""
        values = self.values
        if isinstance(values, Jagged):
            values = values.values
        elif self.dims:
            k = len(self.dims)
            values = np.asarray(values).transpose((0,) + tuple(range(k, 0, -1))).reshape(-1)
        dtype = {"R": np.float64 if self.size == 8 else np.float32, "I": np.int32, "U": np.uint32, "L": np.uint8}
        if self.type == "C":
            values = [str(v) for v in np.asarray(values, dtype=object).reshape(-1)]
        else:
            values = np.ascontiguousarray(np.asarray(values).reshape(-1).astype(dtype[self.type]))
        return {"name": self.name, "block": self.block, "type": self.type, "size": self.size, "nbits": self.nbits,
                "dims": list(self.dims), "index": self.index, "is_index": self.is_index,
                "range": None if self.range is None else tuple(self.range), "values": values}

    def record_type(self):
        """Its field in to_records(): (name, dtype[, shape])."""
        if self.index is not None:
            return (self.name, object)
        dtype = {"R": np.float64 if self.size == 8 else np.float32, "I": np.int32, "U": np.uint32, "L": np.bool_,
                 "C": f"U{self.size}"}[self.type]
        return (self.name, dtype, self.dims) if self.dims else (self.name, dtype)

    def declaration(self):
        """As HBNAME's form writes it: x(3), x(n), x(2,n), x:R*8."""
        shape = ""
        if self.dims:
            shape = "(" + ",".join(str(d) if d > 0 else self.index for d in self.dims) + ")"
        return f"{self.name}{shape}:{self.type}*{self.size}"

    def __repr__(self):
        return f"<Variable {self.declaration()} in block {self.block}>"


def _form(name, values, rng, bits, index):
    """HBNAME's declaration of one variable, from its values."""
    if isinstance(values, Jagged):
        dims = values.fixed + (index,)
        sample = values.values
    else:
        sample = np.asarray(values)
        dims = sample.shape[1:]
    shape = f"({','.join(str(d) for d in dims)})" if dims else ""
    kind = sample.dtype.kind
    if kind in "USO":
        longest = max((len(str(v)) for v in np.asarray(sample, dtype=object).reshape(-1)), default=0)
        type = f"C*{max(4, -(-longest // 4) * 4)}"
    elif kind == "b":
        type = "L"
    elif kind == "f":
        type = "R*8" if sample.dtype.itemsize == 8 else "R"
    elif kind == "u":
        type = "U"
    elif kind == "i":
        type = "I"
    else:
        raise TypeError(f"variable {name}: values of type {sample.dtype} cannot be stored")
    declared = f"{name}{shape}"
    if rng is not None:
        declared += f"[{rng[0]!r},{rng[1]!r}]" if kind == "f" else f"[{int(rng[0])},{int(rng[1])}]"
    declared += f":{type}"
    if bits is not None:
        declared += f":{int(bits)}"
    return declared


class ColumnNtuple:
    """entries, blocks (names, in order), variables (list of Variable, block
    after block), columns ({name: values}; of two variables of the same
    name the first is kept here, every one in variables). nt[name] is
    nt.columns[name]; len(nt) the rows; iterating gives each row as a record
    of nt.to_records().

    ColumnNtuple(id, title, {name: values, ...}) makes one to write, in one
    block (`block`), each variable's type from its numpy dtype: float32
    REAL, float64 REAL*8, signed integers INTEGER, unsigned U, bool LOGICAL,
    str CHARACTER*4n. An array of shape (entries, d1, ...) is a fixed array
    X(d1, ...); a Jagged a variable-length array whose last dimension is its
    index variable (Jagged.index, or "n" + its name), made from the row
    counts when not given. ranges={name: (low, high)} and bits={name: n}
    pack values as HBNAME does (an INTEGER with a range in the fewest bits,
    a REAL with a range needs bits).
    """

    kind = "column-wise ntuple"
    directory = None

    def __init__(self, id, title, columns, *, block="DATA", ranges=None, bits=None):
        self.id, self.title, self.kbits, self.buffer_words = int(id), str(title), 8, 0
        ranges, bits = dict(ranges or {}), dict(bits or {})
        values = {}
        forms = []
        entries = None
        for name, v in columns.items():
            if not isinstance(v, Jagged):
                v = np.asarray(v)
                if v.dtype.kind in "US":
                    v = v.astype(object)
                rows = len(v)
            else:
                rows = len(v)
                index = v.index or "n" + name
                counts = v.counts
                if index in values:
                    if not np.array_equal(np.asarray(values[index]), counts):
                        raise ValueError(f"column-wise ntuple {self.id}: {index} does not count the elements of {name}")
                else:
                    values[index] = counts.astype(np.int32)
                    forms.append(_form(index, values[index], ranges.get(index, (0, int(counts.max(initial=0)))), None, None))
                v = Jagged(name, v.values, v.offsets, v.fixed, index)
            if entries is not None and rows != entries:
                raise ValueError(f"column-wise ntuple {self.id}: {name} has {rows} rows, {entries} expected")
            entries = rows
            values[name] = v
            forms.append(_form(name, v, ranges.get(name), bits.get(name), getattr(v, "index", None)))
        self.entries = entries or 0
        self.blocks = [block]
        self.variables = []
        for c in _core.declare_block(self.id, block, ", ".join(forms)):
            c["values"] = values[c["name"]]
            self.variables.append(Variable._declared(c))
        self._columns()

    def _columns(self):
        self.columns = {}
        for v in self.variables:
            self.columns.setdefault(v.name, v.values)

    @classmethod
    def _from_core(cls, d):
        n = cls.__new__(cls)
        for name in ("id", "title", "kbits", "entries", "blocks"):
            setattr(n, name, d[name])
        n.buffer_words = d.get("buffer_words", 0)
        n.variables = [Variable(c, n.entries) for c in d["columns"]]
        n._columns()
        return n

    def _to_core(self):
        return {"id": self.id, "title": self.title, "kbits": self.kbits, "entries": self.entries,
                "buffer_words": self.buffer_words, "blocks": self.blocks,
                "columns": [v._to_core() for v in self.variables]}

    def __len__(self):
        return self.entries

    def __iter__(self):
        return iter(self.to_records())

    def to_records(self):
        """A numpy structured array, one field per variable: scalars and fixed
        arrays (a field of shape (d1, ...)) in their own dtype, CHARACTER as
        str, variable-length arrays as objects (each row's array). numpy
        refuses repeated names with a ValueError."""
        records = np.zeros(self.entries, dtype=[v.record_type() for v in self.variables])
        for v in self.variables:
            if isinstance(v.values, Jagged):
                column = np.empty(self.entries, dtype=object)
                for r, row in enumerate(v.values):
                    column[r] = row
                records[v.name] = column
            else:
                records[v.name] = v.values
        return records

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
