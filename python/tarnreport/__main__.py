"""tarn-report RUNDIR [RUNDIR...] [-o PAGE.html] [--log LOG] [--merged FILE] [--force]

One RUNDIR: the page of that run. The run log is RUNDIR's tarn-*.o (the
newest if there are several, or --log); the histogram file is the one the
log names, in RUNDIR. The page goes to PAGE.html, by default beside the log
with the log's name and .html.

Several RUNDIRs: the page of the runs added together (each RUNDIR's newest
log and its histogram file), by default tarn-runs.html in the working
directory; --merged FILE adds the histograms of the file hbook merge made of
them.

An existing page is never replaced unless --force is given. The page's path
is printed.

tarn-report SCANDIR: the folder of a tarn scan (it holds scan.toml): its
table scan.csv, its plot scan.png and its page scan.html (-o: the page
elsewhere), from the points done; their paths are printed.
"""
import argparse
import glob
import os
import sys

from . import figures, runlog, scan


class ReportError(OSError):
    """What keeps the page from being made, said for the user."""


def find_log(directory):
    if not os.path.exists(directory):
        raise ReportError(f"{directory}: no such folder (give the folder a run wrote its log and histograms to)")
    if not os.path.isdir(directory):
        raise ReportError(f"{directory}: not a folder (give the folder of a run, not one of its files)")
    logs = glob.glob(os.path.join(directory, "tarn-*.o"))
    if not logs:
        raise ReportError(f"{directory}: no run log (tarn-MMDD-hhmm.o) in this folder: is it the --output-dir of a run?")
    return max(logs, key=os.path.getmtime)


def read_run(directory, log_path=None):
    """(parsed log, histogram file path) of the run in `directory`."""
    log_path = log_path or find_log(directory)
    if not os.path.isfile(log_path):
        raise ReportError(f"{log_path}: no such run log")
    log = runlog.parse(log_path)
    if log.histogram_file is None:
        raise ReportError(f"{log_path}: the log names no histogram file (the run stopped early)")
    hbook_path = os.path.join(directory, log.histogram_file)
    if not os.path.isfile(hbook_path):
        raise ReportError(f"{hbook_path}: the histogram file the log names is not in {directory}")
    return log, hbook_path


def check_output(out, force):
    folder = os.path.dirname(os.path.abspath(out))
    if not os.path.isdir(folder):
        raise ReportError(f"cannot write {out}: the folder {folder} does not exist")
    if os.path.exists(out) and not force:
        raise ReportError(f"{out} exists: give --force to replace it, or -o another name")


def write(out, text):
    partial = out + ".part"
    try:
        with open(partial, "w", encoding="utf-8") as f:
            f.write(text)
        os.replace(partial, out)
    finally:
        if os.path.exists(partial):
            os.remove(partial)


def main(argv=None):
    parser = argparse.ArgumentParser(prog="tarn-report", description="The report page of a tarn run, or of several.")
    parser.add_argument("rundirs", metavar="RUNDIR", nargs="+")
    parser.add_argument("-o", "--output", metavar="PAGE.html")
    parser.add_argument("--log", metavar="LOG", help="the run log, if not the newest tarn-*.o of RUNDIR (one run)")
    parser.add_argument("--merged", metavar="FILE", help="the histograms of the runs merged (hbook merge), shown too")
    parser.add_argument("--force", action="store_true", help="replace an existing page")
    args = parser.parse_args(argv)
    several = len(args.rundirs) > 1
    if not several and os.path.exists(os.path.join(args.rundirs[0], scan.MANIFEST)):
        return scan_report(args.rundirs[0], args.output)
    if several and args.log:
        parser.error("--log names the log of one run; for several, give their folders")
    if args.merged and not several:
        parser.error("--merged is for the page of several runs")
    try:
        from . import page  # the HBOOK binding: not needed for a scan
        if several:
            runs = [read_run(d) for d in args.rundirs]
            if args.merged and not os.path.isfile(args.merged):
                raise ReportError(f"{args.merged}: no such merged histogram file")
            out = args.output or "tarn-runs.html"
            check_output(out, args.force)
            text = page.build_runs([log for log, _ in runs], [path for _, path in runs], args.merged)
        else:
            log, hbook_path = read_run(args.rundirs[0], args.log)
            out = args.output or os.path.splitext(log.path)[0] + ".html"
            check_output(out, args.force)
            text = page.build(log, hbook_path)
        write(out, text)
    except (OSError, figures.SummaryError) as e:  # hbook.FileError included
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
