"""hbook diff A.hbook B.hbook [ID...] [--level P]: are the objects of two
files samples of the same distributions?

For every object of every directory present in both files (or those named:
ID, /DIR/ID): the chi-square homogeneity test and, for 1-D histograms, the
Kolmogorov-Smirnov test (hbook.compare says how), one line each with its
p-values; an object agrees when every p-value is at least the level
(default 0.001). Objects no test compares (ntuples, the sampler's running
sums, histograms without entries in one file, different kinds or binnings)
are listed with the reason, and so are ids found in one file only. The
last line sums it up.

Exit status: 0 every object compared agrees and none is in one file only, 1
some do not, 2 a wrong command line or a file that cannot be read.
"""
import argparse
import sys

if __name__ == "__main__":
    from .command import needs
    needs("scipy", "python3-scipy")

from . import FileError, open as open_file
from .command import object_name
from .compare import DEFAULT_LEVEL, NotComparable, compare
from .file import address

HEADER = (f"{'object':>10}  {'kind':<8}{'bins':>6}{'entries A':>11}{'entries B':>11}  {'chi2 / ndf':>18}"
          f"{'p':>11}{'KS D':>9}{'KS p':>11}  verdict")


def _name(o):
    return str(o.id) if o.directory in (None, "/") else f"{o.directory}/{o.id}"


def _kind(o):
    return {"1-D histogram": "1-D", "2-D histogram": "2-D", "profile histogram": "profile"}.get(o.kind, o.kind)


def _bins(o):
    return o.nx * o.ny if hasattr(o, "ny") and hasattr(o, "cells") else getattr(o, "nx", "")


def _p(p):
    return f"{p:.3g}" if p >= 1e-3 or p == 0 else f"{p:.2e}"


def _objects(f, wanted):
    """name -> object, in the file's order, of the names asked (all when none)."""
    found = {_name(o): o for o in f}
    if not wanted:
        return found
    return {name: found[name] for name in wanted if name in found}


def _wanted(ids):
    names = []
    for i in ids:
        directory, id = address(i)
        names.append(str(id) if directory == "/" else f"{directory}/{id}")
    return names


def diff(a, b, wanted, level, out):
    """Compares the objects of files a and b; returns the exit status."""
    objects_a, objects_b = _objects(a, wanted), _objects(b, wanted)
    order = list(objects_a) + [n for n in objects_b if n not in objects_a]
    if wanted:
        order = wanted
    agree, disagree, untested, only_a, only_b, neither = [], [], [], [], [], []
    print(f"A = {a.path}\nB = {b.path}\n{HEADER}", file=out)
    for name in order:
        x, y = objects_a.get(name), objects_b.get(name)
        if x is None or y is None:
            (only_b if x is None and y is not None else only_a if y is None and x is not None else neither).append(name)
            continue
        try:
            c = compare(x, y)
        except NotComparable as e:
            untested.append((name, str(e)))
            continue
        ok = c.agrees(level)
        (agree if ok else disagree).append(name)
        ks = f"{c.ks.statistic:9.4f}{_p(c.ks.p):>11}" if c.ks else f"{'':9}{'':11}"
        chi2 = f"{c.chi2.chi2:.4g} / {c.chi2.ndf}"
        print(f"{name:>10}  {_kind(x):<8}{_bins(x):>6}{x.entries:>11}{y.entries:>11}  {chi2:>18}{_p(c.chi2.p):>11}"
              f"{ks}  {'agree' if ok else 'DIFFER'}", file=out)
    for name, why in untested:
        print(f"{name:>10}  not compared: {why}", file=out)
    for names, where in ((only_a, "only in A"), (only_b, "only in B"), (neither, "in neither file")):
        if names:
            print(f"{where}: {' '.join(names)}", file=out)
    compared = len(agree) + len(disagree)
    summary = (f"{compared} compared at the {level:g} level: {len(agree)} agree, {len(disagree)} "
               f"{'does' if len(disagree) == 1 else 'do'} not")
    if disagree:
        summary += f" ({' '.join(disagree)})"
    if untested:
        summary += f"; {len(untested)} not compared"
    if only_a or only_b or neither:
        summary += f"; {len(only_a)} only in A, {len(only_b)} only in B"
        if neither:
            summary += f", {len(neither)} in neither"
    print(summary, file=out)
    return 0 if not disagree and not only_a and not only_b and not neither else 1


def level(text):
    try:
        value = float(text)
    except ValueError:
        raise argparse.ArgumentTypeError(f"not a number: {text!r}") from None
    if not 0 < value < 1:
        raise argparse.ArgumentTypeError(f"the level is a probability between 0 and 1, not {text}")
    return value


def main(argv=None):
    parser = argparse.ArgumentParser(prog="hbook diff",
                                     description="Compare the histograms of two HBOOK files (chi-square and "
                                                 "Kolmogorov-Smirnov tests).")
    parser.add_argument("a", metavar="A.hbook")
    parser.add_argument("b", metavar="B.hbook")
    parser.add_argument("ids", metavar="ID", nargs="*", type=object_name, help="ID, or /DIR/ID in a subdirectory")
    parser.add_argument("--level", type=level, default=DEFAULT_LEVEL,
                        help=f"an object agrees when its p-values are at least this (default {DEFAULT_LEVEL})")
    args = parser.parse_args(argv)
    try:
        a, b = open_file(args.a), open_file(args.b)
    except (FileError, OSError) as e:
        print(f"hbook diff: {e}", file=sys.stderr)
        return 2
    return diff(a, b, _wanted(args.ids), args.level, sys.stdout)


if __name__ == "__main__":
    from .command import run
    run(main)
