"""Every object of an HBOOK file as HDF5 (h5py) or numpy's npz, and
`hbook export`.

    hbook export FILE OUT.h5 [--force]      (or OUT.npz; also hbook-export, python3 -m hbook.export)

    from hbook import export
    export.to_hdf5(hbook.open("h5.hbook"), "h5.h5")

The HDF5 file follows the NeXus conventions: the root group (NX_class
NXroot, default "hbook") holds the NXentry "hbook", the top directory of the
HBOOK file; each subdirectory is an NXcollection group inside its parent,
/hbook/AA/BB for the directory /AA/BB. In a directory's group each object is
a group named after its kind and id:

  h<ID>   1-D histogram, NXdata: signal "data" (float32, the in-range
          contents), "errors" (sqrt of the stored sums of squared weights,
          else sqrt N), "x" (the nx + 1 bin edges, float32, as HBOOK stores
          them), "sumw2" when stored; attributes signal, axes ["x"], title,
          id, entries, underflow, overflow.
  h<ID>   2-D histogram, NXdata: "data" indexed [ix, iy] (x first, as
          numpy.histogram2d returns it), "errors", "x" and "y" edges, axes
          ["x", "y"], "cells" the (ny + 2, nx + 2) cells with the ring of
          under- and overflows as HBOOK holds them [iy, ix], "sumw2" when
          stored, and the booked projections, slices and bands as datasets
          of their channels in the group "projections".
  p<ID>   profile, NXdata: "data" the bin means, "errors" as HBOOK's HIE,
          "x" edges, "sum_w", "sum_wy", "sum_wy2"; attribute error_option.
  nt<ID>  row-wise ntuple, NXcollection: one float32 dataset per variable.
  nt<ID>  column-wise ntuple, NXcollection: a group per block, a dataset per
          variable of its own type (CHARACTER as fixed-length byte strings);
          a variable-length array is a group of "values", "offsets" and
          "counts".
Every array is the Python package's own array, of the file's precision:
read back, it equals the package's bit for bit. The run's histograms carry
the catalogue's axis label as the long_name of "x".

npz holds the same arrays under the same paths without the leading slash
("hbook/h3005/data", "hbook/AA/BB/h3/x"), and the attributes as 0-d arrays
under "PATH/@NAME" ("hbook/h3005/@title"). An existing output is never
replaced unless --force is given.
"""
import argparse
import os
import sys

import numpy as np

from . import ColumnNtuple, FileError, H1, H2, Jagged, Profile, RowNtuple, open as open_file

ENTRY = "hbook"
PREFIX = {H1: "h", H2: "h", Profile: "p", RowNtuple: "nt", ColumnNtuple: "nt"}


class ExportError(ValueError):
    """A file that cannot be written as asked."""


class _Tree:
    """Groups, datasets and attributes by path, written to HDF5 or npz at the end."""

    def __init__(self):
        self.groups = {}      # path -> {attribute: value}
        self.datasets = {}    # path -> (array, {attribute: value})

    def group(self, path, **attributes):
        if path in self.datasets or path in self.groups:
            raise ExportError(f"two objects would be written as {path}")
        self.groups[path] = attributes

    def dataset(self, path, array, **attributes):
        if path in self.datasets or path in self.groups:
            raise ExportError(f"two objects would be written as {path}")
        self.datasets[path] = (array, attributes)


def _label(h, run_file):
    if run_file is None:
        return None
    labels = run_file.axis_labels(h, True)
    return labels[0] if labels else None


def _add_h1(tree, path, h, label):
    tree.group(path, NX_class="NXdata", signal="data", axes=["x"], x_indices=0, title=h.title, id=h.id,
               kind=h.kind, entries=h.entries, underflow=h.underflow, overflow=h.overflow)
    tree.dataset(f"{path}/data", h.contents, long_name=h.title)
    tree.dataset(f"{path}/errors", h.errors)
    tree.dataset(f"{path}/x", h.edges, **({"long_name": label} if label else {}))
    if h.sumw2 is not None:
        tree.dataset(f"{path}/sumw2", h.sumw2)


def _labels_2d(h, run_file):
    if run_file is None:
        return {}, {}
    x = _label(h, run_file)
    y = run_file.y_label(h, True)
    return ({"long_name": x} if x else {}), ({"long_name": y} if y else {})


