"""hbook export: every object of every directory of the reference files
read back with h5py (and from npz) equal to the Python package's arrays bit
for bit, in the NeXus layout; a run's labels; never replacing a file; the
command through the C++ tool."""
import contextlib
import io
import os
import shutil
import subprocess
import tempfile
import unittest

import h5py
import numpy as np

import hbook
from hbook import export

DATA = os.path.join(os.environ["TARN_TEST_DATA"], "hbook")
FILES = ("golden-run.hbook", "errors.hbook", "pawtut.hbook", "objects/dirs.hbook", "objects/h2.hbook",
         "objects/prof.hbook", "objects/rwn.hbook", "objects/cwn.hbook", "layouts/cycles.hbook",
         "layouts/varbins.hbook", "layouts/bandy.hbook", "layouts/cwnpack.hbook", "layouts/deepdirs.hbook")


def same(test, stored, array, what):
    """Equal as stored: dtype, shape and every byte."""
    array = np.asarray(array)
    test.assertEqual((stored.dtype, stored.shape), (array.dtype, array.shape), what)
    test.assertEqual(np.ascontiguousarray(stored).tobytes(), np.ascontiguousarray(array).tobytes(), what)


def group_path(o):
    base = "/hbook" + ("" if o.directory == "/" else o.directory)
    prefix = {"1-D histogram": "h", "2-D histogram": "h", "profile histogram": "p"}.get(o.kind, "nt")
    return f"{base}/{prefix}{o.id}"


def expected_arrays(o):
    """path below the object's group -> the package's array."""
    if isinstance(o, hbook.H1):
        out = {"data": o.contents, "errors": o.errors, "x": o.edges}
        if o.sumw2 is not None:
            out["sumw2"] = o.sumw2
        return out
    if isinstance(o, hbook.H2):
        out = {"data": o.contents.T, "errors": o.errors.T, "x": o.xedges, "y": o.yedges, "cells": o.cells}
        for p in [q for q in (o.projection_x, o.projection_y) if q] + o.slices_x + o.slices_y + o.bands_x:
            out[f"projections/{p.name.strip()}"] = p.channels
        return out
    if isinstance(o, hbook.Profile):
        return {"data": o.means, "errors": o.errors, "x": o.edges, "sum_w": o.sum_w, "sum_wy": o.sum_wy,
                "sum_wy2": o.sum_wy2}
    if isinstance(o, hbook.RowNtuple):
        return {tag: o.values[:, v] for v, tag in enumerate(o.tags)}
    out = {}
    for v in o.variables:
        where = f"{v.block.strip()}/{v.name.strip()}"
        values = v.values
        if isinstance(values, hbook.Jagged):
            flat = values.values
            out[f"{where}/values"] = export._characters(flat) if v.type == "C" else flat
            out[f"{where}/offsets"] = values.offsets
            out[f"{where}/counts"] = values.counts
        else:
            out[where] = export._characters(values) if v.type == "C" else values
    return out


