"""Opening HBOOK files (every object kind, every directory) and writing 1-D
histograms."""
import errno
import numbers
import os

from . import _core
from .cwn import ColumnNtuple
from .directory import Directory, counts
from .h1 import H1
from .h2 import H2
from .profile import Profile
from .rwn import RowNtuple

# The reader's name of each object kind and the Python class built from it.
_KINDS = {"1D": H1, "2D": H2, "PROFILE": Profile, "RWN": RowNtuple, "CWN": ColumnNtuple}


def address(key):
    """(directory, id) of an object named as the hbook tool names it: ID for
    the top directory, /ID or /DIR/SUB/ID."""
    if isinstance(key, numbers.Integral):
        return "/", int(key)
    if not isinstance(key, str):
        raise TypeError(f"an object is named by its id or by a path /DIR/ID, not {key!r}")
    directory, slash, id = key.rpartition("/")
    if slash and not key.startswith("/"):
        raise KeyError(f"an object in a subdirectory is named /DIR/ID: {key}")
    try:
        return directory or "/", int(id)
    except ValueError:
        raise KeyError(f"not an object id: {id!r} (an object is named ID or /DIR/ID)") from None


class File:
    """Every object of an HBOOK file, read at once.

    f[id] is an object of the top directory, f["/DIR/SUB/ID"] one of any
    directory; f.directory("/DIR/SUB") a Directory. Iterating gives every
    object of every directory, the top one first, then breadth first (as
    `hbook ls` lists them); each object's `directory` is its path."""

    def __init__(self, path):
        self.path = os.fspath(path)
        result = _core.read_objects(self.path)
        self.record_words = result["record_words"]
        self.skipped = list(result["skipped"])
        self.directories = []
        for d in result["directories"]:
            objects = []
            for kind, core in d["objects"]:
                o = _KINDS[kind]._from_core(core)
                o.directory = d["path"]
                objects.append(o)
            self.directories.append(Directory(d["path"], d["subdirectories"], objects))
        if not self.directories:
            self.directories.append(Directory("/", [], []))

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    def close(self):
        """Forget the objects; the file itself was closed after reading."""
        self.directories = [Directory("/", [], [])]

    @property
    def top(self):
        return self.directories[0]

    def directory(self, path):
        for d in self.directories:
            if d.path == path:
                return d
        raise KeyError(f"{self.path}: no directory {path}")

    def __iter__(self):
        return iter([o for d in self.directories for o in d.objects])

    def __len__(self):
        return sum(len(d) for d in self.directories)

    def __contains__(self, key):
        try:
            self[key]
        except (KeyError, TypeError):
            return False
        return True

    def __getitem__(self, key):
        path, id = address(key)
        where = "" if path == "/" else f" in directory {path}"
        d = self.directory(path)
        if id not in d:
            raise KeyError(f"{self.path}: no object with id {id}{where}")
        return d[id]

    def ids(self):
        """The ids of every object, in iteration order (an id may recur in
        different directories)."""
        return [o.id for o in self]

    def paths(self):
        """The name of every object, in iteration order: /ID, /DIR/ID."""
        return [("" if o.directory == "/" else o.directory) + f"/{o.id}" for o in self]

    def histograms(self):
        """The 1-D histograms of the top directory, in key order (what
        hbook.write writes back)."""
        return self.top.histograms()

    def __repr__(self):
        dirs = f", {len(self.directories)} directories" if len(self.directories) > 1 else ""
        skipped = f", {len(self.skipped)} skipped" if self.skipped else ""
        return f"<hbook.File {self.path!r}: {counts(self)}{dirs}{skipped}>"


def open(path):
    """Read an HBOOK file; raises FileError (an OSError) naming the problem."""
    return File(path)


def write(path, objects):
    """Write 1-D histograms (H1) to a new file, as the package's
    HRPUT(0, path, 'N') does: one top directory. The writer writes 1-D
    histograms only: any other object is refused with a TypeError. An
    existing file is never replaced: FileExistsError."""
    path = os.fspath(path)
    objects = list(objects)
    for o in objects:
        if not isinstance(o, H1):
            what = getattr(o, "kind", type(o).__name__)
            raise TypeError(f"cannot write {o!r} to an HBOOK file: the writer writes 1-D histograms (H1) only, "
                            f"not a {what}")
    ids = [o.id for o in objects]
    if len(set(ids)) != len(ids):
        raise ValueError(f"{path}: the same id twice among {ids}")
    if not _core.write_file(path, [o._to_core() for o in objects]):
        raise FileExistsError(errno.EEXIST, "will not overwrite an existing file", path)
