"""Random clean segments between rejected stretches."""

import math
import numbers

import numpy as np

from . import _core
from ._core import EventsError
from ._events import EventList


def _samples(seconds, rate, what):
    """Seconds to the nearest sample (halves away from zero), checked."""
    if isinstance(seconds, bool) or not isinstance(seconds, numbers.Real):
        raise TypeError(f"{what} must be a number of seconds, not {type(seconds).__name__}")
    x = float(seconds) * rate
    if not math.isfinite(x):
        raise EventsError(f"{what} must be finite, got {seconds!r}")
    n = math.copysign(math.floor(abs(x) + 0.5), x)
    if not -2**31 <= n < 2**31:
        raise EventsError(f"{what} {seconds!r} s does not fit a 32-bit sample at {rate:g} Hz")
    return int(n)


def segments(events, length, *, count=None, min_separation=0.0, seed=None, margin=0.0):
    """Draws random clean segments between the rejected events.

    Parameters
    ----------
    events : EventList
        The recording's events; rejected ones (exclusions, ``BAD_*``) mark
        the stretches to avoid. Segments are drawn from the first sample to
        the end of the last event.
    length : float
        Length of each segment in seconds.
    count : int, optional
        How many to draw (default: as many as fit).
    min_separation : float
        Least gap between segments in seconds; a negative value lets them
        overlap and needs ``count``.
    seed : int, optional
        Seed of the random generator, for a repeatable draw.
    margin : float
        Seconds kept clear at both ends of every clean stretch.

    Returns
    -------
    pandas.DataFrame
        start and stop (first and last sample), onset and duration
        (seconds). Pass it to :func:`segments_to_annotations` for
        ``mne.Annotations``.
    """
    import pandas as pd

    if not isinstance(events, EventList):
        raise TypeError(f"events must be an EventList, not {type(events).__name__}")
    rate = events._need_rate("segment lengths in seconds")
    n = _samples(length, rate, "length")
    if n < 1:
        raise EventsError(f"length {length!r} s is shorter than one sample at {rate:g} Hz")
    if count is None:
        count = 0
    elif isinstance(count, bool) or not isinstance(count, numbers.Integral):
        raise TypeError(f"count must be an integer, not {type(count).__name__}")
    elif count < 1 or count >= 2**31:
        raise EventsError(f"count must be a positive 32-bit integer, got {count}")
    separation = _samples(min_separation, rate, "min_separation")
    if min_separation < 0:
        separation = -1
        if count < 1:
            raise EventsError("overlapping segments (negative min_separation) need count")
    trim = _samples(margin, rate, "margin")
    if trim < 0:
        raise EventsError(f"margin must not be negative, got {margin!r}")
    if seed is not None and (isinstance(seed, bool) or not isinstance(seed, numbers.Integral)):
        raise TypeError(f"seed must be an integer, not {type(seed).__name__}")
    if seed is not None and not -2**31 <= seed < 2**31:
        raise EventsError(f"seed must fit a 32-bit integer, got {seed}")
    starts, stops = _core.segments(events._core, n, int(count), separation, seed is not None, int(seed or 0), trim)
    return pd.DataFrame({
        "start": starts,
        "stop": stops,
        "onset": starts / rate,
        "duration": (stops - starts + 1) / rate,
    })


def segments_to_annotations(table, description="segment", *, orig_time=None):
    """The segments of :func:`segments` as ``mne.Annotations``.

    Parameters
    ----------
    table : pandas.DataFrame
        With onset and duration columns in seconds.
    description : str
        The description of every annotation.

    Returns
    -------
    mne.Annotations
    """
    import mne
    import pandas as pd

    if not isinstance(table, pd.DataFrame):
        raise TypeError(f"table must be a pandas DataFrame, not {type(table).__name__}")
    if not isinstance(description, str):
        raise TypeError("description must be a str")
    return mne.Annotations(np.asarray(table["onset"], float), np.asarray(table["duration"], float),
                           [description] * len(table), orig_time=orig_time)
