"""The beamline of a tarn run as a dict, read as tarn reads it.

    from tarnreport import beamline
    b = beamline.load("my.toml", sets=["cells.length=30"])   # shipped values, then the file, then the sets
    b["cells"]["length"]          # 30.0 (cm)
    beamline.differences(b)       # [("cells.length", 30.0, 41.6)]
    beamline.digest(b)            # the digest tarn prints in its log

Values are floats in the key's unit, as given (lengths cm, critical angles and
the cone rad/Å, wavelengths Å, temperature K; the two single-precision values
are compared and digested as the program rounds them) and "right"/"left" for the helium
halves. A file or a set may give a value as a number in that unit or as a
string with a unit ("300 mm"). The keys, their units and the shipped values
come from the program's own table (beamline_keys.json, made by the build from
data/beamline.toml); docs/beamline.md describes each.
"""
import json
import math
import os
import re
import struct
import tomllib

_TABLE = json.load(open(os.path.join(os.path.dirname(__file__), "beamline_keys.json"), encoding="utf-8"))
KEYS = {k["key"]: k for k in _TABLE["keys"]}        # in the program's order
TEMPERATURE_RANGE = tuple(_TABLE["temperature_range"])  # K, the helium density table's end points


class DescriptionError(ValueError):
    """A description tarn would refuse; the message names where and the key."""


def _single(v):
    return struct.unpack("f", struct.pack("f", v))[0]


def shipped():
    """The shipped beamline, as a nested dict {section: {name: value}}."""
    return nest({key: (k["shipped"] if k["kind"] == "side" else float(k["shipped"])) for key, k in KEYS.items()})


def nest(flat_values):
    out = {}
    for key, value in flat_values.items():
        section, name = key.split(".", 1)
        out.setdefault(section, {})[name] = value
    return out


def flat(b):
    """{"cells.length": 41.6, ...} in the program's key order."""
    return {key: b[key.split(".")[0]][key.split(".", 1)[1]] for key in KEYS}


def _nearest(name):
    def distance(a, b):
        row = list(range(len(b) + 1))
        for i, ca in enumerate(a, 1):
            diagonal, row[0] = row[0], i
            for j, cb in enumerate(b, 1):
                diagonal, row[j] = row[j], min(row[j] + 1, row[j - 1] + 1, diagonal + (ca != cb))
        return row[-1]
    best = min(KEYS, key=lambda k: distance(name, k))
    hint = f" (did you mean {best}?)" if distance(name, best) * 3 <= len(name) else ""
    return f"{name}: no such key{hint}"


_QUANTITY = re.compile(r"\s*([+-]?)(\d+\.?\d*|\.\d+)(?:[eE]([+-]?\d+))?\s*(\S*)\s*")


def _value(key, raw, where):
    k = KEYS[key]
    if k["kind"] == "side":
        if raw not in ("right", "left"):
            raise DescriptionError(f'{where}: {key}: must be "right" or "left", not {raw!r}')
        return raw
    if isinstance(raw, bool) or not isinstance(raw, (int, float, str)):
        raise DescriptionError(f"{where}: {key}: must be a number in {k['unit']}, not {raw!r}")
    if isinstance(raw, str):
        m = _QUANTITY.fullmatch(raw)
        if not m:
            raise DescriptionError(f"{where}: {key}: {raw!r} is not a number with a unit")
        sign, mantissa, exponent, unit = m.groups()
        if not unit:
            raise DescriptionError(f"{where}: {key}: {raw!r} has no unit")
        if unit not in k["units"]:
            raise DescriptionError(f"{where}: {key}: unit {unit!r} is not one of {', '.join(k['units'])}")
        value = float(f"{sign}{mantissa}e{int(exponent or 0) + k['units'][unit]}")
    else:
        value = float(raw)
    held = _single(value) if k["single"] else value  # as the program holds it
    if math.isfinite(value) and not math.isfinite(held):
        raise DescriptionError(f"{where}: {key}: is too large for a single-precision value")
    why = _rule(k["kind"], held)
    if why:
        raise DescriptionError(f"{where}: {key} = {value:g} {k['unit']}: {why}")
    return value


def _rule(kind, v):
    if not math.isfinite(v):
        return "must be a finite number"
    if kind in ("length", "wavelength") and not v > 0:
        return "must be positive"
    if kind in ("gap", "angle_per_angstrom") and v < 0:
        return "must be 0 or more"
    if kind == "temperature" and not TEMPERATURE_RANGE[0] <= v <= TEMPERATURE_RANGE[1]:
        return "must lie inside the helium density table (0.2 to 4.4 K, single-precision end points)"
    return ""


def load(path=None, sets=()):
    """The beamline of `tarn [--beamline path] [--set KEY=VALUE ...]`: the
    shipped values, those the file gives, then each set in order. Raises
    DescriptionError for a key, type, unit or value tarn would refuse (tarn
    also checks that the openings fit and, with the spectrum, the model's
    reflection limits)."""
    values = flat(shipped())
    if path is not None:
        with open(path, "rb") as f:
            try:
                document = tomllib.load(f)
            except tomllib.TOMLDecodeError as e:
                raise DescriptionError(f"{path}: not TOML: {e}") from None
        def walk(table, prefix):
            for name, raw in table.items():
                key = prefix + name
                if key in KEYS:
                    values[key] = _value(key, raw, path)
                elif isinstance(raw, dict):
                    walk(raw, key + ".")
                else:
                    raise DescriptionError(f"{path}: {_nearest(key)}")
        walk(document, "")
    for s in sets:
        key, eq, text = s.partition("=")
        if not eq:
            raise DescriptionError(f"--set {s}: give KEY=VALUE")
        if key not in KEYS:
            raise DescriptionError(f"--set {s}: {_nearest(key)}")
        try:
            raw = tomllib.loads("value = " + text)["value"]
        except tomllib.TOMLDecodeError:
            raw = text
        values[key] = _value(key, raw, f"--set {s}")
    return nest(values)


def _same(key, a, b):
    if KEYS[key]["single"] and not isinstance(a, str):
        return _single(a) == _single(b)
    return a == b


def differences(b, base=None):
    """[(key, value, shipped value)] for every key whose value differs from
    `base` (the shipped beamline), in key order."""
    a, s = flat(b), flat(base or shipped())
    return [(key, a[key], s[key]) for key in KEYS if not _same(key, a[key], s[key])]


def canonical_text(b):
    """The text tarn's digest is made from: KEY=VALUE per key, numbers with
    17 significant digits (single-precision values rounded to single first)."""
    lines = []
    for key, v in flat(b).items():
        if not isinstance(v, str):
            v = format(_single(v) if KEYS[key]["single"] else float(v), ".17g")
        lines.append(f"{key}={v}\n")
    return "".join(lines)


def digest(b):
    """FNV-1a (64 bits) of canonical_text(b), 16 hex digits, as tarn's log shows it."""
    h = 14695981039346656037
    for byte in canonical_text(b).encode("utf-8"):
        h = ((h ^ byte) * 1099511628211) & 0xFFFFFFFFFFFFFFFF
    return f"{h:016x}"


def from_changes(changes):
    """The beamline of a run whose log lists `changes` ({key: "30 cm"}, as
    tarnreport.runlog reads them): the shipped values with those."""
    return load(sets=[f"{key}={text}" for key, text in changes.items()])
