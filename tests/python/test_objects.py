"""The Python package hbook on every object kind: every object of every
directory of the golden files and of the later layouts (variable bins, Y
bands, profile option P, packed REAL columns, ...) as the C++ tool's JSON
gives it (itself checked against the package's dumps by the C++ tests), bit
for bit; bin widths and edges bit for bit against the package's dumps; array
layouts; navigation and repr; damaged files give FileError."""
import csv
import io
import json
import os
import random
import shutil
import subprocess
import tempfile
import unittest
from pathlib import Path

import numpy as np

import hbook

DATA = os.path.join(os.environ["TARN_TEST_DATA"], "hbook")
LAYOUTS = ["varbins", "bandy", "profp", "cwnpack", "rwnmem", "packproj", "cycles", "deepdirs", "hbarx", "packed1d"]
FILES = ["objects/h2.hbook", "objects/prof.hbook", "objects/rwn.hbook", "objects/cwn.hbook", "objects/dirs.hbook",
         "pawtut.hbook", "roothbk_write_hbk.hb"] + [f"layouts/{name}.hbook" for name in LAYOUTS]
DTYPES = {("R", 4): np.float32, ("R", 8): np.float64, ("I", 4): np.int32, ("U", 4): np.uint32, ("L", 4): np.bool_}


def tool(*args):
    return subprocess.run([os.environ["HBOOK_TOOL"], *args], check=True, capture_output=True, text=True).stdout


def floats(values, dtype=np.float32):
    """JSON reals (nan, inf, -inf as strings) as an array whose bits can be compared."""
    if values is None:
        return None
    return np.array(values, dtype=object).astype(float).astype(dtype)


def bits(a):
    a = np.asarray(a)
    return a.view({4: np.uint32, 8: np.uint64}[a.itemsize]).tolist()


