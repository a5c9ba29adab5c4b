"""HBOOK histogram files in Python, through tarn's own C++ reader and writer.

    import hbook
    with hbook.open("h526017.hbook") as f:
        for h in f:                  # every object, in file order
            print(h)
        spectrum = f[3005]           # an H1: numpy arrays of the file's precision
        spectrum.edges, spectrum.contents, spectrum.errors
    hbook.write("new.hbook", [spectrum])   # never overwrites

Problems with a file raise hbook.FileError (an OSError) with the reader's
message, which names the file, the record and the field.
"""
from ._core import FileError
from .file import File, open, write
from .h1 import H1

__all__ = ["File", "FileError", "H1", "open", "write"]
