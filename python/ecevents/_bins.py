"""Bins over an event list, and what MNE needs to epoch them."""

import json
import keyword
import os
import warnings

import numpy as np

from . import _core
from ._core import EventsError
from ._documents import document
from ._events import EventList, _event_id_for


def run(events, bins=None, *, bindesc=None, rules=None, rt=None):
    """Runs bins over the events.

    Exactly one of ``bins`` and ``rules`` is given. The events are copied
    first: tagging and running never change ``events``.

    Parameters
    ----------
    events : EventList
    bins : str or os.PathLike, optional
        A bin list (``bin_list``) or bin-results (``bin_results``) document:
        a file, or the document's text (a str holding a line break or
        starting with ``<``).
    bindesc : str or os.PathLike, optional
        A bin description (``bin_desc``) that tags the copy first.
    rules : str, os.PathLike or dict, optional
        A rules file (epochs, tags and bins in YAML), its text, or a dict of
        the same structure. It is compiled for the events' own names; tags
        marked ``rt: true`` give ``rt_<factor>`` columns as ``rt`` does.
    rt : dict of str to str, optional
        Response times to record, as ``{factor: conditional}``: every event
        tagged with the factor gets the seconds to the event that the
        bin description's conditional of that name found (``{"Resp": "R"}``:
        deviant to response). They appear in :meth:`BinResults.metadata` as
        ``rt_<factor>``. Needs ``bindesc``.

    Times follow the events' :attr:`EventList.exact_time`.

    Returns
    -------
    BinResults

    Raises
    ------
    TypeError
        For arguments of the wrong type, neither or both of ``bins`` and
        ``rules``, or ``rules`` with ``bindesc``.
    EventsError
        When a document is wrong or the engine refuses the run.
    """
    if not isinstance(events, EventList):
        raise TypeError(f"events must be an EventList, not {type(events).__name__}")
    if (bins is None) == (rules is None):
        raise TypeError("give exactly one of bins and rules")
    if rt is not None and (not isinstance(rt, dict) or
                           not all(isinstance(k, str) and isinstance(v, str) for k, v in rt.items())):
        raise TypeError("rt must be a dict of tag factor to conditional name, such as {'Resp': 'R'}")
    if rules is not None:
        if bindesc is not None:
            raise TypeError("rules carry their own tagging: bindesc cannot be given with rules")
        if rt:
            raise TypeError("with rules, response times come from the tags marked rt: true; rt cannot be given")
        text, source = _rules_document(rules)
        return BinResults(_core.run_rules(events._core, text, source), events._first_samp, events._event_id)
    if rt and bindesc is None:
        raise TypeError("response times (rt) need bindesc, whose conditionals find the responses")
    bins_text, bins_source = document(bins, "bins")
    desc_text, desc_source = (b"", "") if bindesc is None else document(bindesc, "bindesc")
    core = _core.run(events._core, bins_text, bins_source, desc_text, desc_source, list((rt or {}).items()))
    return BinResults(core, events._first_samp, events._event_id)


def _rules_document(rules):
    """The text of a rules argument and a name for messages. A dict becomes
    its JSON text, which is YAML in flow form, so that messages still name
    its keys."""
    if isinstance(rules, dict):
        try:
            return json.dumps(rules, ensure_ascii=False, allow_nan=False).encode("utf-8", "surrogateescape"), \
                "<rules dict>"
        except (TypeError, ValueError) as e:
            raise TypeError(f"a rules dict holds only str keys, str, numbers, bools, lists and dicts: {e}") from None
    if not isinstance(rules, (str, os.PathLike)):
        raise TypeError(f"rules must be a path, the rules' text or a dict, not {type(rules).__name__}")
    return document(rules, "rules")


def _mne_baseline(epoch):
    """The epoch's baseline as MNE writes it, with a warning for what MNE
    cannot express."""
    option = epoch["sBaselineDetrend"]
    if option == "None":
        baseline = None
    elif option == "Custom":
        baseline = (epoch["fDetrendStart"], epoch["fDetrendStop"])
    else:
        if option == "PreEventIOF":
            warnings.warn(f"epoch {epoch['sID']!r}: the baseline from the filtering interval's start is given to "
                          "MNE as (None, 0), from the epoch's start", stacklevel=3)
        baseline = (None, 0)
    if baseline is not None and epoch["iPolynomialOrder"] > 0:
        warnings.warn(f"epoch {epoch['sID']!r}: detrending of order {epoch['iPolynomialOrder']} has no MNE "
                      "baseline equivalent; only the mean is removed", stacklevel=3)
    if epoch["bApplyMagnitudeLimit"]:
        warnings.warn(f"epoch {epoch['sID']!r}: magnitude limits are not passed to mne.Epochs (use its reject=)",
                      stacklevel=3)
    return baseline