class Objects(unittest.TestCase):
    def assert_bits(self, got, expected, what):
        if expected is None:
            self.assertIsNone(got, what)
            return
        self.assertEqual(got.dtype, expected.dtype, what)
        self.assertEqual(got.shape, expected.shape, what)
        self.assertEqual(bits(got), bits(expected), what)

    def check_head(self, o, e, *names):
        for mine, theirs in names:
            value = getattr(o, mine)
            if isinstance(value, float):
                self.assertEqual(bits(np.float32(value)), bits(floats(e[theirs])), f"{o!r} {mine}")
            else:
                self.assertEqual(value, e[theirs], f"{o!r} {mine}")

    def check_1d(self, h, e):
        self.check_head(h, e, ("nx", "nx"), ("xmin", "xmin"), ("xmax", "xmax"), ("entries", "entries"))
        channels = np.concatenate(([h.underflow], h.contents, [h.overflow])).astype(np.float32)
        self.assert_bits(channels, floats(e["channels"]), repr(h))
        self.assert_bits(h.sumw2, floats(e["sumw2"]), repr(h))
        self.assertEqual(h.variable, e["edges"] is not None, repr(h))
        if h.variable:
            self.assert_bits(h.edges, floats(e["edges"]), repr(h))

    def check_2d(self, h, e):
        self.check_head(h, e, ("nx", "nx"), ("ny", "ny"), ("xmin", "xmin"), ("xmax", "xmax"), ("ymin", "ymin"),
                        ("ymax", "ymax"), ("scale", "scale"), ("entries", "entries"), ("nbit", "nbit"))
        self.assert_bits(h.cells, floats(e["cells"]), repr(h))
        self.assert_bits(h.sumw2, floats(e["sumw2"]), repr(h))
        self.assertEqual(h.contents.shape, (h.ny, h.nx))
        self.assertEqual(bits(h.contents), bits(floats(e["cells"])[1:-1, 1:-1]))
        for mine, theirs in (("projection_x", "projectionsX"), ("projection_y", "projectionsY"),
                             ("slices_x", "slicesX"), ("slices_y", "slicesY"), ("bands_x", "bandsX"),
                             ("bands_y", "bandsY")):
            got = getattr(h, mine)
            got = [] if got is None else got if isinstance(got, list) else [got]
            self.assertEqual(len(got), len(e[theirs]), f"{h!r} {mine}")
            for p, q in zip(got, e[theirs]):
                self.assertEqual((p.name, p.nbit, p.entries), (q["name"], q["nbit"], q["entries"]))
                self.assert_bits(p.channels, floats(q["channels"]), p.name)
                self.assert_bits(p.sumw2, floats(q["sumw2"]), p.name)
                self.assertEqual(len(p.edges), len(p.channels) - 1)
                if "low" in q:
                    self.assertEqual(bits(np.float32([p.low, p.high])), bits(floats([q["low"], q["high"]])))
                else:
                    self.assertIsNone(p.low)

    def check_profile(self, p, e):
        self.check_head(p, e, ("nx", "nx"), ("xmin", "xmin"), ("xmax", "xmax"), ("ymin", "ymin"), ("ymax", "ymax"),
                        ("entries", "entries"), ("error_status", "errorStatus"))
        for mine, theirs in (("sum_wy_channels", "sumWY"), ("sum_wy2", "sumWY2"), ("sum_w", "sumW"),
                             ("means", "mean"), ("errors", "error")):
            self.assert_bits(getattr(p, mine), floats(e[theirs]), f"{p!r} {mine}")
        self.assertEqual(bits(p.sum_wy), bits(floats(e["sumWY"])[1:-1]))
        option = {0: "", 1: "S", 2: "I"}[p.error_status & 3] + ("P" if p.error_status & 4 else "")
        self.assertEqual(p.error_option, option or " ")

    def check_rwn(self, n, e):
        self.check_head(n, e, ("entries", "entries"), ("nvar", "nvar"), ("buffer_words", "bufferWords"), ("tags", "tags"))
        self.assert_bits(n.minimum, floats(e["minimum"]), repr(n))
        self.assert_bits(n.maximum, floats(e["maximum"]), repr(n))
        self.assert_bits(n.values, floats(e["rows"]).reshape(n.entries, n.nvar), repr(n))
        for v, tag in enumerate(n.tags):
            self.assertEqual(bits(n[tag]), bits(n.values[:, v]))

    def check_cwn(self, n, e):
        self.check_head(n, e, ("entries", "entries"), ("blocks", "blocks"))
        self.assertEqual([v.name for v in n.variables], [c["name"] for c in e["columns"]])
        for v, c in zip(n.variables, e["columns"]):
            what = f"{n!r} {v!r}"
            self.assertEqual((v.block, v.type, v.size, v.nbits, list(v.dims), v.index, v.is_index),
                             (c["block"], c["type"], c["size"], c["nbits"], c["dims"], c["index"], c["isIndex"]), what)
            self.assertEqual(None if v.range is None else list(v.range), c["range"], what)
            dtype = np.dtype(object) if v.type == "C" else np.dtype(DTYPES[v.type, v.size])
            flat = v.values.values if isinstance(v.values, hbook.Jagged) else v.values
            self.assertEqual(flat.dtype, dtype, what)
            rows = v.values if v.dims else [[x] for x in v.values]
            expected = c["values"] if v.dims else [[x] for x in c["values"]]
            self.assertEqual(len(rows), n.entries, what)
            for r, (got, want) in enumerate(zip(rows, expected)):
                got = np.asarray(got, dtype=dtype).flatten(order="F")  # the row's elements, first index fastest
                if v.type == "R":
                    self.assert_bits(got, floats(want, dtype), f"{what} row {r}")
                else:
                    self.assertEqual(got.tolist(), want, f"{what} row {r}")

    def test_every_object_of_every_file_as_the_tool_gives_it(self):
        check = {"1D": self.check_1d, "2D": self.check_2d, "PROFILE": self.check_profile, "RWN": self.check_rwn,
                 "CWN": self.check_cwn}
        for name in FILES:
            path = os.path.join(DATA, name)
            expected = json.loads(tool("json", path))
            with hbook.open(path) as f:
                self.assertEqual(f.skipped, expected["skipped"], name)
                self.assertEqual([(d.path, d.subdirectories) for d in f.directories],
                                 [(d["path"], d["subdirectories"]) for d in expected["directories"]], name)
                for d, e in zip(f.directories, expected["directories"]):
                    self.assertEqual([(o.id, o.directory) for o in d], [(o["id"], d.path) for o in e["objects"]])
                    for o, eo in zip(d, e["objects"]):
                        self.assertEqual(o.title, eo["title"], f"{name} {o!r}")
                        self.assertEqual(getattr(o, "kbits", None), None if o.kind == "1-D histogram" else eo["kbits"])
                        check[eo["kind"]](o, eo)

    def test_2d_errors_and_edges_as_the_tool_gives_them(self):
        f = hbook.open(os.path.join(DATA, "objects/h2.hbook"))
        for id in (10, 14, 17):  # plain, with HBAR2 errors, packed
            h = f[id]
            cells = list(csv.DictReader(io.StringIO(tool("csv", os.path.join(DATA, "objects/h2.hbook"), str(id)))))
            inside = [c for c in cells if 1 <= int(c["ix"]) <= h.nx and 1 <= int(c["iy"]) <= h.ny]
            errors = np.array([float(c["error"]) for c in inside], dtype=np.float32).reshape(h.ny, h.nx)
            self.assertEqual(bits(h.errors), bits(errors), id)
            self.assertEqual(bits(h.xedges[:-1]), bits(floats([c["xlow"] for c in inside[:h.nx]])), id)
            self.assertEqual(bits(h.yedges[1:]), bits(floats([c["yhigh"] for c in inside[::h.nx]])), id)
        self.assertIsNotNone(f[14].sumw2)
        self.assertAlmostEqual(f[14].sum, f[14].contents.sum(dtype=np.float64), delta=1e-5 * f[14].sum)


