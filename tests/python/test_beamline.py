"""tarnreport.beamline: the shipped beamline as the program holds it, a
description read as tarn reads it, and the digest tarn prints."""
import os
import re
import shutil
import subprocess
import tempfile
import tomllib
import unittest
from pathlib import Path

import numpy as np

from tarnreport import beamline, runlog

SHIPPED_FILE = os.path.join(os.environ["TARN_SOURCE_DIR"], "data", "beamline.toml")


class ShippedBeamline(unittest.TestCase):
    def test_the_keys_and_values_of_data_beamline_toml(self):
        with open(SHIPPED_FILE, "rb") as f:
            document = tomllib.load(f)
        flat = {f"{s}.{k}": v for s, table in document.items() for k, v in table.items()}
        self.assertEqual(list(beamline.KEYS), list(flat))
        self.assertEqual(beamline.flat(beamline.shipped()), {k: (v if isinstance(v, str) else float(v)) for k, v in flat.items()})
        b = beamline.load(SHIPPED_FILE)
        self.assertEqual(b, beamline.shipped())
        self.assertEqual(b["cells"]["length"], 41.6)
        self.assertEqual(b["cells"]["upstream_helium"], "right")
        self.assertEqual(beamline.KEYS["cells.temperature"]["unit"], "K")
        self.assertTrue(beamline.KEYS["source.cone_per_angstrom"]["single"])
        self.assertFalse(beamline.KEYS["last_guide.critical_angle_per_angstrom"]["single"])
        self.assertEqual(beamline.differences(b), [])
        # The digest tarn's own test pins.
        self.assertEqual(beamline.digest(b), "8419f72fa6eac663")