class Export(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="tarn-export-")
        self.addCleanup(shutil.rmtree, self.dir)

    def test_hdf5_holds_every_object_bit_for_bit(self):
        kinds = set()
        for name in FILES:
            f = hbook.open(os.path.join(DATA, name))
            out = os.path.join(self.dir, os.path.basename(name) + ".h5")
            export.to_hdf5(f, out)
            with h5py.File(out, "r") as h5:
                self.assertEqual(h5.attrs["NX_class"], "NXroot")
                self.assertEqual(h5["hbook"].attrs["NX_class"], "NXentry")
                seen = set()
                for o in f:
                    path = group_path(o)
                    if path in seen:  # the same id again in a directory (cycles)
                        path += "_cycle2"
                    seen.add(path)
                    group = h5[path]
                    kinds.add(o.kind)
                    self.assertEqual(group.attrs["id"], o.id)
                    self.assertEqual(group.attrs["title"], o.title)
                    self.assertEqual(group.attrs["entries"], o.entries)
                    if o.kind in ("1-D histogram", "2-D histogram", "profile histogram"):
                        self.assertEqual(group.attrs["NX_class"], "NXdata")
                        self.assertEqual(group.attrs["signal"], "data")
                        axes = list(group.attrs["axes"])
                        self.assertEqual(axes, ["x", "y"] if o.kind == "2-D histogram" else ["x"])
                        for i, axis in enumerate(axes):  # edges: one more than the bins along the axis
                            self.assertEqual(group[axis].shape[0], group["data"].shape[i] + 1)
                    for key, array in expected_arrays(o).items():
                        same(self, group[key][()], array, f"{name} {path}/{key}")
                for d in f.directories[1:]:
                    self.assertEqual(h5["/hbook" + d.path].attrs["NX_class"], "NXcollection")
        self.assertEqual(len(kinds), 5)

    def test_npz_holds_the_same_arrays_and_attributes(self):
        for name in ("objects/cwn.hbook", "objects/dirs.hbook", "objects/h2.hbook"):
            f = hbook.open(os.path.join(DATA, name))
            out = os.path.join(self.dir, "f.npz")
            export.to_npz(f, out)
            with np.load(out) as z:  # no pickled objects in it
                self.assertEqual(str(z["@NX_class"]), "NXroot")
                for o in f:
                    path = group_path(o).lstrip("/")
                    self.assertEqual(str(z[f"{path}/@title"]), o.title)
                    for key, array in expected_arrays(o).items():
                        same(self, z[f"{path}/{key}"], array, f"{name} {path}/{key}")

    def test_a_run_file_names_its_axes_and_the_command_never_replaces(self):
        run = os.path.join(self.dir, "h1.hbook")
        shutil.copy(os.path.join(DATA, "golden-run.hbook"), run)
        out = os.path.join(self.dir, "run.h5")
        tool = [os.environ["HBOOK_TOOL"], "export"]
        result = subprocess.run(tool + [run, out], capture_output=True, text=True)
        self.assertEqual((result.returncode, result.stdout), (0, f"{out}: 50 objects from 1 directory of {run}\n"),
                         result.stderr)
        with h5py.File(out, "r") as h5:
            self.assertEqual(h5["hbook/h3005/x"].attrs["long_name"], "energy at the detector (meV)")
            self.assertEqual(h5["hbook/h3005/data"].attrs["long_name"], "E (meV) DetB")
        before = os.stat(out).st_mtime_ns
        again = subprocess.run(tool + [run, out], capture_output=True, text=True)
        self.assertEqual(again.returncode, 1)
        self.assertIn("exists; give --force", again.stderr)
        self.assertEqual(os.stat(out).st_mtime_ns, before)
        self.assertEqual(subprocess.run(tool + ["--force", run, out], capture_output=True).returncode, 0)
        for args, status, words in (([run, os.path.join(self.dir, "x.csv")], 2, "must end in"),
                                    ([run, os.path.join(self.dir, "no", "x.h5")], 1, "does not exist"),
                                    ([os.path.join(self.dir, "none.hbook"), os.path.join(self.dir, "y.npz")], 1,
                                     "none.hbook")):
            result = subprocess.run(tool + args, capture_output=True, text=True)
            self.assertEqual(result.returncode, status, args)
            self.assertIn(words, result.stderr)
        self.assertEqual(sorted(os.listdir(self.dir)), ["h1.hbook", "run.h5"])  # nothing half-written left