def dump_low_edges(name):
    """{(directory, id): [bits of the low edge of bins 1..nx]} of the 1-D histograms of the package's dump."""
    edges, key, kind = {}, None, None
    with open(os.path.join(DATA, name + ".dump.txt")) as f:
        for line in f:
            t = line.split()
            if t and t[0] == "OBJECT":
                key = (t[1], int(t[2]))
            elif t and t[0] == "KIND":
                kind = t[1]
            elif t and t[0] == "BIN" and kind == "1D" and 1 <= int(t[1]):
                edges.setdefault(key, []).append(int(t[3], 16))
    return edges


class SinglePrecision(unittest.TestCase):
    """Bin widths and edges as the package computes them, bit for bit: the
    low edges of every 1-D histogram of the layouts files against the
    package's own dumps (HIX), e.g. 37 bins over -5..5, where edges worked
    out in double precision differ in their last bits."""

    def test_edges_and_widths_bit_for_bit(self):
        checked = 0
        for name in ("layouts/packed1d.hbook", "layouts/hbarx.hbook", "layouts/varbins.hbook", "layouts/cycles.hbook",
                     "objects/dirs.hbook"):
            lows = dump_low_edges(name)
            with hbook.open(os.path.join(DATA, name)) as f:
                for d in f.directories:
                    for h in d:
                        if h.kind != "1-D histogram":
                            continue
                        expected = lows.pop((d.path, h.id))
                        self.assertEqual(bits(h.edges[:-1]), expected[:h.nx], f"{name} {h!r}")
                        self.assertEqual(bits(h.edges[-1:]), bits(np.float32([h.xmax])))
                        self.assertEqual(h.width.dtype, np.float32)
                        width = np.float32(np.float32(h.xmax) - np.float32(h.xmin)) / np.float32(h.nx)
                        self.assertEqual(bits(h.width), bits(width))
                        if h.xmin == 0 and not h.variable:
                            self.assertEqual(bits(h.width), expected[1], f"{name} {h!r}")  # HIX(2) = 0 + width
                        checked += 1
            self.assertEqual(lows, {}, name)
        self.assertEqual(checked, 18)
        h = hbook.open(os.path.join(DATA, "layouts/packed1d.hbook"))[81]
        in_double = np.float32(h.xmin + np.arange(h.nx) * ((h.xmax - h.xmin) / h.nx))
        self.assertNotEqual(bits(in_double), bits(h.edges[:-1]), "the test would not see edges worked out in double")