class Descriptions(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="tarn-beamline-")
        self.addCleanup(shutil.rmtree, self.dir)

    def file(self, text):
        path = os.path.join(self.dir, "b.toml")
        Path(path).write_text(text, encoding="utf-8")
        return path

    def test_a_file_then_sets_in_units(self):
        b = beamline.load(self.file('[cells]\nlength = "300 mm"\ntemperature = 1.6\n[gaps]\nbetween_cells = 0\n'),
                          sets=["cells.downstream_helium=right", "guide1.critical_angle_per_angstrom=2 mrad/Å"])
        self.assertEqual(b["cells"]["length"], 30.0)
        self.assertEqual(b["gaps"]["between_cells"], 0.0)
        self.assertEqual(b["guide1"]["critical_angle_per_angstrom"], 0.002)
        self.assertEqual([d[0] for d in beamline.differences(b)],
                         ["guide1.critical_angle_per_angstrom", "gaps.between_cells", "cells.length",
                          "cells.temperature", "cells.downstream_helium"])
        self.assertEqual(beamline.load(sets=["cells.length=416 mm"])["cells"]["length"], 41.6)

    def test_what_tarn_refuses(self):
        for sets, message in ((["cells.lenght=3"], "cells.lenght: no such key (did you mean cells.length?)"),
                              (["cells.length=3 K"], "unit 'K' is not one of cm, mm, m"),
                              (["cells.length=-1"], "must be positive"),
                              (["cells.temperature=0.2"], "helium density table"),
                              (["cells.upstream_helium=up"], 'must be "right" or "left"'),
                              (["cells.length"], "give KEY=VALUE")):
            with self.subTest(sets=sets), self.assertRaises(beamline.DescriptionError) as e:
                beamline.load(sets=sets)
            self.assertIn(message, str(e.exception))
        with self.assertRaises(beamline.DescriptionError) as e:
            beamline.load(self.file("[cell]\nlength = 3\n"))
        self.assertIn("cell.length: no such key (did you mean cells.length?)", str(e.exception))

    def refused(self, setting):
        with self.assertRaises(beamline.DescriptionError) as e:
            beamline.load(sets=[setting])
        return str(e.exception)

    def test_each_rule_s_bound_on_both_sides(self):
        def value(setting):
            key = setting.split("=")[0]
            return beamline.flat(beamline.load(sets=[setting]))[key]

        # Lengths and wavelengths positive; gaps and angles 0 or more.
        self.assertEqual(self.refused("cells.length=0"), "--set cells.length=0: cells.length = 0 cm: must be positive")
        self.assertEqual(self.refused("cells.length=-0"), "--set cells.length=-0: cells.length = 0 cm: must be positive")
        self.assertEqual(value("cells.length=1e-50"), 1e-50)
        self.assertEqual(self.refused("source.shortest_wavelength=0"),
                         "--set source.shortest_wavelength=0: source.shortest_wavelength = 0 Angstrom: must be positive")
        # A single-precision value is checked as the program holds it: 1e-50 is 0 there, 1e-40 is not.
        self.assertIn("= 1e-50 Angstrom: must be positive", self.refused("source.shortest_wavelength=1e-50"))
        self.assertEqual(value("source.shortest_wavelength=1e-40"), 1e-40)
        self.assertEqual(value("gaps.between_cells=0"), 0.0)
        self.assertEqual(self.refused("gaps.between_cells=-0.001"),
                         "--set gaps.between_cells=-0.001: gaps.between_cells = -0.001 cm: must be 0 or more")
        self.assertEqual(value("guide1.critical_angle_per_angstrom=0"), 0.0)
        self.assertIn("= -1e-09 rad/Angstrom: must be 0 or more", self.refused("source.cone_per_angstrom=-1e-9"))
        # The temperature inside the table's single-precision end points, both included.
        low, high = beamline.TEMPERATURE_RANGE
        self.assertEqual((low, high), (float(np.float32(0.2)), float(np.float32(4.4))))
        for t in (low, high, 4.4):
            self.assertEqual(value(f"cells.temperature={t!r}"), t)
        for t in (np.nextafter(low, 0), np.nextafter(high, 5)):
            self.assertIn(": must lie inside the helium density table (0.2 to 4.4 K, single-precision end points)",
                          self.refused(f"cells.temperature={float(t)!r}"))
        self.assertEqual(value("cells.temperature=2100 mK"), 2.1)
        # Finite, and not beyond single precision where the program holds it so.
        self.assertEqual(self.refused("cells.length=inf"), "--set cells.length=inf: cells.length = inf cm: must be a finite number")
        self.assertIn("must be a finite number", self.refused("cells.length=nan"))
        self.assertEqual(value("source.cone_per_angstrom=3.4e38"), 3.4e38)
        self.assertEqual(self.refused("source.cone_per_angstrom=1e39"),
                         "--set source.cone_per_angstrom=1e39: source.cone_per_angstrom: is too large for a single-precision value")
        self.assertEqual(value("cells.length=1e39"), 1e39)  # held in double precision

    def test_the_forms_a_value_takes(self):
        for setting, expected in (("cells.length=.5 m", 50.0), ("cells.length=1e1 mm", 1.0), ("cells.length=+3 m", 300.0),
                                  ("cells.length=3 m ", 300.0), ("cells.length=2E-1 m", 20.0), ("cells.length=30", 30.0),
                                  ("cells.upstream_helium=left", "left"), ('cells.upstream_helium="right"', "right")):
            self.assertEqual(beamline.flat(beamline.load(sets=[setting]))[setting.split("=")[0]], expected, setting)
        for setting, message in (("cells.length=true", "cells.length: must be a number in cm, not True"),
                                 ("cells.length=[1]", "cells.length: must be a number in cm, not [1]"),
                                 ("cells.length=abc", "cells.length: 'abc' is not a number with a unit"),
                                 ('cells.length="30"', "cells.length: '30' has no unit"),
                                 ("cells.length=3 in", "cells.length: unit 'in' is not one of cm, mm, m"),
                                 ("cells.upstream_helium=3", 'cells.upstream_helium: must be "right" or "left", not 3')):
            self.assertEqual(self.refused(setting), f"--set {setting}: {message}")

    def test_a_near_key_is_suggested_within_a_third_of_the_name(self):
        self.assertEqual(self.refused("cells.len=3"), "--set cells.len=3: cells.len: no such key (did you mean cells.length?)")
        self.assertEqual(self.refused("cells.le=3"), "--set cells.le=3: cells.le: no such key")  # 4 edits in 8 letters
        with self.assertRaises(beamline.DescriptionError) as e:
            beamline.load(self.file("[cells]\nlen = 3\n"))
        self.assertEqual(str(e.exception), f"{os.path.join(self.dir, 'b.toml')}: cells.len: no such key (did you mean "
                                           "cells.length?)")
        with self.assertRaises(beamline.DescriptionError) as e:
            beamline.load(self.file("[cells\n"))
        self.assertTrue(str(e.exception).startswith(f"{os.path.join(self.dir, 'b.toml')}: not TOML: "), str(e.exception))
        b = beamline.load(sets=["cells.length=30"])
        self.assertEqual(beamline.differences(b, base=b), [])
        self.assertEqual(beamline.differences(beamline.shipped(), base=b), [("cells.length", 41.6, 30.0)])

    def test_single_precision_values_compare_as_the_program_holds_them(self):
        self.assertEqual(beamline.differences(beamline.load(sets=["source.cone_per_angstrom=0.0030000001"])), [])
        self.assertEqual(len(beamline.differences(beamline.load(sets=["source.cone_per_angstrom=0.0031"]))), 1)


