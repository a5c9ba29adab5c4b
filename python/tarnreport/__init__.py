"""The report page of a tarn run: one self-contained HTML file (figures
embedded) made from a run directory's log and histogram file.

    tarn-report RUNDIR [-o PAGE.html] [--log tarn-MMDD-hhmm.o]
    (python3 -m tarnreport ...)
"""
