"""Opening and writing HBOOK files."""
import errno
import os

from . import _core
from .h1 import H1

# The kinds of object the reader returns: the field of its result and the
# Python class built from each element. A new kind of object (2-D
# histogram, profile, ntuple) is one more line here and one more class.
_KINDS = (
    ("histograms", H1),
)


class File:
    """The objects of an HBOOK file, read at once; keyed by id, in file order."""

    def __init__(self, path):
        self.path = os.fspath(path)
        result = _core.read_file(self.path)
        self.record_words = result.record_words
        self.skipped = [s.note for s in result.skipped]
        self._objects = {}
        for field, kind in _KINDS:
            for c in getattr(result, field):
                self._objects[c.id] = kind._from_core(c)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    def close(self):
        """Forget the objects; the file itself was closed after reading."""
        self._objects = {}

    def __iter__(self):
        return iter(list(self._objects.values()))

    def __len__(self):
        return len(self._objects)

    def __contains__(self, id):
        return id in self._objects

    def __getitem__(self, id):
        try:
            return self._objects[id]
        except KeyError:
            raise KeyError(f"{self.path}: no object with id {id}") from None

    def ids(self):
        return list(self._objects)

    def histograms(self):
        """The 1-D histograms, in file order."""
        return [o for o in self._objects.values() if isinstance(o, H1)]

    def __repr__(self):
        kinds = {}
        for o in self._objects.values():
            kinds[o.kind] = kinds.get(o.kind, 0) + 1
        counts = ", ".join(f"{n} {k}{'s' if n != 1 else ''}" for k, n in kinds.items()) or "empty"
        skipped = f", {len(self.skipped)} skipped" if self.skipped else ""
        return f"<hbook.File {self.path!r}: {counts}{skipped}>"


def open(path):
    """Read an HBOOK file; raises FileError (an OSError) naming the problem."""
    return File(path)


def write(path, objects):
    """Write the objects to a new file, as the package's HRPUT(0, path, 'N')
    does. An existing file is never replaced: FileExistsError."""
    path = os.fspath(path)
    objects = list(objects)
    for o in objects:
        if not hasattr(o, "_to_core"):
            raise TypeError(f"cannot write {o!r} to an HBOOK file")
    ids = [o.id for o in objects]
    if len(set(ids)) != len(ids):
        raise ValueError(f"{path}: the same id twice among {ids}")
    if not _core.write_file(path, [o._to_core() for o in objects]):
        raise FileExistsError(errno.EEXIST, "will not overwrite an existing file", path)
