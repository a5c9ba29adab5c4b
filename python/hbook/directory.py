"""Directory: one directory of an HBOOK file and its objects."""


class Directory:
    """path ("/" for the top directory, "/AA/BB" below it), subdirectories
    (their names, in file order) and the objects in key order. d[id] is the
    first object with that id; iterating gives every object."""

    def __init__(self, path, subdirectories, objects):
        self.path = path
        self.subdirectories = list(subdirectories)
        self.objects = list(objects)

    def subdirectory_paths(self):
        """The full paths of the subdirectories, for File.directory()."""
        return [("" if self.path == "/" else self.path) + "/" + name for name in self.subdirectories]

    def __iter__(self):
        return iter(list(self.objects))

    def __len__(self):
        return len(self.objects)

    def _find(self, id):
        for o in self.objects:
            if o.id == id:
                return o
        return None

    def __contains__(self, id):
        return self._find(id) is not None

    def __getitem__(self, id):
        o = self._find(id)
        if o is None:
            raise KeyError(f"no object with id {id} in directory {self.path}")
        return o

    def ids(self):
        return [o.id for o in self.objects]

    def histograms(self):
        """The 1-D histograms, in key order."""
        return [o for o in self.objects if o.kind == "1-D histogram"]

    def __repr__(self):
        sub = len(self.subdirectories)
        subs = f", {sub} subdirector{'ies' if sub != 1 else 'y'}" if sub else ""
        return f"<hbook.Directory {self.path!r}: {counts(self.objects)}{subs}>"


def counts(objects):
    """'50 1-D histograms, 1 2-D histogram', or 'empty'."""
    kinds = {}
    for o in objects:
        kinds[o.kind] = kinds.get(o.kind, 0) + 1
    return ", ".join(f"{n} {k}{'s' if n != 1 else ''}" for k, n in kinds.items()) or "empty"