def _add_h2(tree, path, h, labels=({}, {})):
    tree.group(path, NX_class="NXdata", signal="data", axes=["x", "y"], x_indices=0, y_indices=1, title=h.title,
               id=h.id, kind=h.kind, entries=h.entries)
    tree.dataset(f"{path}/data", np.ascontiguousarray(h.contents.T), long_name=h.title)
    tree.dataset(f"{path}/errors", np.ascontiguousarray(h.errors.T))
    tree.dataset(f"{path}/x", h.xedges, **labels[0])
    tree.dataset(f"{path}/y", h.yedges, **labels[1])
    tree.dataset(f"{path}/cells", h.cells)
    if h.sumw2 is not None:
        tree.dataset(f"{path}/sumw2", np.ascontiguousarray(h.sumw2.T))
    projections = [p for p in (h.projection_x, h.projection_y) if p is not None]
    projections += list(h.slices_x) + list(h.slices_y) + list(h.bands_x) + list(getattr(h, "bands_y", []))
    if projections:
        tree.group(f"{path}/projections", NX_class="NXcollection")
        for p in projections:
            extra = {} if p.low is None else {"low": p.low, "high": p.high}
            tree.dataset(f"{path}/projections/{p.name.strip()}", p.channels, entries=p.entries, **extra)


def _add_profile(tree, path, p):
    tree.group(path, NX_class="NXdata", signal="data", axes=["x"], x_indices=0, title=p.title, id=p.id,
               kind=p.kind, entries=p.entries, error_option=p.error_option, ymin=p.ymin, ymax=p.ymax)
    tree.dataset(f"{path}/data", p.means, long_name=p.title)
    tree.dataset(f"{path}/errors", p.errors)
    tree.dataset(f"{path}/x", p.edges)
    for name in ("sum_w", "sum_wy", "sum_wy2"):
        tree.dataset(f"{path}/{name}", getattr(p, name))


def _characters(values):
    """CHARACTER values (str, one character per byte) as fixed-length bytes."""
    return np.array([v.encode("latin-1") for v in np.asarray(values).ravel()]).reshape(np.shape(values)) \
        if np.size(values) else np.zeros(np.shape(values), dtype="S1")


def _add_rwn(tree, path, n):
    tree.group(path, NX_class="NXcollection", title=n.title, id=n.id, kind=n.kind, entries=n.entries,
               tags=list(n.tags))
    for v, tag in enumerate(n.tags):
        tree.dataset(f"{path}/{_safe(tag)}", np.ascontiguousarray(n.values[:, v]))


def _add_cwn(tree, path, n):
    tree.group(path, NX_class="NXcollection", title=n.title, id=n.id, kind=n.kind, entries=n.entries,
               blocks=list(n.blocks))
    for block in n.blocks:
        tree.group(f"{path}/{_safe(block)}", NX_class="NXcollection")
    for v in n.variables:
        where = f"{path}/{_safe(v.block)}/{_safe(v.name)}"
        attributes = {"type": v.type, "declaration": v.declaration()}
        values = v.values
        if isinstance(values, Jagged):
            tree.group(where, NX_class="NXcollection", **attributes)
            flat = _characters(values.values) if v.type == "C" else values.values
            tree.dataset(f"{where}/values", flat)
            tree.dataset(f"{where}/offsets", values.offsets)
            tree.dataset(f"{where}/counts", values.counts)
        else:
            tree.dataset(where, _characters(values) if v.type == "C" else values, **attributes)


def _safe(name):
    name = str(name).strip()
    if not name or "/" in name or name in (".", ".."):
        raise ExportError(f"{name!r} cannot name an HDF5 group or dataset")
    return name


def tree(f):
    """The groups and datasets of every object of every directory of File f."""
    try:
        from tarnreport import catalogue
        run_file = catalogue if catalogue.is_run_file(list(f)) else None
    except ImportError:
        run_file = None
    t = _Tree()
    t.groups["/"] = {"NX_class": "NXroot", "default": ENTRY, "file_name": os.path.basename(f.path),
                     "creator": "hbook export"}
    for d in f.directories:
        base = "/" + ENTRY + "".join("/" + _safe(p) for p in d.path.split("/") if p)
        t.group(base, NX_class="NXentry" if d.path == "/" else "NXcollection", hbook_directory=d.path)
        seen = {}
        for o in d:
            name = f"{PREFIX[type(o)]}{o.id}"
            seen[name] = seen.get(name, 0) + 1
            if seen[name] > 1:
                name += f"_cycle{seen[name]}"  # an id repeated in one directory (cycles): each kept
            path = f"{base}/{name}"
            if isinstance(o, H1):
                _add_h1(t, path, o, _label(o, run_file))
            elif isinstance(o, H2):
                _add_h2(t, path, o, _labels_2d(o, run_file))
            elif isinstance(o, Profile):
                _add_profile(t, path, o)
            elif isinstance(o, RowNtuple):
                _add_rwn(t, path, o)
            else:
                _add_cwn(t, path, o)
    return t


