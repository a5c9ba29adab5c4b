"""hbook.write for every object kind, and the conventions numpy and plotting
users expect: every object of every directory of the test files written
again reads back with the same dump (every value, bit for bit); objects made
in Python of every kind come back as given; to_numpy, values, variances,
counts and axes as numpy and the plotting protocol of the scientific Python
histogram libraries have them; len, iteration and to_records of ntuples."""
import os
import shutil
import subprocess
import tempfile
import unittest

import numpy as np

import hbook

DATA = os.path.join(os.environ["TARN_TEST_DATA"], "hbook")
FILES = ["lam.hbook", "mixed.hbook", "golden-run.hbook", "objects/h2.hbook", "objects/prof.hbook",
         "objects/rwn.hbook", "objects/cwn.hbook", "objects/dirs.hbook", "pawtut.hbook", "roothbk_write_hbk.hb"]


def dump(path):
    out = subprocess.run([os.environ["HBOOK_TOOL"], "dump", "--all", path], check=True, capture_output=True, text=True).stdout
    return [line for line in out.splitlines() if not line.startswith(("FILE ", "READER "))]


def bits(a):
    a = np.asarray(a)
    return a.view({4: np.uint32, 8: np.uint64}[a.itemsize]).tolist()


class Write(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="tarn-write-")
        self.addCleanup(shutil.rmtree, self.dir)

    def test_every_object_of_every_file_written_again_reads_back_the_same(self):
        for name in FILES:
            path = os.path.join(DATA, name)
            out = os.path.join(self.dir, os.path.basename(name))
            hbook.write(out, hbook.open(path))
            self.assertEqual(dump(out), dump(path), name)
            self.assertEqual(hbook.open(out).top_directory, hbook.open(path).top_directory)
        # A directory at a time, into a file of record length 8191.
        f = hbook.open(os.path.join(DATA, "objects/dirs.hbook"))
        out = os.path.join(self.dir, "dirs-by-directory.hbook")
        hbook.write(out, [f.directory("/AA/BB"), f.directory("/CC")], record_words=8191)
        g = hbook.open(out)
        self.assertEqual((g.record_words, [d.path for d in g.directories]), (8191, ["/", "/AA", "/CC", "/AA/BB", "/CC/DD"]))
        self.assertEqual(bits(g["/AA/BB/3"].contents), bits(f["/AA/BB/3"].contents))

    def test_record_lengths_top_directory_names_and_directory_paths(self):
        one = [hbook.H1(1, "", 1, 0, 1)]
        for words in (256, 8191):
            out = os.path.join(self.dir, f"r{words}.hbook")
            hbook.write(out, one, record_words=words)
            self.assertEqual(hbook.open(out).record_words, words)
        for words in (255, 8192):
            out = os.path.join(self.dir, f"r{words}.hbook")
            with self.assertRaises(hbook.FileError) as raised:
                hbook.write(out, one, record_words=words)
            self.assertIn(f"record length {words} words (256 to 8191)", str(raised.exception))
            self.assertFalse(os.path.exists(out))
        out = os.path.join(self.dir, "top16.hbook")
        hbook.write(out, one, top_directory="A" * 16)
        self.assertEqual(hbook.open(out).top_directory, "A" * 16)
        again = os.path.join(self.dir, "again.hbook")
        hbook.write(again, hbook.open(out))  # a file keeps its top directory's name
        self.assertEqual(hbook.open(again).top_directory, "A" * 16)
        listed = os.path.join(self.dir, "listed.hbook")
        hbook.write(listed, [hbook.open(out)])  # a file among the objects too
        self.assertEqual(hbook.open(listed).top_directory, "A" * 16)
        again = os.path.join(self.dir, "again2.hbook")
        hbook.write(again, hbook.open(out), top_directory="B")  # unless another is given
        self.assertEqual(hbook.open(again).top_directory, "B")
        self.assertEqual(hbook.open(os.path.join(self.dir, "r256.hbook")).top_directory, "HRPUT")
        with self.assertRaisesRegex(hbook.FileError, r'top directory name "A{17}" \(1 to 16 letters, digits or signs'):
            hbook.write(os.path.join(self.dir, "top.hbook"), one, top_directory="A" * 17)
        with self.assertRaisesRegex(hbook.FileError, r'top directory name "" \(1 to 16 letters'):
            hbook._core.write_objects(os.path.join(self.dir, "top.hbook"),
                                      [{"path": "/", "subdirectories": [], "objects": []}], 1024, "")
        self.assertFalse(os.path.exists(os.path.join(self.dir, "top.hbook")))
        with self.assertRaisesRegex(ValueError, "^a directory's path begins with /: 'AA'$"):
            hbook.write(os.path.join(self.dir, "d.hbook"), [hbook.Directory("AA", [], one)])
        out = os.path.join(self.dir, "slash.hbook")
        hbook.write(out, [hbook.Directory("/AA/", ["SUB"], one), hbook.Directory("/", [], one)])
        self.assertEqual([d.path for d in hbook.open(out).directories], ["/", "/AA", "/AA/SUB"])

    def test_a_result_written_again_keeps_its_inputs_marked_and_merges(self):
        path = os.path.join(DATA, "hprint/run-853739.hbook")
        out = os.path.join(self.dir, "again.hbook")
        hbook.write(out, hbook.open(path))
        marked = [o.id for o in hbook.open(out) if o._to_core().read_from_file]
        self.assertEqual(marked, [151, 152, 301])  # the run's inputs, as the file had them
        merged = os.path.join(self.dir, "merged.hbook")
        run = subprocess.run([os.environ["HBOOK_TOOL"], "merge", merged, path, out], capture_output=True, text=True)
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertIn("hold identical contents; added anyway", run.stderr)
        self.assertEqual(bits(hbook.open(merged)[3005].contents), bits(2 * hbook.open(path)[3005].contents))

    def test_objects_made_in_python_come_back_as_given(self):
        rng = np.random.default_rng(3)
        h2 = hbook.H2(5, "made 2-D", 4, 0, 1, 3, -1.5, 1.5, rng.normal(size=(3, 4)), sumw2=rng.random((3, 4)), entries=77)
        h2.projection_x = hbook.Projection("PROX", rng.normal(size=6), entries=9)
        h2.bands_y = [hbook.Projection("BANY01", np.arange(5.0), low=0.25, high=0.5, entries=4)]
        prof = hbook.Profile(6, "made profile", 3, 0, 3, -10, 10, sum_wy=[1, 5, 0], sum_wy2=[1, 13, 0], sum_w=[1, 2, 0],
                             error_option="SP", underflow=-2.5)
        rwn = hbook.RowNtuple(7, "made rwn", {"energy": rng.random(3000), "q": np.arange(3000)})
        cwn = hbook.ColumnNtuple(8, "made cwn", {
            "x": rng.random(200).astype(np.float32), "d": rng.random(200), "k": rng.integers(-9, 9, 200),
            "u": rng.integers(0, 1000, 200).astype(np.uint32), "ok": rng.random(200) < 0.5,
            "m": rng.random((200, 2, 3)).astype(np.float32), "tag": [f"row{r}" for r in range(200)],
            "e": hbook.Jagged.from_rows("e", [rng.random(r % 4).astype(np.float32) for r in range(200)])},
            ranges={"k": (-9, 9)})
        out = os.path.join(self.dir, "made.hbook")
        hbook.write(out, [h2, prof, rwn, cwn, hbook.Directory("/sub", [], [hbook.H1(1, "in sub", 2, 0, 1, [3, 4])])])
        f = hbook.open(out)
        self.assertEqual(f.paths(), ["/5", "/6", "/7", "/8", "/SUB/1"])
        g = f[5]
        self.assertEqual((bits(g.cells), bits(g.sumw2), g.entries), (bits(h2.cells), bits(h2.sumw2), 77))
        self.assertEqual(bits(g.projection_x.channels), bits(h2.projection_x.channels))
        self.assertEqual((g.bands_y[0].low, g.bands_y[0].high, bits(g.bands_y[0].channels)),
                         (0.25, 0.5, bits(h2.bands_y[0].channels)))
        p = f[6]
        self.assertEqual((p.error_option, bits(p.sum_wy_channels), bits(p.means)), ("SP", bits(prof.sum_wy_channels),
                                                                                   bits(prof.means)))
        self.assertEqual(bits(p.errors), bits(prof.errors))
        r = f[7]
        self.assertEqual((len(r), r.tags, bits(r.values)), (3000, ["energy", "q"], bits(rwn.values)))
        self.assertEqual(bits(r.minimum), bits(np.float32([rwn.values[:, 0].min(), 0])))
        c = f[8]
        self.assertEqual([v.declaration() for v in c.variables],
                         ["x:R*4", "d:R*8", "k:I*4", "u:U*4", "ok:L*4", "m(2,3):R*4", "tag:C*8", "ne:I*4", "e(ne):R*4"])
        self.assertEqual(c.variables[2].nbits, 5)  # [-9, 9]: sign and 4 bits, as HBNAME packs it
        for name in ("x", "d", "k", "u", "ok", "m"):
            self.assertEqual(np.asarray(c[name]).tolist(), np.asarray(cwn[name]).tolist(), name)
        self.assertEqual([t.rstrip() for t in c["tag"]], [f"row{r}" for r in range(200)])
        self.assertEqual([row.tolist() for row in c["e"]], [row.tolist() for row in cwn["e"]])
        self.assertEqual(f["/SUB/1"].contents.tolist(), [3, 4])

    def test_what_cannot_be_written_is_refused(self):
        out = os.path.join(self.dir, "bad.hbook")
        for error, message, objects in (
                (TypeError, "cannot write", ["text"]),
                (ValueError, "the same id twice: 3 in directory /A", [hbook.Directory("/A", [], [hbook.H1(3, "", 1, 0, 1)] * 2)]),
                (hbook.FileError, "tag \"longer than 8\"", [hbook.RowNtuple(1, "", {"longer than 8": [1.0]})]),
                (hbook.FileError, "record length", [hbook.H1(1, "", 1, 0, 1)])):
            with self.assertRaisesRegex(error, message):
                hbook.write(out, objects, record_words=100 if message == "record length" else 1024)
            self.assertFalse(os.path.exists(out))
        def profile(option):
            return hbook.Profile(1, "", 1, 0, 1, -1, 1, sum_wy=[1], sum_wy2=[1], sum_w=[1], error_option=option)
        for option, status in ((" ", 0), ("S", 1), ("I", 2), ("P", 4), ("SP", 5), ("IP", 6), ("pi", 6)):
            self.assertEqual(profile(option).error_status, status, option)
        for option, shown in ((" ", " "), ("", " "), ("S", "S"), ("i", "I"), ("P", "P"), ("SP", "SP"), ("PI", "IP")):
            p = profile(option)
            self.assertEqual(p.error_option, shown, option)
            self.assertEqual(repr(p), "<Profile 1 '': 1 bins 0..1, y -1..1, entries 1" +
                             ("" if shown == " " else f", option {shown}") + ">")
        self.assertEqual(profile(" ").entries, 1)  # the sum of the weights, rounded
        self.assertEqual(hbook.Profile(1, "", 2, 0, 1, -1, 1, sum_wy=[1, 1], sum_wy2=[1, 1], sum_w=[1.4, 1.4]).entries, 3)
        self.assertEqual(hbook.Profile(1, "", 2, 0, 1, -1, 1, sum_wy=[1, 1], sum_wy2=[1, 1], sum_w=[1.2, 1.2]).entries, 2)
        for option in ("PP", "SPP", "PIP", "SI", "X"):  # P once at most, S or I alone
            with self.assertRaisesRegex(ValueError, "optionally with 'P'", msg=option):
                profile(option)
        with self.assertRaisesRegex(ValueError, "one length expected"):
            hbook.RowNtuple(1, "", {"a": [1, 2], "b": [1]})
        with self.assertRaisesRegex(hbook.FileError, "packed REAL"):
            hbook.ColumnNtuple(1, "", {"x": np.zeros(3, dtype=np.float32)}, bits={"x": 8})

    def test_row_wise_values_need_one_column_per_tag(self):
        tags = ["a", "b", "c"]
        nt = hbook.RowNtuple(7, "", tags=tags, values=np.arange(6, dtype=np.float32).reshape(2, 3))
        self.assertEqual((nt.nvar, nt.entries, nt["c"].tolist()), (3, 2, [2.0, 5.0]))
        for shape in ((2, 2), (2, 4)):  # one column fewer and one more than the tags
            with self.assertRaises(ValueError) as raised:
                hbook.RowNtuple(7, "", tags=tags, values=np.zeros(shape))
            self.assertEqual(str(raised.exception), f"row-wise ntuple 7: values of shape {shape} for 3 tags")
        with self.assertRaisesRegex(ValueError, r"^row-wise ntuple 7: values of shape \(3,\) for 3 tags$"):
            hbook.RowNtuple(7, "", tags=tags, values=np.zeros(3))  # one row, not as a table
        self.assertEqual(hbook.RowNtuple(8, "", tags=tags).values.shape, (0, 3))  # no values: no rows
        with self.assertRaisesRegex(ValueError, "^row-wise ntuple 9: no variables$"):
            hbook.RowNtuple(9, "", tags=[], values=np.zeros((1, 0)))
        with self.assertRaisesRegex(ValueError, "^row-wise ntuple 5: give columns, or tags and values$"):
            hbook.RowNtuple(5, "", {"a": [1.0]}, tags=["a"])
        with self.assertRaisesRegex(ValueError, "^row-wise ntuple 5: give columns, or tags and values$"):
            hbook.RowNtuple(5, "", {"a": [1.0]}, values=np.zeros((1, 1)))
        with self.assertRaisesRegex(ValueError, r"^row-wise ntuple 5: columns of shapes \[\(\), \(1,\)\], one length expected$"):
            hbook.RowNtuple(5, "", {"a": [1.0], "b": 2.0})
        with self.assertRaisesRegex(ValueError, r"^row-wise ntuple 5: columns of shapes \[\(1,\), \(2,\)\], one length expected$"):
            hbook.RowNtuple(5, "", {"a": [1.0, 2.0], "b": [3.0]})  # columns, of two lengths
        with self.assertRaisesRegex(ValueError, r"^row-wise ntuple 5: columns of shapes \[\(1, 2\)\], one length expected$"):
            hbook.RowNtuple(5, "", {"a": [[1.0, 2.0]], "b": [[3.0, 4.0]]})  # one shape, but not columns
        # No rows: the limits the file stores for a variable never filled.
        empty = hbook.RowNtuple(6, "", tags=["a", "b"])
        self.assertEqual((empty.minimum.tolist(), empty.maximum.tolist()),
                         ([float(np.float32(1e31))] * 2, [-float(np.float32(1e31))] * 2))
        filled = hbook.RowNtuple(6, "", {"a": [3.0, -1.0, 2.0], "b": [0.5, 0.25, 4.0]})
        self.assertEqual((filled.minimum.tolist(), filled.maximum.tolist()), ([-1.0, 0.25], [3.0, 4.0]))
        twice = hbook.RowNtuple(6, "", tags=["a", "a"], values=[[1.0, 2.0]])
        self.assertEqual((twice["a"].tolist(), twice.values.tolist()), ([1.0], [[1.0, 2.0]]))  # the first of two
        with self.assertRaisesRegex(KeyError, r"row-wise ntuple 6: no variable 'z' \(tags a, a\)"):
            twice["z"]