class TheBeamlineOnThePage(unittest.TestCase):
    """The page's beamline section from a log's changes, without a run."""

    def section(self, changes, digest=None, source="with --set"):
        from tarnreport import beamlineview
        if digest is None:
            digest = beamline.digest(beamline.from_changes(changes))
        log = runlog.RunLog("x.o", beamline_source=source if changes else None, beamline_digest=digest,
                            beamline_changes=dict(changes))
        return beamlineview.section(log)

    def test_the_words_for_none_one_and_several_changes(self):
        text = self.section({})
        self.assertIn("<p>The shipped beamline (data/beamline.toml).</p>", text)
        self.assertNotIn("marked *", text)
        self.assertNotIn("changed:", text)
        one = {"cells.length": "30 cm"}
        text = self.section(one)
        digest = beamline.digest(beamline.from_changes(one))
        self.assertIn(f"<p>Described with --set: 1 value differs from the shipped beamline (digest {digest}).</p>", text)
        self.assertNotIn("is not the log", text)
        self.assertIn("; changed values red, marked *.</text>", text)
        self.assertIn(">changed: cells.length = 30 cm</text>", text)
        two = {"cells.length": "30 cm", "gaps.between_cells": "5 cm"}
        self.assertIn(": 2 values differ from the shipped beamline", self.section(two))
        text = self.section(one, digest="0000000000000000")
        self.assertIn("(digest 0000000000000000).</p>", text)
        self.assertIn("The digest of these values is not the log's", text)
        text = self.section({"cells.lenght": "30 cm"}, digest="0000000000000000")
        self.assertEqual(text, '<section id="beamline"><h2>The beamline</h2><p class="missing">The log\'s beamline '
                               "cannot be read here: --set cells.lenght=30 cm: cells.lenght: no such key (did you mean "
                               "cells.length?)</p></section>")

    def test_the_elements_in_order_and_what_marks_them(self):
        from tarnreport import beamlineview
        parts = beamlineview.elements(beamline.shipped())
        self.assertEqual([(name, z0, z1) for name, z0, z1, _ in parts],
                         [("guide1", 0, 116), ("guide2", 116, 205), ("gap", 205, 214), ("upstream cell", 214, 255.6),
                          ("gap", 255.6, 262.4), ("downstream cell", 262.4, 304), ("gap", 304, 316),
                          ("split guide", 316, 424), ("last guide", 424, 452)])
        self.assertEqual(beamlineview._changed("cells", {"cells.length": 1, "gaps.between_cells": 2}), ["cells.length"])
        self.assertEqual(beamlineview._changed("gaps.between_cells", {"gaps.between_cells": 2}), ["gaps.between_cells"])
        self.assertEqual(beamlineview._changed("gaps.between_cells", {"gaps.to_split_guide": 2}), [])
        self.assertEqual(beamlineview._changed("guide1", {"guide10.length": 1, "guide1": 2}), ["guide1"])
        # A changed gap is drawn in red; the helium halves as described.
        svg = beamlineview.drawing(beamline.from_changes({"gaps.between_cells": "5 cm"}),
                                   {"gaps.between_cells": "5 cm"})
        self.assertEqual(svg.count('<line class="element changed"'), 2)  # the gap, in both views
        titles = re.findall(r"<title>(\w+ half: \w+)</title>", self.section({"cells.upstream_helium": "left"}))
        self.assertEqual(titles, ["right half: empty", "left half: helium", "right half: empty", "left half: helium"])
        titles = re.findall(r"<title>(\w+ half: \w+)</title>", self.section({}))
        self.assertEqual(titles, ["right half: helium", "left half: empty", "right half: empty", "left half: helium"])
        rows = re.findall(r'<tr( class="changed")?><th>([a-z0-9_.]+)</th>', self.section({"cells.length": "30 cm"}))
        self.assertEqual([key for mark, key in rows if mark], ["cells.length"])