def _attribute(value):
    if isinstance(value, list):
        return np.array([str(v) for v in value]) if value and isinstance(value[0], str) else np.array(value)
    return value


def to_hdf5(f, out):
    """Writes File f to the HDF5 file `out` (replacing it)."""
    import h5py

    def _attribute(value):  # lists of text as HDF5 variable-length strings
        if isinstance(value, list) and value and isinstance(value[0], str):
            return np.array(value, dtype=h5py.string_dtype())
        return np.array(value) if isinstance(value, list) else value
    t = tree(f)
    with h5py.File(out, "w") as h5:
        for path in sorted(t.groups, key=lambda p: p.count("/") if p != "/" else 0):
            group = h5 if path == "/" else h5.require_group(path)
            for key, value in t.groups[path].items():
                group.attrs[key] = _attribute(value)
        for path, (array, attributes) in t.datasets.items():
            dataset = h5.create_dataset(path, data=array)
            for key, value in attributes.items():
                dataset.attrs[key] = _attribute(value)


def to_npz(f, out):
    """Writes File f to numpy's npz file `out` (replacing it)."""
    t = tree(f)
    arrays = {}
    for path, attributes in t.groups.items():
        prefix = path.strip("/")
        for key, value in attributes.items():
            arrays[f"{prefix}/@{key}" if prefix else f"@{key}"] = np.array(_attribute(value))
    for path, (array, attributes) in t.datasets.items():
        arrays[path.lstrip("/")] = np.asarray(array)
        for key, value in attributes.items():
            arrays[f"{path.lstrip('/')}/@{key}"] = np.array(_attribute(value))
    with open(out, "wb") as stream:
        np.savez(stream, **arrays)


FORMATS = {".h5": to_hdf5, ".hdf5": to_hdf5, ".nxs": to_hdf5, ".npz": to_npz}


def main(argv=None):
    parser = argparse.ArgumentParser(prog="hbook export",
                                     description="Every object of an HBOOK file into HDF5 (NeXus NXdata) or npz.")
    parser.add_argument("file", metavar="FILE")
    parser.add_argument("output", metavar="OUT.h5|OUT.npz")
    parser.add_argument("--force", action="store_true", help="replace OUT if it exists")
    args = parser.parse_args(argv)
    if os.path.splitext(args.output)[1].lower() != ".npz":
        from .command import needs
        needs("h5py", "python3-h5py")
    writer = FORMATS.get(os.path.splitext(args.output)[1].lower())
    if writer is None:
        parser.error(f"{args.output}: the output must end in {', '.join(FORMATS)}")
    if os.path.exists(args.output) and not args.force:
        print(f"hbook export: {args.output} exists; give --force to replace it", file=sys.stderr)
        return 1
    folder = os.path.dirname(os.path.abspath(args.output))
    if not os.path.isdir(folder):
        print(f"hbook export: cannot write {args.output}: the folder {folder} does not exist", file=sys.stderr)
        return 1
    try:
        f = open_file(args.file)
        partial = args.output + ".part"
        writer(f, partial)
        os.replace(partial, args.output)
    except (FileError, OSError, ExportError) as e:
        print(f"hbook export: {e}", file=sys.stderr)
        return 1
    finally:
        # Only a file this export began is removed; anything else of that name stays.
        if "partial" in locals() and os.path.isfile(partial):
            os.remove(partial)
    counted = len(f)
    print(f"{args.output}: {counted} object{'s' if counted != 1 else ''} from {len(f.directories)} "
          f"director{'ies' if len(f.directories) != 1 else 'y'} of {args.file}")
    return 0


if __name__ == "__main__":
    from .command import run
    run(main)
