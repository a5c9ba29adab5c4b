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

    def test_single_precision_values_compare_as_the_program_holds_them(self):
        self.assertEqual(beamline.differences(beamline.load(sets=["source.cone_per_angstrom=0.0030000001"])), [])
        self.assertEqual(len(beamline.differences(beamline.load(sets=["source.cone_per_angstrom=0.0031"]))), 1)


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