class ColumnForms(unittest.TestCase):
    """The declaration a column-wise ntuple made in Python gives each variable,
    and what it refuses."""

    def test_each_dtype_s_type_and_the_character_length_in_fours(self):
        from hbook.cwn import _form
        for values, form in ((np.zeros(2, np.float32), "x:R"), (np.zeros(2, np.float64), "x:R*8"),
                             (np.zeros(2, np.int16), "x:I"), (np.zeros(2, np.uint8), "x:U"),
                             (np.zeros(2, bool), "x:L"), (np.zeros((2, 3, 4), np.float32), "x(3,4):R")):
            self.assertEqual(_form("x", values, None, None, None), form)
        for longest, length in ((0, 4), (1, 4), (4, 4), (5, 8), (8, 8), (9, 12)):
            self.assertEqual(_form("t", np.array(["a" * longest, ""], dtype=object), None, None, None), f"t:C*{length}")
        self.assertEqual(_form("x", np.zeros(2, np.float32), (0.5, 2.0), 12, None), "x[0.5,2.0]:R:12")
        self.assertEqual(_form("i", np.zeros(2, np.int32), (0.0, 10.7), None, None), "i[0,10]:I")
        jagged = hbook.Jagged.from_rows("v", [np.zeros((3, 2)), np.zeros((3, 1))], dtype=np.float32)
        self.assertEqual(_form("v", jagged, None, None, "nv"), "v(3,nv):R")
        with self.assertRaisesRegex(TypeError, "^variable z: values of type complex128 cannot be stored$"):
            _form("z", np.zeros(2, complex), None, None, None)

    def test_each_type_s_range_is_written_as_given(self):
        # A packed real's range, a signed one below zero and an unsigned one:
        # each end read back in its own place.
        folder = tempfile.mkdtemp(prefix="hbook-ranges-")
        self.addCleanup(shutil.rmtree, folder)
        nt = hbook.ColumnNtuple(4, "", {"x": np.float32([-0.25, 2.5]), "k": np.int32([-3, 2]), "u": np.uint32([1, 7])},
                                ranges={"x": (-0.25, 2.5), "k": (-3, 5), "u": (1, 9)}, bits={"x": 16})
        path = os.path.join(folder, "ranges.hbook")
        hbook.write(path, [nt])
        back = hbook.open(path)[4]
        self.assertEqual([(v.name, v.type, v.range, v.nbits) for v in back.variables],
                         [("x", "R", (-0.25, 2.5), 16), ("k", "I", (-3, 5), 4), ("u", "U", (1, 9), 4)])
        self.assertEqual((back["x"].tolist(), back["k"].tolist(), back["u"].tolist()), ([-0.25, 2.5], [-3, 2], [1, 7]))

    def test_rows_and_counts_must_agree(self):
        with self.assertRaisesRegex(ValueError, "^column-wise ntuple 4: b has 2 rows, 3 expected$"):
            hbook.ColumnNtuple(4, "", {"a": np.zeros(3, np.float32), "b": np.zeros(2, np.float32)})
        jagged = hbook.Jagged.from_rows("x", [[1.0, 2.0], [3.0]], dtype=np.float32)
        nt = hbook.ColumnNtuple(4, "", {"nx": np.array([2, 1], np.int32), "x": jagged}, ranges={"nx": (0, 2)})
        self.assertEqual((nt.entries, nt["nx"].tolist(), nt["x"][0].tolist()), (2, [2, 1], [1.0, 2.0]))
        with self.assertRaisesRegex(ValueError, "^column-wise ntuple 4: nx does not count the elements of x$"):
            hbook.ColumnNtuple(4, "", {"nx": np.array([1, 2], np.int32), "x": jagged}, ranges={"nx": (0, 2)})
        self.assertEqual(hbook.ColumnNtuple(4, "", {"x": jagged})["nx"].tolist(), [2, 1])  # made from the rows
        with self.assertRaisesRegex(ValueError, "^x: rows of differing fixed dimensions$"):
            hbook.Jagged.from_rows("x", [np.zeros((2, 1)), np.zeros((3, 1))])
        rows = hbook.Jagged.from_rows("y", [np.arange(6).reshape(3, 2), np.arange(3).reshape(3, 1)])
        self.assertEqual((rows.counts.tolist(), len(rows), rows[-1].tolist()), ([2, 1], 2, [[0], [1], [2]]))
        self.assertEqual([r.shape for r in rows[0:2]], [(3, 2), (3, 1)])
        with self.assertRaises(IndexError):
            rows[2]
        self.assertEqual(repr(rows), "<Jagged y: 2 rows, 9 elements>")