class TheDigestOfARun(unittest.TestCase):
    def test_the_log_lists_the_changes_and_python_agrees_on_the_digest(self):
        run = tempfile.mkdtemp(prefix="tarn-beamline-run-")
        self.addCleanup(shutil.rmtree, run)
        for name in ("lam.hbook", "gradx.hbook", "sq.hbook"):
            shutil.copy(os.path.join(os.environ["TARN_DATA_DIR"], name), run)
        subprocess.run([os.environ["TARN_EXE"], "--events", "2000", "--seed", "3", "--set", "cells.length=30",
                        "--set", "source.cone_per_angstrom=2.5 mrad/Å", "--set", "cells.upstream_helium=left"],
                       cwd=run, check=True, capture_output=True)
        log = runlog.parse(next(Path(run).glob("tarn-*.o")))
        self.assertEqual(log.beamline_source, "with --set")
        self.assertEqual(log.beamline_changes, {"source.cone_per_angstrom": "0.0025 rad/Angstrom", "cells.length": "30 cm",
                                                "cells.upstream_helium": "left"})
        b = beamline.from_changes(log.beamline_changes)
        self.assertEqual(beamline.digest(b), log.beamline_digest)
        self.assertNotIn("Beamline", "\n".join(log.notes))


if __name__ == "__main__":
    unittest.main()


class TheDocument(unittest.TestCase):
    def test_docs_beamline_md_lists_every_key_with_its_unit_and_shipped_value(self):
        text = Path(os.environ["TARN_SOURCE_DIR"], "docs", "beamline.md").read_text(encoding="utf-8")
        rows = re.findall(r"^\| `([a-z0-9_]+\.[a-z0-9_]+)` \|([^|]*)\|([^|]*)\|", text, re.M)
        self.assertEqual([key for key, _, _ in rows], list(beamline.KEYS))
        for key, unit, shipped in rows:
            k = beamline.KEYS[key]
            self.assertEqual(unit.strip(), {"rad/Angstrom": "rad/Å", "Angstrom": "Å"}.get(k["unit"], k["unit"]), key)
            self.assertEqual(shipped.strip(), k["shipped"] if k["kind"] == "side" else f"{float(k['shipped']):g}", key)
        self.assertIn(f"beamline's is `{beamline.digest(beamline.shipped())}`", text)
        # The example of a log: its digest is that of its values.
        example = re.search(r"from the shipped beamline \(digest ([0-9a-f]{16})\)\n(( +\S+ = .+\n)+)", text)
        changes = dict(re.findall(r"(\S+) = (.+?)   \(shipped", example.group(2)))
        self.assertEqual(beamline.digest(beamline.from_changes(changes)), example.group(1))
