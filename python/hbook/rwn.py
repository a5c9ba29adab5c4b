"""RowNtuple: a row-wise ntuple (HBOOKN) read from an HBOOK file: REAL
values, one row per entry, one column per tagged variable. Read only."""
import numpy as np


class RowNtuple:
    """values     float32 (entries, nvar), row r, variable v at [r, v]
    tags       the variables' tags, in order
    columns    {tag: float32 column} (views of values); of two variables
               with the same tag the first is kept here, every one in values
    minimum, maximum   float32 per variable, as the file stores them
    nt[tag] is nt.columns[tag]; nt.to_records() a numpy structured array.
    """

    kind = "row-wise ntuple"
    directory = None

    @classmethod
    def _from_core(cls, d):
        n = cls()
        for name in ("id", "title", "kbits", "entries", "buffer_words", "tags", "minimum", "maximum", "values"):
            setattr(n, name, d[name])
        n.columns = {}
        for v, tag in enumerate(n.tags):
            n.columns.setdefault(tag, n.values[:, v])
        return n

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

    def to_records(self):
        """A numpy structured array, one float32 field per tag (numpy refuses
        repeated tags with a ValueError)."""
        dtype = np.dtype([(tag, np.float32) for tag in self.tags])
        return np.ascontiguousarray(self.values).view(dtype).reshape(self.entries)

    def __repr__(self):
        return f"<RowNtuple {self.id} {self.title!r}: {self.nvar} variables x {self.entries} rows>"