class WriterChecks(unittest.TestCase):
    """The binding's checks of each object it is handed to write
    (hbook._core.write_objects), which the classes above it keep from
    failing: each length at its value, the words, and no file left."""

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="tarn-writer-")
        self.addCleanup(shutil.rmtree, self.dir)

    def refused(self, message, kind, d):
        from hbook import _core
        path = os.path.join(self.dir, "x.hbook")
        with self.assertRaises(ValueError) as raised:
            _core.write_objects(path, [{"path": "/", "subdirectories": [], "objects": [(kind, d)]}], 1024, "HRPUT")
        self.assertEqual(str(raised.exception), message)
        self.assertFalse(os.path.exists(path))

    def written(self, kind, d):
        from hbook import _core
        path = os.path.join(self.dir, f"ok{len(os.listdir(self.dir))}.hbook")
        self.assertTrue(_core.write_objects(path, [{"path": "/", "subdirectories": [], "objects": [(kind, d)]}],
                                            1024, "HRPUT"))
        return hbook.open(path)

    def test_2d_histograms_profiles_and_row_wise_ntuples(self):
        h2 = hbook.H2(5, "", 2, 0, 2, 1, 0, 1, [[1, 2]])._to_core()
        self.assertEqual(self.written("2D", dict(h2))[5].contents.tolist(), [[1.0, 2.0]])
        for nx, ny in ((0, 1), (1, 0)):
            self.refused(f"2-D histogram 5: {nx} x {ny} bins", "2D", dict(h2, nx=nx, ny=ny))
        for n in (11, 13):
            self.refused(f"2-D histogram 5 cells: {n} values where 12 are expected", "2D", dict(h2, cells=np.zeros(n)))
        self.refused("2-D histogram 5 sums of squared weights: 3 values where 2 are expected", "2D",
                     dict(h2, sumw2=np.zeros(3)))
        self.refused("missing 'nbit'", "2D", {k: v for k, v in h2.items() if k != "nbit"})
        p = hbook.Profile(3, "", 2, 0, 1, -1, 1, sum_wy=[1, 2], sum_wy2=[1, 4], sum_w=[1, 1])._to_core()
        self.assertEqual(self.written("PROFILE", dict(p))[3].nx, 2)
        self.refused("profile 3: 0 bins", "PROFILE", dict(p, nx=0))
        self.refused("profile 3 sums of w*y: 3 values where 4 are expected", "PROFILE", dict(p, sum_wy=np.zeros(3)))
        self.refused("profile 3 sums of w: 1 values where 2 are expected", "PROFILE", dict(p, sum_w=np.zeros(1)))
        n = hbook.RowNtuple(1, "", {"a": [1.0, 2.0], "b": [3.0, 4.0], "c": [5.0, 6.0]})._to_core()
        self.assertEqual(self.written("RWN", dict(n))[1].values.tolist(), [[1, 3, 5], [2, 4, 6]])
        for size in (5, 7):
            self.refused(f"row-wise ntuple 1 values: {size} values where 6 are expected", "RWN",
                         dict(n, values=np.zeros(size, dtype=np.float32)))
        self.refused("row-wise ntuple 1 minima: 2 values where 3 are expected", "RWN",
                     dict(n, minimum=np.zeros(2, dtype=np.float32)))
        self.refused("row-wise ntuple 1 values: 3 values where 0 are expected", "RWN",
                     dict(n, entries=0, values=np.zeros(3, dtype=np.float32)))
        self.refused("unknown object kind 3D", "3D", dict(h2))

    def test_column_wise_variables(self):
        jagged = hbook.Jagged.from_rows("x", [[1.0, 2.0], [3.0]], dtype=np.float32)
        n = hbook.ColumnNtuple(4, "", {"x": jagged, "t": np.zeros(2, np.int32)})._to_core()
        self.assertEqual(self.written("CWN", n)[4]["x"][0].tolist(), [1.0, 2.0])
        names = [c["name"] for c in n["columns"]]
        self.assertEqual(names, ["nx", "x", "t"])

        def changed(name, **values):
            columns = [dict(c, **values) if c["name"] == name else c for c in n["columns"]]
            return dict(n, columns=columns)
        self.refused("column-wise ntuple 4 variable t: type 'X' (R, I, U, L or C)", "CWN", changed("t", type="X"))
        self.refused("column-wise ntuple 4 variable t: a range is (low, high)", "CWN", changed("t", range=(0, 1, 2)))
        swapped = dict(n, columns=[n["columns"][1], n["columns"][0], n["columns"][2]])
        self.refused("column-wise ntuple 4 variable x: index variable nx is not before it in its block", "CWN", swapped)
        other_block = dict(n, blocks=["DATA", "MORE"],
                           columns=[dict(n["columns"][0], block="MORE")] + n["columns"][1:])
        self.refused("column-wise ntuple 4 variable x: index variable nx is not before it in its block", "CWN",
                     other_block)
        self.refused("column-wise ntuple 4 variable t: not an array of numbers", "CWN", changed("t", values=["a", "b"]))


