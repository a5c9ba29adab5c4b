"""tarn-report RUNDIR [-o PAGE.html] [--log LOG]: the report page of a run.

The run log is RUNDIR's tarn-*.o (the newest if there are several, or
--log); the histogram file is the one the log names, in RUNDIR. The page
goes to PAGE.html, by default beside the log with the log's name and
.html; its path is printed.

tarn-report SCANDIR: the folder of a tarn scan (it holds scan.toml): its
table scan.csv, its plot scan.png and its page scan.html (-o: the page
elsewhere), from the points done; their paths are printed.
"""
import argparse
import glob
import os
import sys

from . import runlog, scan


def find_log(directory):
    logs = glob.glob(os.path.join(directory, "tarn-*.o"))
    if not logs:
        raise FileNotFoundError(f"{directory}: no run log (tarn-MMDD-hhmm.o)")
    return max(logs, key=os.path.getmtime)


def main(argv=None):
    parser = argparse.ArgumentParser(prog="tarn-report", description="The report page of a tarn run.")
    parser.add_argument("rundir", metavar="RUNDIR")
    parser.add_argument("-o", "--output", metavar="PAGE.html")
    parser.add_argument("--log", metavar="LOG", help="the run log, if not the newest tarn-*.o of RUNDIR")
    args = parser.parse_args(argv)
    if os.path.exists(os.path.join(args.rundir, scan.MANIFEST)):
        return scan_report(args.rundir, args.output)
    try:
        log_path = args.log or find_log(args.rundir)
        log = runlog.parse(log_path)
        if log.histogram_file is None:
            raise FileNotFoundError(f"{log_path}: the log names no histogram file (the run stopped early)")
        from . import page  # the HBOOK binding: not needed for a scan
        text = page.build(log, os.path.join(args.rundir, log.histogram_file))
        out = args.output or os.path.splitext(log_path)[0] + ".html"
        with open(out, "w", encoding="utf-8") as f:
            f.write(text)
    except OSError as e:  # hbook.FileError included
        print(f"tarn-report: {e}", file=sys.stderr)
        return 1
    print(out)
    return 0


def scan_report(directory, page_path=None):
    """The table, plot and page of the scan in `directory`."""
    from . import scanpage, scanplot
    try:
        s = scan.load(directory)
        if not len(s.table):
            raise scan.ScanError(f"{directory}: no point of the scan is done yet")
        table = os.path.join(directory, scan.TABLE)
        plot = os.path.join(directory, scan.PLOT)
        out = page_path or os.path.join(directory, scan.PAGE)
        scan.write_table(s.table, table)
        scanplot.save_all(s, plot)
        with open(out, "w", encoding="utf-8") as f:
            f.write(scanpage.build(s))
    except OSError as e:
        print(f"tarn-report: {e}", file=sys.stderr)
        return 1
    if s.missing:
        print(f"tarn-report: {len(s.missing)} of the scan's {len(s.points)} points are not done yet: the table, plot "
              "and page show the others", file=sys.stderr)
    for path in (table, plot, out):
        print(path)
    return 0


if __name__ == "__main__":
    sys.exit(main())
