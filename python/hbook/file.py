"""Opening and writing HBOOK files: every object kind, every directory."""
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
        self.top_directory = result.get("top_directory") or "HRPUT"
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


# The reader's name of each object kind, by class.
_NAMES = {cls: name for name, cls in _KINDS.items()}


def _parent(path):
    head = path.rpartition("/")[0]
    return head or "/"


def write(path, objects, *, record_words=1024, top_directory=None):
    """Write objects to a new file, as the package writes them.

    objects: H1, H2, Profile, RowNtuple and ColumnNtuple objects go into the
    top directory, in the order given; a Directory puts its objects into the
    directory of its path ("/" the top one, "/AA/BB" below it; the
    directories above it and the subdirectories it lists are made too); a
    File gives every directory of it (hbook.write(out, hbook.open(f)) copies
    a file). Subdirectory names are stored upper-case, as the package's HMDIR
    stores them. record_words: 1024 as HRPUT writes, up to 8191;
    top_directory: the top directory's name (default HRPUT, or a File's own).
    An existing file is never replaced: FileExistsError. Objects the file
    cannot hold raise FileError or ValueError naming them."""
    path = os.fspath(path)
    directories = {}

    def directory(p):
        if p not in directories:
            directories[p] = {"path": p, "subdirectories": [], "objects": []}
            if p != "/":
                parent = directory(_parent(p))
                name = p.rpartition("/")[2]
                if name not in parent["subdirectories"]:
                    parent["subdirectories"].append(name)
        return directories[p]

    def add(d, o):
        kind = _NAMES.get(type(o))
        if kind is None:
            raise TypeError(f"cannot write {o!r} to an HBOOK file: H1, H2, Profile, RowNtuple, ColumnNtuple, "
                            "Directory or File objects are written")
        ids = d.setdefault("_ids", set())
        if o.id in ids:
            where = "" if d["path"] == "/" else f" in directory {d['path']}"
            raise ValueError(f"{path}: the same id twice: {o.id}{where}")
        ids.add(o.id)
        d["objects"].append((kind, o._to_core()))

    directory("/")
    for o in (objects.directories if isinstance(objects, File) else objects):
        if isinstance(o, File):
            top_directory = top_directory or o.top_directory
            for d in o.directories:
                _add_directory(directory, add, d)
        elif isinstance(o, Directory):
            _add_directory(directory, add, o)
        else:
            add(directory("/"), o)
    if isinstance(objects, File):
        top_directory = top_directory or objects.top_directory
    listed = [{k: v for k, v in d.items() if k != "_ids"} for d in directories.values()]
    if not _core.write_objects(path, listed, record_words, top_directory or "HRPUT"):
        raise FileExistsError(errno.EEXIST, "will not overwrite an existing file", path)


def _add_directory(directory, add, d):
    if not d.path.startswith("/"):
        raise ValueError(f"a directory's path begins with /: {d.path!r}")
    target = directory(d.path.rstrip("/") or "/")
    for name in d.subdirectories:
        directory(("" if target["path"] == "/" else target["path"]) + "/" + name)
    for o in d.objects:
        add(target, o)
