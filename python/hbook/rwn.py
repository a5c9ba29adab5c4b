"""RowNtuple: a row-wise ntuple (HBOOKN): REAL values, one row per entry,
one column per tagged variable."""
import numpy as np

NO_MINIMUM = np.float32(1e31)  # what the package stores as the limits of a variable without rows


class RowNtuple:
    """values     float32 (entries, nvar), row r, variable v at [r, v]
    tags       the variables' tags, in order
    columns    {tag: float32 column} (views of values); of two variables
               with the same tag the first is kept here, every one in values
    minimum, maximum   float32 per variable, as the file stores them
    nt[tag] is nt.columns[tag]; len(nt) the rows; iterating gives each row
    as a record of nt.to_records(), a numpy structured array.

    RowNtuple(id, title, {tag: values, ...}) makes one to write (tags of at
    most 8 characters); in_memory=True writes it as a memory-resident
    ntuple (every buffer in its header), else with its buffers as keys of
    their own, as an ntuple booked on a disk directory is written.
    """

    kind = "row-wise ntuple"
    directory = None

    def __init__(self, id, title, columns=None, *, tags=None, values=None, buffer_words=0, in_memory=False):
        self.id, self.title, self.kbits = int(id), str(title), 8
        if columns is not None:
            if tags is not None or values is not None:
                raise ValueError(f"row-wise ntuple {self.id}: give columns, or tags and values")
            tags = list(columns)
            arrays = [np.asarray(columns[t], dtype=np.float32) for t in tags]
            lengths = {a.shape for a in arrays}
            if len(lengths) > 1 or any(a.ndim != 1 for a in arrays):
                raise ValueError(f"row-wise ntuple {self.id}: columns of shapes {sorted(lengths)}, one length expected")
            values = np.stack(arrays, axis=1) if arrays else np.zeros((0, 0), dtype=np.float32)
        self.tags = [str(t) for t in (tags or [])]
        if not self.tags:
            raise ValueError(f"row-wise ntuple {self.id}: no variables")
        self.values = np.array(values if values is not None else np.zeros((0, len(self.tags))), dtype=np.float32)
        if self.values.ndim != 2 or self.values.shape[1] != len(self.tags):
            raise ValueError(f"row-wise ntuple {self.id}: values of shape {self.values.shape} for {len(self.tags)} tags")
        self.entries = len(self.values)
        self.buffer_words, self.in_memory = int(buffer_words), bool(in_memory)
        if self.entries:
            self.minimum, self.maximum = self.values.min(axis=0), self.values.max(axis=0)
        else:
            self.minimum = np.full(len(self.tags), NO_MINIMUM, dtype=np.float32)
            self.maximum = -self.minimum
        self._columns()

    def _columns(self):
        self.columns = {}
        for v, tag in enumerate(self.tags):
            self.columns.setdefault(tag, self.values[:, v])

    @classmethod
    def _from_core(cls, d):
        n = cls.__new__(cls)
        for name in ("id", "title", "kbits", "entries", "buffer_words", "tags", "minimum", "maximum", "values"):
            setattr(n, name, d[name])
        n.in_memory = d.get("in_memory", False)
        n._columns()
        return n

    def _to_core(self):
        return {"id": self.id, "title": self.title, "kbits": self.kbits, "entries": self.entries,
                "buffer_words": self.buffer_words, "in_memory": self.in_memory, "tags": self.tags,
                "minimum": self.minimum, "maximum": self.maximum, "values": np.ascontiguousarray(self.values)}

    @property
    def nvar(self):
        return len(self.tags)

    def keys(self):
        return self.columns.keys()

    def __contains__(self, tag):
        return tag in self.columns

    def __getitem__(self, tag):
        try:
            return self.columns[tag]
        except KeyError:
            raise KeyError(f"row-wise ntuple {self.id}: no variable {tag!r} (tags {', '.join(self.tags)})") from None

    def __len__(self):
        return self.entries

    def __iter__(self):
        return iter(self.to_records())

    def to_records(self):
        """A numpy structured array, one float32 field per tag (numpy refuses
        repeated tags with a ValueError)."""
        dtype = np.dtype([(tag, np.float32) for tag in self.tags])
        return np.ascontiguousarray(self.values).view(dtype).reshape(self.entries)

    def __repr__(self):
        return f"<RowNtuple {self.id} {self.title!r}: {self.nvar} variables x {self.entries} rows>"