class Conventions(unittest.TestCase):
    def test_1d_as_numpy_histogram_and_the_plotting_protocol(self):
        h = hbook.open(os.path.join(DATA, "sq.hbook"))[301]
        contents, edges = h.to_numpy()
        self.assertEqual((contents.dtype, edges.dtype, contents.shape, edges.shape), (np.float32, np.float32, (90,), (91,)))
        counts, numpy_edges = np.histogram(np.zeros(0, dtype=np.float32), bins=90, range=(0, 3.6),
                                           weights=np.zeros(0, dtype=np.float32))
        self.assertEqual((counts.dtype, numpy_edges.shape), (contents.dtype, edges.shape))
        self.assertEqual(bits(contents), bits(h.contents))
        self.assertEqual(bits(h.values()), bits(h.contents))
        self.assertEqual(bits(h.variances()), bits(np.abs(h.contents)))
        axis = h.axes[0]
        self.assertEqual((len(axis), axis[0], axis[-1][1]), (90, (0.0, float(np.float32(0.04))), float(np.float32(3.6))))
        self.assertEqual(bits(axis.edges), bits(h.edges))
        self.assertEqual(list(axis)[2], axis[2])
        self.assertFalse(axis.traits.circular or axis.traits.discrete)
        e = hbook.open(os.path.join(DATA, "errors.hbook"))[11]
        self.assertEqual(bits(e.variances()), bits(e.sumw2))
        np.testing.assert_allclose(e.counts(), e.contents.astype(np.float64) ** 2 / e.sumw2)

    def test_bin_width_and_edges_are_the_single_precision_values_of_the_file(self):
        # The dump's low edges are the package's XMIN + (i - 1) * width, in single precision.
        for name in ("lam.hbook", "sq.hbook", "mixed.hbook", "golden-basic.hbook"):
            expected = {}
            for line in dump(os.path.join(DATA, name)):
                if line.startswith("OBJECT"):
                    id = int(line.split()[2])
                    expected[id] = []
                elif line.startswith("BIN") and len(line.split()) == 8:
                    expected[id].append(int(line.split()[3], 16))
            for h in hbook.open(os.path.join(DATA, name)):
                self.assertEqual(bits(h.edges[:-1]), expected[h.id], f"{name} {h.id}")
                self.assertEqual(bits(h.width), bits(np.float32(np.float32(h.xmax) - np.float32(h.xmin)) / np.float32(h.nx)))

    def test_2d_and_profile_as_numpy_and_the_plotting_protocol(self):
        h = hbook.open(os.path.join(DATA, "objects/h2.hbook"))[14]
        contents, xedges, yedges = h.to_numpy()
        self.assertEqual((contents.shape, xedges.shape, yedges.shape), ((6, 4), (7,), (5,)))  # [ix, iy], as histogram2d
        self.assertEqual(contents[5, 3], h.contents[3, 5])
        self.assertEqual(bits(h.values()), bits(h.contents.T))
        self.assertEqual(bits(h.variances()), bits(h.sumw2.T))
        self.assertEqual([len(a) for a in h.axes], [6, 4])
        lines = dump(os.path.join(DATA, "objects/h2.hbook"))
        hsum = lines[lines.index("OBJECT /           14") + 12]
        self.assertEqual(bits(np.float32(h.sum)), int(hsum.split()[2], 16))  # HSUM's order of adding
        p = hbook.open(os.path.join(DATA, "objects/prof.hbook"))[102]
        means, edges = p.to_numpy()
        self.assertEqual((bits(means), bits(p.variances())), (bits(p.means), bits(np.square(p.errors))))
        self.assertEqual(bits(p.counts()), bits(p.sum_w))
        self.assertEqual(len(p.axes[0]), 6)

    def test_ntuples_have_a_length_rows_and_records(self):
        rwn = hbook.open(os.path.join(DATA, "objects/rwn.hbook"))[3]
        self.assertEqual(len(rwn), 1000)
        rows = list(rwn)
        self.assertEqual((len(rows), bits(np.float32(rows[7]["b2"])), rows[7].dtype.names), (1000, bits(rwn["b2"][7]),
                                                                                              tuple(rwn.tags)))
        cwn = hbook.open(os.path.join(DATA, "objects/cwn.hbook"))[10]
        records = cwn.to_records()
        self.assertEqual((len(cwn), len(records)), (2000, 2000))
        self.assertEqual(records.dtype["v"].shape, (3,))
        self.assertEqual(records[4]["x"].tolist(), cwn["x"][4].tolist())
        self.assertEqual(records["label"][0].rstrip(), "alpha")
        row = next(iter(cwn))
        self.assertEqual((row["irun"], bool(row["ok"])), (1001, False))
        empty = hbook.open(os.path.join(DATA, "objects/rwn.hbook"))[1]
        self.assertEqual((len(empty), list(empty)), (0, []))


if __name__ == "__main__":
    unittest.main()
