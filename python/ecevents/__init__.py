"""Event (marker) lists of EEG/MEG recordings: reading, tagging, bins and
epochs, with NumPy, pandas and MNE-Python.

The main entry points are :func:`read_events` and the ``EventList.from_*``
constructors, :func:`run` (bins over a list, giving :class:`BinResults`) and
:func:`segments`; :func:`ecevents.study.run_study` runs a whole study on a Dask
cluster. Every failure of the engine or of an event file is an
:class:`EventsError` (a ``ValueError``); arguments of the wrong type give
``TypeError``.
"""

from ._core import EventsError

EventsError.__doc__ = """A failure of the engine or of an event file or document.

The message is the engine's or the format reader's own, naming the file
(and line) or the class and operation that failed. A ValueError.
"""
from ._events import Event, EventList, read_events
from ._bins import BinResults, run
from ._segments import segments, segments_to_annotations

__all__ = [
    "BinResults",
    "Event",
    "EventList",
    "EventsError",
    "read_events",
    "run",
    "segments",
    "segments_to_annotations",
]