class Layout(unittest.TestCase):
    def test_arrays_are_indexed_as_in_fortran(self):
        # Element X(i, j, ...) of row r holds r*1000 + i*100 + j*10 (+ k), laid
        # out as the file stores it: rows in order, first index fastest.
        entries, counts = 3, [2, 0, 1]
        fixed = [r * 1000 + i * 100 + j * 10 for r in range(entries) for j in (1, 2, 3) for i in (1, 2)]
        jagged = [r * 1000 + i * 100 + k for r in range(entries) for k in range(1, counts[r] + 1) for i in (1, 2)]
        offsets = np.cumsum([0] + [2 * c for c in counts])
        texts = ["ab  ", "c\xff  ", "    "]

        def column(name, type, size, dims, values, index=None, offsets=None):
            return {"name": name, "block": "B", "type": type, "size": size, "nbits": 8 * size, "dims": dims,
                    "index": index, "is_index": name == "n", "range": (0, 4) if name == "n" else None,
                    "per_row": 1, "values": values, "offsets": offsets}
        columns = [column("n", "I", 4, [], np.array(counts, dtype=np.int32)),
                   column("a", "R", 8, [2, 3], np.array(fixed, dtype=np.float64)),
                   column("b", "I", 4, [2, -4], np.array(jagged, dtype=np.int32), "n", offsets.astype(np.int64)),
                   column("c", "C", 4, [], texts)]
        n = hbook.ColumnNtuple._from_core({"id": 1, "title": "t", "kbits": 8, "entries": entries, "blocks": ["B"],
                                           "columns": columns})
        a, b = n["a"], n["b"]
        self.assertEqual((a.shape, a.dtype, a[2, 1, 2]), ((3, 2, 3), np.float64, 2230.0))
        self.assertEqual(a[1].tolist(), [[1110, 1120, 1130], [1210, 1220, 1230]])
        self.assertEqual((len(b), b.counts.tolist(), b[-1].tolist()), (3, counts, [[2101], [2201]]))
        self.assertEqual([x.shape for x in b], [(2, 2), (2, 0), (2, 1)])
        self.assertEqual(b[0][1, 1], 202)
        self.assertEqual(b[0:2][0].tolist(), b[0].tolist())
        with self.assertRaises(IndexError):
            b[3]
        self.assertEqual(list(n["c"]), texts)
        self.assertEqual([v.declaration() for v in n.variables], ["n:I*4", "a(2,3):R*8", "b(2,n):I*4", "c:C*4"])

    def test_row_wise_columns_and_records(self):
        n = hbook.open(os.path.join(DATA, "objects/rwn.hbook"))[3]
        records = n.to_records()
        self.assertEqual(records.dtype.names, tuple(n.tags))
        self.assertEqual(bits(records["LongTag8"]), bits(n["LongTag8"]))
        with self.assertRaisesRegex(KeyError, "no variable 'nope'"):
            n["nope"]


