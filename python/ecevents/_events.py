"""The event list of one recording."""

import numbers
import re
from collections import namedtuple

import numpy as np

from . import _core
from ._core import EventsError
from ._documents import document, path_of

Event = namedtuple("Event", "name sample stop onset duration status rejected tags")
Event.__doc__ = """One event of an EventList, read-only.

Attributes
----------
name : str
    The event's name.
sample, stop : int
    First and last sample the event covers (equal for a point event),
    counted from the list's first sample (MNE's ``first_samp`` not added).
onset, duration : float or None
    The same in seconds (None when the list has no sampling rate).
status : int
    Status bits: 1 rejected, 2 accepted, 4 status on, 8 status off.
rejected : bool
    Whether the event is rejected (exclusions such as ``BAD_*``).
tags : tuple of str
    Attribute tags (``factor:value``) the event carries.
"""


def check_rate(sfreq, what="sfreq", optional=False):
    """A sampling rate argument as a float: TypeError or EventsError."""
    if sfreq is None and optional:
        return 0.0
    if isinstance(sfreq, bool) or not isinstance(sfreq, numbers.Real):
        raise TypeError(f"{what} must be a number, not {type(sfreq).__name__}")
    rate = float(sfreq)
    if not np.isfinite(rate) or rate <= 0.0 or not np.isfinite(np.float32(rate)):
        raise EventsError(f"{what} must be a positive finite number of samples per second, got {sfreq!r}")
    return rate


def check_int(value, what):
    if isinstance(value, bool) or not isinstance(value, numbers.Integral):
        raise TypeError(f"{what} must be an integer, not {type(value).__name__}")
    return int(value)


def check_event_id(event_id, what="event_id"):
    """An event_id dict as {name: int}, checked; None stays None."""
    if event_id is None:
        return None
    if not isinstance(event_id, dict):
        raise TypeError(f"{what} must be a dict of name to integer code, not {type(event_id).__name__}")
    checked = {}
    seen = {}
    for name, code in event_id.items():
        if not isinstance(name, str):
            raise TypeError(f"{what} keys must be str, not {type(name).__name__}")
        code = check_int(code, f"the code of {name!r} in {what}")
        if code in seen:
            raise EventsError(f"{what}: code {code} is given to both {seen[code]!r} and {name!r}")
        seen[code] = name
        checked[name] = code
    return checked


def _decimal(name):
    """The integer a name spells in decimal (optional sign, no blanks), or None."""
    if re.fullmatch(r"[+-]?[0-9]+", name) is None:
        return None
    value = int(name)
    return value if -2**31 <= value < 2**31 else None