class BinResults:
    """What :func:`run` made: named bins of events, each with its epoch.

    Attributes
    ----------
    names : list of str
        Bin IDs in document order.
    event_id : dict of str to int
        The codes of the event names in :meth:`events` and
        :meth:`epochs_kwargs`.
    """

    def __init__(self, core, first_samp, known_ids):
        self._core = core
        self._events = EventList._wrap(core.events, first_samp, known_ids)
        self.names = list(core.ids())
        self._index = {}
        for i, name in enumerate(self.names):
            self._index.setdefault(name, i)
        self._codes, self._event_names = core.events.codes()
        self.event_id = _event_id_for(self._event_names, known_ids)
        self._members = [core.members(i) for i in range(len(self.names))]
        self._response_times = core.response_times()

    def __repr__(self):
        return f"<BinResults | {len(self.names)} bins over {len(self._events)} events>"

    def __len__(self):
        return len(self.names)

    @property
    def tagged_events(self):
        """The events the bins were made from: the copy, tagged."""
        return self._events

    def _bin(self, name):
        if not isinstance(name, str):
            raise TypeError(f"a bin is named by a str, not {type(name).__name__}")
        if name not in self._index:
            raise EventsError(f"no bin {name!r}; the bins are {', '.join(self.names) or 'none'}")
        return self._index[name]

    def members(self, bin):
        """Which events of :attr:`tagged_events` belong to the bin (bool array)."""
        return self._members[self._bin(bin)].copy()

    def epoch(self, bin):
        """The bin's epoch parameters, by their document names.

        Returns
        -------
        dict
            ``sID``, ``fStart``, ``fStop`` (seconds), ``sBaselineDetrend``,
            ``fDetrendStart``, ``fDetrendStop``, ``iPolynomialOrder``, the
            filtering interval, magnitude limits and channels.
        """
        return self._core.epoch(self._bin(bin))

    def events(self, bin):
        """The bin's events as an MNE events array (sample with
        ``first_samp``, 0, code from :attr:`event_id`), in time order."""
        return self._mne_events(self._members[self._bin(bin)], self._events._first_samp)

    def _mne_events(self, mask, first_samp):
        starts = self._events._core.starts()[mask]
        table = np.array([self.event_id[n] for n in self._event_names], dtype=np.int64)
        out = np.zeros((len(starts), 3), dtype=np.int64)
        out[:, 0] = starts + first_samp
        out[:, 2] = table[self._codes[mask]] if len(starts) else []
        return out[np.argsort(out[:, 0], kind="stable")]

    def summary(self):
        """One row per bin.

        Returns
        -------
        pandas.DataFrame
            bin, epoch, n_events, first_sample, last_sample (smallest start
            and largest stop; missing for an empty bin), tmin, tmax and
            baseline (as MNE writes it).
        """
        import pandas as pd

        starts, stops = self._events._core.starts(), self._events._core.stops()
        rows = []
        for i, name in enumerate(self.names):
            mask = self._members[i]
            epoch = self._core.epoch(i)
            with warnings.catch_warnings():
                warnings.simplefilter("ignore")
                baseline = _mne_baseline(epoch)
            n = int(mask.sum())
            rows.append({
                "bin": name,
                "epoch": epoch["sID"],
                "n_events": n,
                "first_sample": int(starts[mask].min()) if n else pd.NA,
                "last_sample": int(stops[mask].max()) if n else pd.NA,
                "tmin": epoch["fStart"],
                "tmax": epoch["fStop"],
                "baseline": baseline,
            })
        table = pd.DataFrame(rows, columns=["bin", "epoch", "n_events", "first_sample", "last_sample", "tmin",
                                            "tmax", "baseline"])
        return table.astype({"first_sample": "Int64", "last_sample": "Int64"})

    def metadata(self, *, window=None):
        """One row per event that is in at least one bin.

        Parameters
        ----------
        window : tuple of float, optional
            ``(tmin, tmax)`` in seconds around each row's event. For every
            event name the table then says whether it occurs within samples
            ``round(tmin * sfreq)`` to ``round(tmax * sfreq)`` of the row's
            event (``<name>_present``) and how late it first does, in seconds
            (``<name>_latency``, NaN when it does not).

        Returns
        -------
        pandas.DataFrame
            sample, onset, name; one column per tag factor holding its
            value (the tag ``Resp:Hit`` gives ``Resp`` = ``"Hit"``, two
            values of one factor joined by ``|``); ``rt_<factor>`` (seconds,
            NaN where none) for the response times asked of :func:`run`; one
            bool column per bin.
        """
        import pandas as pd

        rows = np.flatnonzero(self._union(self.names))
        return self._metadata(rows, self.names, window, pd)

    def _union(self, names):
        mask = np.zeros(len(self._events), dtype=bool)
        for name in names:
            mask |= self._members[self._bin(name)]
        return mask

    def _metadata(self, rows, bins, window, pd):
        core = self._events._core
        rate = self._events._need_rate("metadata")
        starts = core.starts()
        table = {
            "sample": starts[rows],
            "onset": starts[rows] / rate,
            "name": np.asarray(self._event_names, dtype=object)[self._codes[rows]] if len(rows) else
            np.zeros(0, dtype=object),
        }
        for factor, values in core.factor_columns(rows):
            if factor in bins or factor in table:
                raise EventsError(f"the tag factor {factor!r} has the name of a "
                                  f"{'bin' if factor in bins else 'metadata column'}; rename one of them")
            table[factor] = values
        for name, values in self._response_times:
            if name in bins:
                raise EventsError(f"the response-time column {name!r} has the name of a bin; rename the bin")
            table[name] = values[rows]
        for name in bins:
            table[name] = self._members[self._bin(name)][rows]
        if window is not None:
            table.update(self._window_columns(rows, window, rate, set(table)))
        return pd.DataFrame(table)

    def _window_columns(self, rows, window, rate, taken):
        if not isinstance(window, (tuple, list)) or len(window) != 2:
            raise TypeError("window must be a (tmin, tmax) pair of seconds")
        tmin, tmax = (float(v) for v in window)
        if not (np.isfinite(tmin) and np.isfinite(tmax)) or tmin > tmax:
            raise EventsError(f"window must be finite with tmin <= tmax, got {tuple(window)}")
        lo, hi = int(round(tmin * rate)), int(round(tmax * rate))
        found = _core.first_in_window(self._events._core.starts(), self._codes, len(self._event_names), rows, lo, hi)
        columns = {}
        for j, name in enumerate(self._event_names):
            for column in (f"{name}_present", f"{name}_latency"):
                if column in taken:
                    raise EventsError(f"the window column {column!r} has the name of another column")
            columns[f"{name}_present"] = ~np.isnan(found[:, j])
            columns[f"{name}_latency"] = found[:, j] / rate
        return columns

    def epochs_kwargs(self, bins=None, *, first_samp=None):
        """Arguments for ``mne.Epochs(raw, **kw)``.

        One epoch per sample that holds an event of the chosen bins (bin
        columns of events sharing a sample are ORed), so that
        ``epochs["DevHit"]`` selects a bin through the metadata.

        Parameters
        ----------
        bins : str or list of str, optional
            The bins to epoch (default all); they must share one epoch
            definition.
        first_samp : int, optional
            Added to the samples; by default the events' own.

        Returns
        -------
        dict
            ``events``, ``event_id``, ``tmin``, ``tmax``, ``baseline`` and
            ``metadata``.

        Raises
        ------
        EventsError
            When the bins have different epochs, or a bin ID cannot select
            through the metadata (it equals an event name or one of its
            ``/``-separated parts, or is not a Python identifier).
        """
        import pandas as pd

        if bins is None:
            chosen = list(dict.fromkeys(self.names))
        elif isinstance(bins, str):
            chosen = [bins]
        elif isinstance(bins, (list, tuple)):
            chosen = list(dict.fromkeys(bins))
        else:
            raise TypeError(f"bins must be a bin ID or a list of them, not {type(bins).__name__}")
        if not chosen:
            raise EventsError("no bins to epoch")
        first = self._events._first_samp if first_samp is None else first_samp
        if isinstance(first, bool) or not isinstance(first, (int, np.integer)):
            raise TypeError("first_samp must be an integer")
        epochs = {}
        for name in chosen:
            epochs.setdefault(self._core.epoch(self._bin(name))["sID"], []).append(name)
        if len(epochs) > 1:
            described = "; ".join(f"{e!r} for {', '.join(b)}" for e, b in epochs.items())
            raise EventsError(f"the bins have different epochs ({described}); epoch them one epoch at a time")
        epoch = self._core.epoch(self._bin(chosen[0]))

        mask = self._union(chosen)
        rows = np.flatnonzero(mask)
        parts = set()
        for name in self._event_names:
            parts.add(name)
            parts.update(name.split("/"))
        for name in chosen:
            if not name.isidentifier() or keyword.iskeyword(name):
                raise EventsError(f"the bin ID {name!r} is not a Python identifier, so epochs[...] cannot select it "
                                  "through the metadata; rename the bin")
            if name in parts:
                raise EventsError(f"the bin ID {name!r} equals an event name or part of one, which MNE would "
                                  "match instead of the bin; rename the bin")
        starts = self._events._core.starts()
        order = rows[np.argsort(starts[rows], kind="stable")]
        samples, first_rows = np.unique(starts[order], return_index=True)
        group = np.searchsorted(samples, starts[order])
        metadata = self._metadata(order[first_rows], chosen, None, pd)
        for name in chosen:
            merged = np.zeros(len(samples), dtype=bool)
            np.logical_or.at(merged, group, self._members[self._bin(name)][order])
            metadata[name] = merged
        events = np.zeros((len(samples), 3), dtype=np.int64)
        events[:, 0] = samples + int(first)
        table = np.array([self.event_id[n] for n in self._event_names], dtype=np.int64)
        events[:, 2] = table[self._codes[order[first_rows]]] if len(samples) else []
        present = {self._event_names[c] for c in self._codes[order[first_rows]]}
        return {
            "events": events,
            "event_id": {n: c for n, c in self.event_id.items() if n in present},
            "tmin": epoch["fStart"],
            "tmax": epoch["fStop"],
            "baseline": _mne_baseline(epoch),
            "metadata": metadata.reset_index(drop=True),
        }

    def plot(self, ax=None):
        """A bar chart of the number of events per bin.

        Returns
        -------
        matplotlib.figure.Figure
        """
        from ._plot import plot_counts

        return plot_counts(self, ax)
