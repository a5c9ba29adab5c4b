"""HBOOK files in Python, through tarn's own C++ reader and writer.

    import hbook
    with hbook.open("h526017.hbook") as f:
        for o in f:                  # every object of every directory
            print(o.directory, o)
        spectrum = f[3005]           # an H1 of the top directory: numpy arrays
        spectrum.edges, spectrum.contents, spectrum.errors
        f["/AA/BB/3"]                # an object of a subdirectory
    hbook.write("new.hbook", [spectrum, h2, profile, ntuple])   # never overwrites
    hbook.write("copy.hbook", hbook.open("h526017.hbook"))    # every directory

Object kinds: H1 (1-D histogram), H2 (2-D histogram, with its projections,
slices and bands), Profile, RowNtuple and ColumnNtuple (dicts of numpy
columns; variable-length arrays as Jagged), gathered in Directory objects.
Arrays have the file's precision (float32 for HBOOK contents). Problems with
a file raise hbook.FileError (an OSError) with the reader's message, which
names the file, the record and the field.
"""
from ._core import FileError
from .binning import Axis
from .cwn import ColumnNtuple, Jagged, Variable
from .directory import Directory
from .file import File, open, write
from .h1 import H1
from .h2 import H2, Projection
from .profile import Profile
from .rwn import RowNtuple

__all__ = ["Axis", "ColumnNtuple", "Directory", "File", "FileError", "H1", "H2", "Jagged", "Profile", "Projection",
           "RowNtuple", "Variable", "open", "write"]