class Checks(unittest.TestCase):
    """The command's formats and words, names an HDF5 path cannot take, and
    two objects at one path."""

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="tarn-export-")
        self.addCleanup(shutil.rmtree, self.dir)
        self.one = os.path.join(self.dir, "one.hbook")
        hbook.write(self.one, [hbook.H1(3, "t", 2, 0, 1, [1, 2])])

    def export(self, *args):
        out, err = io.StringIO(), io.StringIO()
        with contextlib.redirect_stdout(out), contextlib.redirect_stderr(err):
            try:
                status = export.main(list(args))
            except SystemExit as e:
                status = e.code
        return status, out.getvalue(), err.getvalue()

    def test_every_suffix_in_either_case_and_the_counts_said(self):
        for name in ("a.h5", "a.hdf5", "a.nxs", "b.H5", "c.NXS"):
            out = os.path.join(self.dir, name)
            self.assertEqual(self.export(self.one, out), (0, f"{out}: 1 object from 1 directory of {self.one}\n", ""))
            self.assertTrue(h5py.is_hdf5(out), name)
        for name in ("a.npz", "b.NPZ"):
            out = os.path.join(self.dir, name)
            self.assertEqual(self.export(self.one, out)[0], 0)
            self.assertEqual(np.load(out)["hbook/h3/data"].tolist(), [1.0, 2.0])
        two = os.path.join(self.dir, "two.hbook")
        hbook.write(two, [hbook.H1(1, "", 1, 0, 1), hbook.Directory("/A", [], [hbook.H1(2, "", 1, 0, 1)])])
        out = os.path.join(self.dir, "two.npz")
        self.assertEqual(self.export(two, out)[1], f"{out}: 2 objects from 2 directories of {two}\n")
        dirs = os.path.join(DATA, "objects/dirs.hbook")
        f = hbook.open(dirs)
        out = os.path.join(self.dir, "dirs.npz")
        self.assertEqual(self.export(dirs, out)[1],
                         f"{out}: {len(f)} objects from {len(f.directories)} directories of {dirs}\n")
        status, _, err = self.export(self.one, os.path.join(self.dir, "a.h4"))
        self.assertEqual(status, 2)
        self.assertIn("a.h4: the output must end in .h5, .hdf5, .nxs, .npz", err)
        missing = os.path.join(self.dir, "no")
        self.assertEqual(self.export(self.one, os.path.join(missing, "x.npz")),
                         (1, "", f"hbook export: cannot write {os.path.join(missing, 'x.npz')}: the folder {missing} "
                                 "does not exist\n"))
        out = os.path.join(self.dir, "a.npz")
        self.assertEqual(self.export(self.one, out), (1, "", f"hbook export: {out} exists; give --force to replace it\n"))
        self.assertEqual(self.export("--force", self.one, out)[0], 0)

    def test_a_file_that_cannot_be_read_or_named_leaves_nothing(self):
        missing = os.path.join(self.dir, "none.hbook")
        out = os.path.join(self.dir, "none.npz")
        status, printed, err = self.export(missing, out)
        self.assertEqual((status, printed), (1, ""))
        self.assertTrue(err.startswith(f"hbook export: {missing}: "), err)
        dots = os.path.join(self.dir, "dots.hbook")
        hbook.write(dots, [hbook.Directory("/..", [], [hbook.H1(1, "", 1, 0, 1)])])
        for name in ("dots.npz", "dots.h5"):
            out = os.path.join(self.dir, name)
            self.assertEqual(self.export(dots, out), (1, "", "hbook export: '..' cannot name an HDF5 group or dataset\n"))
            self.assertFalse(os.path.exists(out) or os.path.exists(out + ".part"), name)
        # A folder in the way of the partial file: said with status 1, and left there.
        out = os.path.join(self.dir, "blocked.npz")
        os.mkdir(out + ".part")
        status, printed, err = self.export(self.one, out)
        self.assertEqual((status, printed), (1, ""))
        self.assertTrue(err.startswith("hbook export: ") and "blocked.npz.part" in err, err)
        self.assertTrue(os.path.isdir(out + ".part"))
        self.assertFalse(os.path.exists(out))

    def test_names_and_paths_an_hdf5_file_cannot_take(self):
        for name in ("", "  ", "a/b", ".", ".."):
            with self.assertRaises(export.ExportError) as raised:
                export._safe(name)
            self.assertEqual(str(raised.exception), f"{name.strip()!r} cannot name an HDF5 group or dataset")
        self.assertEqual([export._safe(n) for n in ("...", "a.b", " x ")], ["...", "a.b", "x"])
        for first, second in (("group", "group"), ("group", "dataset"), ("dataset", "group"), ("dataset", "dataset")):
            t = export._Tree()
            add = {"group": lambda: t.group("/hbook/h1"), "dataset": lambda: t.dataset("/hbook/h1", np.zeros(1))}
            add[first]()
            with self.assertRaisesRegex(export.ExportError, "^two objects would be written as /hbook/h1$"):
                add[second]()

    def test_a_run_s_2d_results_name_both_axes(self):
        from tarnreport import catalogue
        results = [hbook.H1(id, b["title"], b["bins"], b["lower"], b["upper"]) for id, b in sorted(catalogue.bookings().items())]
        id, b = sorted(catalogue.bookings_2d().items())[0]
        h2 = hbook.H2(id, b["title"], b["nx"], b["xmin"], b["xmax"], b["ny"], b["ymin"], b["ymax"])
        other = hbook.H2(77, "other", 2, 0, 1, 2, 0, 1)
        run = os.path.join(self.dir, "h9.hbook")
        hbook.write(run, results + [h2, other, hbook.H1(88, "x", 2, 0, 1)])
        t = export.tree(hbook.open(run))
        self.assertEqual(t.datasets[f"/hbook/h{id}/x"][1], {"long_name": b["xlabel"]})
        self.assertEqual(t.datasets[f"/hbook/h{id}/y"][1], {"long_name": b["ylabel"]})
        self.assertEqual((t.datasets["/hbook/h77/x"][1], t.datasets["/hbook/h77/y"][1]), ({}, {}))
        self.assertEqual(t.datasets["/hbook/h88/x"][1], {})
        first = results[0]
        self.assertEqual(t.datasets[f"/hbook/h{first.id}/x"][1], {"long_name": catalogue.bookings()[first.id]["label"]})
        alone = os.path.join(self.dir, "alone.hbook")
        hbook.write(alone, [first])  # a run's histogram, but not a run's file: no labels
        self.assertEqual(export.tree(hbook.open(alone)).datasets[f"/hbook/h{first.id}/x"][1], {})

    def test_an_id_repeated_in_a_directory_is_each_kept(self):
        class File:
            path = "/runs/cycles.hbook"
            directories = [hbook.Directory("/", [], [hbook.H1(3, "a", 1, 0, 1, [1]), hbook.H1(3, "b", 1, 0, 1, [2]),
                                                     hbook.H1(3, "c", 1, 0, 1, [3]), hbook.H1(4, "d", 1, 0, 1, [4])])]

            def __iter__(self):
                return iter(self.directories[0])
        t = export.tree(File())
        self.assertEqual([p for p in t.groups], ["/", "/hbook", "/hbook/h3", "/hbook/h3_cycle2", "/hbook/h3_cycle3",
                                                 "/hbook/h4"])
        self.assertEqual([t.groups[p]["title"] for p in t.groups if p.startswith("/hbook/h")], ["a", "b", "c", "d"])
        self.assertEqual(t.groups["/"]["file_name"], "cycles.hbook")


if __name__ == "__main__":
    unittest.main()