class EventList:
    """The events of one recording.

    Make one with :func:`read_events`, :meth:`from_mne`,
    :meth:`from_annotations`, :meth:`from_raw` or :meth:`from_dataframe`.
    Samples are counted from the recording's first sample; the list
    remembers MNE's ``first_samp`` so that :meth:`to_mne` gives the samples
    MNE counts.

    Examples
    --------
    >>> events = ecevents.read_events("sub-01_task-oddball_events.tsv")
    >>> len(events), events.sfreq, events.names
    """

    def __init__(self, *args, **kwargs):
        raise TypeError("use ecevents.read_events or an EventList.from_* constructor")

    @classmethod
    def _wrap(cls, core, first_samp=0, event_id=None):
        self = object.__new__(cls)
        self._core = core
        self._first_samp = int(first_samp)
        self._event_id = dict(event_id or {})
        return self

    # Construction -----------------------------------------------------

    @classmethod
    def from_mne(cls, events, sfreq, event_id=None, *, first_samp=0):
        """Events from an MNE events array.

        Parameters
        ----------
        events : array of int, shape (n, 3)
            Sample (as MNE counts it, ``first_samp`` included), previous
            value and event code, as ``mne.find_events`` gives.
        sfreq : float
            Samples per second.
        event_id : dict of str to int, optional
            Names of the codes; a code without a name is named by its
            decimal text.
        first_samp : int
            The recording's first sample (``raw.first_samp``); the list
            remembers it.

        Returns
        -------
        EventList
        """
        rate = check_rate(sfreq)
        first_samp = check_int(first_samp, "first_samp")
        event_id = check_event_id(event_id)
        array = np.asarray(events)
        if array.dtype == object or not (np.issubdtype(array.dtype, np.integer) or array.size == 0):
            raise TypeError(f"events must be an integer array, not {array.dtype}")
        if array.ndim != 2 or array.shape[1] != 3:
            if not (array.size == 0 and array.ndim <= 2):
                raise EventsError(f"events must have the shape (n, 3), not {array.shape}")
            array = np.zeros((0, 3), dtype=np.int64)
        array = array.astype(np.int64)
        codes, index = np.unique(array[:, 2], return_inverse=True)
        names = {code: name for name, code in (event_id or {}).items()}
        labels = [names.get(int(c), str(int(c))) for c in codes]
        core = _core.from_arrays(array[:, 0] - first_samp, np.zeros(len(array)), index, labels, rate, "events")
        return cls._wrap(core, first_samp, event_id)

    @classmethod
    def from_annotations(cls, annotations, sfreq, *, first_samp=0):
        """Events from ``mne.Annotations``.

        Onsets become samples as MNE rounds them (relative to ``orig_time``
        when the annotations have one, else to the first sample), durations
        the last sample each event covers. Descriptions starting with
        ``BAD_`` (any case) and the exclusion names (``EXCLUDE``,
        ``REJECT``, ...) come in as rejected events, so bins and segments
        avoid them.

        Parameters
        ----------
        annotations : mne.Annotations
        sfreq : float
            Samples per second.
        first_samp : int
            The recording's first sample (``raw.first_samp``).

        Returns
        -------
        EventList
        """
        rate = check_rate(sfreq)
        first_samp = check_int(first_samp, "first_samp")
        onset, duration, description = _annotation_columns(annotations)
        if annotations.orig_time is not None:
            onset = onset - first_samp / rate
        starts = np.round(onset * rate).astype(np.int64) if len(onset) else np.zeros(0, np.int64)
        return cls._from_columns(starts, duration, description, rate, first_samp)

    @classmethod
    def from_raw(cls, raw):
        """Events from the annotations of an MNE raw recording.

        The samples are those ``mne.events_from_annotations(raw)`` gives
        (less ``raw.first_samp``, which the list remembers); see
        :meth:`from_annotations` for durations and exclusions.

        Parameters
        ----------
        raw : mne.io.Raw

        Returns
        -------
        EventList
        """
        if not all(hasattr(raw, a) for a in ("annotations", "info", "first_samp", "time_as_index")):
            raise TypeError(f"raw must be an MNE raw recording, not {type(raw).__name__}")
        rate = check_rate(raw.info["sfreq"], "raw.info['sfreq']")
        annotations = raw.annotations
        onset, duration, description = _annotation_columns(annotations)
        starts = raw.time_as_index(onset, use_rounding=True, origin=annotations.orig_time) if len(onset) else []
        return cls._from_columns(np.asarray(starts, np.int64), duration, description, rate, raw.first_samp)

    @classmethod
    def _from_columns(cls, starts, durations, descriptions, rate, first_samp):
        labels, index = np.unique(np.asarray(descriptions, dtype=str), return_inverse=True)
        core = _core.from_arrays(starts, np.asarray(durations, np.float64), index, list(labels), rate, "annotations")
        return cls._wrap(core, first_samp)

    @classmethod
    def from_dataframe(cls, df, sfreq, *, name_column=None):
        """Events from a BIDS-style events table.

        Parameters
        ----------
        df : pandas.DataFrame
            Columns ``onset`` and ``duration`` (seconds), ``trial_type`` or
            ``value`` (the names; a ``trial_type`` of n/a takes its
            ``value``), optionally ``sample`` and ``tags`` (tags separated by
            ``;``, or a list per row). Missing values are n/a.
        sfreq : float
            Samples per second; onsets become the nearest samples.
        name_column : str, optional
            The column holding the names.

        Returns
        -------
        EventList
        """
        import pandas as pd

        if not isinstance(df, pd.DataFrame):
            raise TypeError(f"df must be a pandas DataFrame, not {type(df).__name__}")
        rate = check_rate(sfreq)
        if name_column is not None and not isinstance(name_column, str):
            raise TypeError("name_column must be a str")
        table = df.copy()
        if "tags" in table.columns:
            table["tags"] = [";".join(t) if isinstance(t, (list, tuple)) else t for t in table["tags"]]
        text = table.to_csv(sep="\t", index=False, na_rep="n/a", lineterminator="\n")
        core = _core.from_table(text.encode("utf-8", "surrogateescape"), "dataframe", rate, name_column or "")
        return cls._wrap(core)

    # Reading ------------------------------------------------------------

    def __len__(self):
        return len(self._core)

    @property
    def sfreq(self):
        """Samples per second (None when unknown)."""
        rate = self._core.rate
        return float(str(np.float32(rate))) if rate > 0 else None

    @property
    def first_samp(self):
        """MNE's first sample of the recording, which to_mne adds."""
        return self._first_samp

    @property
    def names(self):
        """Event names, each once, in order of first appearance."""
        return list(self._core.codes()[1])

    @property
    def tags(self):
        """Attribute tags the events carry, each once, in order of first use."""
        return list(self._core.tag_names())

    @property
    def exact_time(self):
        """Whether times are whole samples when the list is tagged or run
        (bool, read/write; False by default, and kept by copies).

        By default event times are single-precision seconds, as bin
        descriptions written for the engine expect; past 2**24 samples
        (4.7 hours at 1 kHz) a float no longer resolves one sample and
        window edges may move by a few samples. With ``exact_time`` a window
        edge L seconds from an event at sample s is the sample
        ``s ± round(L * sfreq)``, edges included, on a recording of any
        length; exclusions and a document's stimulus delay follow the same
        rule. :func:`read_events` takes it as a keyword; set it here on a
        list made otherwise.
        """
        return self._core.exact_time

    @exact_time.setter
    def exact_time(self, value):
        if not isinstance(value, (bool, np.bool_)):
            raise TypeError(f"exact_time must be a bool, not {type(value).__name__}")
        self._core.exact_time = bool(value)

    @property
    def annotation(self):
        """The list's annotation text (event-list documents carry one)."""
        return self._core.annotation

    def _record(self, i):
        name, start, stop, status, rejected, tags = self._core.record(i)
        rate = self._core.rate
        onset = start / rate if rate > 0 else None
        duration = ((stop - start + 1) / rate if stop > start else 0.0) if rate > 0 else None
        return Event(name, start, stop, onset, duration, status, rejected, tags)

    def __getitem__(self, index):
        if isinstance(index, slice):
            return [self._record(i) for i in range(*index.indices(len(self)))]
        return self._record(check_int(index, "an event index"))

    def __iter__(self):
        for i in range(len(self)):
            yield self._record(i)

    def __repr__(self):
        rate = self.sfreq
        return f"<EventList | {len(self)} events, {len(self.names)} names, sfreq {rate if rate else 'unknown'}>"

    def samples(self):
        """Start samples of the events (int64 array)."""
        return self._core.starts()

    @property
    def event_id(self):
        """The codes to_mne gives the names: those given to from_mne or
        read_events, a name that is a decimal integer its value, the others
        the next free codes in order of first appearance."""
        return _event_id_for(self.names, self._event_id)

    # Converting ---------------------------------------------------------

    def to_mne(self, event_id=None, *, first_samp=None):
        """The events as an MNE events array.

        Parameters
        ----------
        event_id : dict of str to int, optional
            Codes for the names; by default those :meth:`event_id` gives.
            Every name of the list needs a code.
        first_samp : int, optional
            Added to every sample; by default the list's own.

        Returns
        -------
        events : ndarray of int64, shape (n, 3)
            Sample, 0, code, in time order.
        event_id : dict of str to int
            The codes of the names present.
        """
        event_id = check_event_id(event_id)
        first = self._first_samp if first_samp is None else check_int(first_samp, "first_samp")
        codes, names = self._core.codes()
        mapping = _event_id_for(names, self._event_id) if event_id is None else event_id
        missing = [n for n in names if n not in mapping]
        if missing:
            raise EventsError(f"event_id has no code for {', '.join(repr(n) for n in missing)}")
        table = np.array([mapping[n] for n in names], dtype=np.int64)
        events = np.zeros((len(codes), 3), dtype=np.int64)
        events[:, 0] = self._core.starts() + first
        events[:, 2] = table[codes] if len(codes) else []
        order = np.argsort(events[:, 0], kind="stable")
        return events[order], {n: mapping[n] for n in names}

    def to_annotations(self, *, orig_time=None):
        """The events as ``mne.Annotations`` (onsets from the first sample).

        Returns
        -------
        mne.Annotations
        """
        import mne

        rate = self._need_rate("annotations")
        starts, stops = self._core.starts(), self._core.stops()
        durations = np.where(stops > starts, (stops - starts + 1) / rate, 0.0)
        names = np.asarray(self._core.codes()[1], dtype=object)
        return mne.Annotations(starts / rate, durations, names[self._core.codes()[0]] if len(self) else [],
                               orig_time=orig_time)

    def to_dataframe(self):
        """The events as a DataFrame.

        Returns
        -------
        pandas.DataFrame
            Columns onset and duration (seconds; NaN without a sampling
            rate), sample and stop (first and last sample), name, status
            (bits), rejected (bool) and tags (``;``-separated).
        """
        import pandas as pd

        starts, stops = self._core.starts(), self._core.stops()
        rate = self._core.rate
        codes, names = self._core.codes()
        if rate > 0:
            onset = starts / rate
            duration = np.where(stops > starts, (stops - starts + 1) / rate, 0.0)
        else:
            onset = duration = np.full(len(starts), np.nan)
        return pd.DataFrame({
            "onset": onset,
            "duration": duration,
            "sample": starts,
            "stop": stops,
            "name": pd.Categorical.from_codes(codes, categories=names),
            "status": self._core.status(),
            "rejected": self._core.rejected(),
            "tags": self._core.tags_joined(),
        })

    def write(self, path, *, event_id=None):
        """Writes the events to a file chosen by its suffix.

        ``.tsv`` is a BIDS events table, ``.eve`` an MNE event file (codes
        from ``event_id``, then :meth:`event_id`), anything else an
        event-list document. The file is replaced only when complete.

        Parameters
        ----------
        path : str or os.PathLike
        event_id : dict of str to int, optional
        """
        path = path_of(path, "path")
        event_id = check_event_id(event_id)
        mapping = _event_id_for(self.names, self._event_id) if event_id is None else event_id
        entries = [f"{name}={code}" for name, code in mapping.items() if _decimal(name) != code]
        self._core.write(path, entries)

    # Changing -----------------------------------------------------------

    def tag(self, bindesc):
        """Tags the events with a bin description; the only call that
        changes the list (it is also put in time order).

        Parameters
        ----------
        bindesc : str or os.PathLike
            A bin description (``bin_desc``) file, or its text.

        Returns
        -------
        dict of str to int
            How many events carry each tag.
        """
        text, source = document(bindesc, "bindesc")
        return dict(self._core.tag(text, source))

    def plot(self, bins=None, ax=None):
        """A figure of the events over time, one row per name.

        Rejected stretches are shaded; the events of the given bins are
        marked.

        Parameters
        ----------
        bins : BinResults, optional
            Results of :func:`ecevents.run` over this list.
        ax : matplotlib.axes.Axes, optional
            Draw into these axes instead of a new figure.

        Returns
        -------
        matplotlib.figure.Figure
        """
        from ._plot import plot_events

        return plot_events(self, bins, ax)

    def _need_rate(self, what):
        rate = self._core.rate
        if not rate > 0:
            raise EventsError(f"{what} need the sampling rate of the events (sfreq)")
        return float(rate)