class Navigation(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="tarn-objects-")
        self.addCleanup(shutil.rmtree, self.dir)

    def test_directories_paths_and_repr(self):
        path = os.path.join(DATA, "objects/dirs.hbook")
        f = hbook.open(path)
        self.assertEqual(f.paths(), ["/1", "/2", "/AA/2", "/CC/4", "/AA/BB/3", "/AA/BB/1", "/CC/DD/5"])
        self.assertEqual((len(f), f[1].title, f["/1"].title, f["/AA/BB/1"].directory),
                         (7, "top level 1", "top level 1", "/AA/BB"))
        self.assertIsNot(f["/AA/BB/1"], f[1])
        self.assertEqual([f[p].id for p in f.paths()], f.ids())
        self.assertEqual(f.directory("/AA").subdirectory_paths(), ["/AA/BB"])
        self.assertEqual(f.directory("/").subdirectory_paths(), ["/AA", "/CC"])  # one slash under the top
        self.assertEqual([f.directory(p).path for p in f.directory("/").subdirectory_paths()], ["/AA", "/CC"])
        self.assertEqual(hbook.Directory("/", ["X"], []).subdirectory_paths(), ["/X"])
        self.assertEqual([d.path for d in f.directories], ["/", "/AA", "/CC", "/AA/BB", "/CC/DD"])
        self.assertEqual(([3 in f, "/AA/BB/3" in f, "/AA/3" in f, 2.5 in f]), [False, True, False, False])
        for key, message in (("/AA/9", "no object with id 9 in directory /AA"), ("/ZZ/1", "no directory /ZZ"),
                             ("AA/1", "named /DIR/ID"), ("/AA/BB", "not an object id: 'BB'"),
                             (99, "dirs.hbook: no object with id 99'$")):
            with self.assertRaisesRegex(KeyError, message):
                f[key]
        with self.assertRaises(TypeError):
            f[2.5]
        self.assertEqual(repr(f), f"<hbook.File {path!r}: 7 1-D histograms, 5 directories>")
        self.assertEqual(repr(f.directory("/AA")), "<hbook.Directory '/AA': 1 1-D histogram, 1 subdirectory>")
        paw = hbook.open(os.path.join(DATA, "pawtut.hbook"))
        self.assertRegex(repr(paw), "1 column-wise ntuple, 3 1-D histograms, 8 2-D histograms>$")
        self.assertEqual(repr(paw[10]), "<ColumnNtuple 10 'CERN Population': 11 variables x 3354 rows, blocks CERN>")
        self.assertEqual(repr(paw[10].variables[-1]), "<Variable NATION:C*4 in block CERN>")
        self.assertEqual(repr(paw[8001]), "<H2 8001 'Data (gluino)': 20 x 20 bins 0..1 x -1..1, entries 19111>")
        cwn = hbook.open(os.path.join(DATA, "objects/cwn.hbook"))[10]
        self.assertEqual(repr(cwn["x"]), "<Jagged x: 2000 rows, 10006 elements>")
        prof = hbook.open(os.path.join(DATA, "objects/prof.hbook"))
        self.assertEqual(repr(prof[101]), "<Profile 101 'profile opt S': 20 bins 0..10, y -50..50, entries 2000, option S>")
        self.assertEqual([p.error_option for p in prof], [" ", "S", " ", "S", "I", " ", " "])
        self.assertEqual(repr(hbook.open(os.path.join(DATA, "objects/rwn.hbook"))[1]),
                         "<RowNtuple 1 'RWN 3 vars empty': 3 variables x 0 rows>")
        self.assertEqual(repr(hbook.open(os.path.join(DATA, "objects/h2.hbook"))[15].slices_y[1]),
                         "<Projection SLIY02: 6 bins, entries 429>")

    def test_damaged_files_of_every_kind_raise_file_error(self):
        rng = random.Random(11)
        refused = 0
        for name in FILES[:5]:
            data = Path(DATA, name).read_bytes()
            damaged = [data[:n] for n in (4100, len(data) // 2, len(data) - 4096)]
            for _ in range(25):
                b = bytearray(data)
                for _ in range(rng.randint(1, 8)):
                    b[rng.randrange(4096, len(b))] = rng.randrange(256)
                damaged.append(bytes(b))
            for i, content in enumerate(damaged):
                path = os.path.join(self.dir, f"{i}-{os.path.basename(name)}")
                Path(path).write_bytes(content)
                try:
                    with hbook.open(path) as f:
                        for o in f:
                            repr(o)
                except hbook.FileError as e:
                    self.assertIn(path, str(e))
                    refused += 1
        self.assertGreaterEqual(refused, 15)


if __name__ == "__main__":
    unittest.main()