def _annotation_columns(annotations):
    if not all(hasattr(annotations, a) for a in ("onset", "duration", "description", "orig_time")):
        raise TypeError(f"annotations must be mne.Annotations, not {type(annotations).__name__}")
    return (np.asarray(annotations.onset, np.float64), np.asarray(annotations.duration, np.float64),
            np.asarray(annotations.description, dtype=str))


def _event_id_for(names, known):
    mapping = {}
    used = set()
    for name in names:
        if name in known:
            mapping[name] = known[name]
        elif _decimal(name) is not None:
            mapping[name] = _decimal(name)
    used = set(mapping.values()) | set(known.values())
    code = 1
    for name in names:
        if name not in mapping:
            while code in used:
                code += 1
            mapping[name] = code
            used.add(code)
    return mapping


def read_events(path, sfreq=None, *, name_column=None, event_id=None, exact_time=False):
    """Reads an event file of any format the engine knows.

    ``.tsv`` is a BIDS events table, ``.eve`` an MNE event file, a file
    starting with the pre-XML magic a pre-XML event file, anything else an
    event-list document. Exclusion events (``EXCLUDE``, ``REJECT``,
    ``BAD_*``, ...) come in rejected.

    Parameters
    ----------
    path : str or os.PathLike
    sfreq : float, optional
        Samples per second; by default the BIDS sidecar's
        ``SamplingFrequency``, or for ``.eve`` the rate its time column
        implies.
    name_column : str, optional
        The BIDS column holding the event names (default ``trial_type``,
        then ``value``).
    event_id : dict of str to int, optional
        Names of the codes of an ``.eve`` file.
    exact_time : bool
        Times in whole samples when the list is tagged or run (see
        :attr:`EventList.exact_time`).

    Returns
    -------
    EventList

    Raises
    ------
    EventsError
        When the file cannot be read in its format.
    """
    path = path_of(path, "path")
    rate = check_rate(sfreq, optional=True)
    if name_column is not None and not isinstance(name_column, str):
        raise TypeError(f"name_column must be a str, not {type(name_column).__name__}")
    event_id = check_event_id(event_id)
    entries = [f"{name}={code}" for name, code in (event_id or {}).items()]
    core, _format, _source = _core.read_file(path, rate, name_column or "", entries)
    events = EventList._wrap(core, 0, event_id)
    events.exact_time = exact_time
    return events
