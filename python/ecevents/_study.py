"""A whole study on a Dask cluster: one task per recording."""

import argparse
import functools
import os
import re
import sys
import time

from . import _core
from ._bins import _rules_document
from ._documents import document

# Every column a recording can fill, in the summary's order; the entity
# columns no recording has are dropped, as the command line drops them.
_ENTITIES = ("sub", "ses", "task", "run", "acq")
_BIN_COLUMNS = ("bin", "epoch", "n_events", "n_excluded", "first_sample", "last_sample", "tmin", "tmax")

# The safe writer's temporary files: "." + final name + ".tmp" + 16 hex
# digits, in the folder of the final name.
_TEMPORARY = re.compile(r"^\..+\.tmp[0-9a-f]{16}$")


@functools.lru_cache(maxsize=4)
def _plan(spec):
    """The checked documents of a study, made once per worker process."""
    return _core.prepare_run(*spec)


def _run_recording(spec, events, out_base):
    """The task of one recording: its summary, as plain data."""
    return _core.run_recording(_plan(spec), events, out_base)


def _failed(events, message):
    return {"recording": events, "status": message, "entities": {}, "rt_factors": [], "bins": []}


def _spec(bins, bindesc, rules, sfreq, derivatives=False):
    if (bins is None) == (rules is None):
        raise TypeError("give exactly one of bins and rules")
    if rules is not None and bindesc is not None:
        raise TypeError("rules carry their own tagging: bindesc cannot be given with rules")
    if sfreq is not None and (isinstance(sfreq, bool) or not isinstance(sfreq, (int, float)) or not sfreq > 0):
        raise TypeError("sfreq must be a positive number of samples per second")
    bins_text, bins_source = document(bins, "bins") if bins is not None else (b"", "")
    desc_text, desc_source = document(bindesc, "bindesc") if bindesc is not None else (b"", "")
    rules_text, rules_source = _rules_document(rules) if rules is not None else (b"", "")
    spec = (bins_text, bins_source, desc_text, desc_source, rules_text, rules_source, float(sfreq or 0),
            bool(derivatives))
    _plan(spec)  # a document that cannot be used fails here, before any task
    return spec


def _inputs(inputs):
    if isinstance(inputs, (str, os.PathLike)):
        inputs = [inputs]
    paths = []
    for value in inputs:
        if not isinstance(value, (str, os.PathLike)) or not isinstance(os.fspath(value), str):
            raise TypeError(f"inputs must be paths (str or os.PathLike), not {type(value).__name__}")
        paths.append(os.path.abspath(os.fspath(value)))
    if not paths:
        raise TypeError("give at least one dataset folder or event file")
    return paths


class _Bar:
    """A one-line progress bar on a terminal; silent elsewhere."""

    def __init__(self, total, shown):
        self.total, self.done, self.shown, self.last = total, 0, shown and sys.stderr.isatty(), 0.0

    def step(self):
        self.done += 1
        now = time.monotonic()
        if self.shown and (now - self.last > 0.1 or self.done == self.total):
            self.last = now
            filled = 30 * self.done // max(self.total, 1)
            sys.stderr.write(f"\r[{'#' * filled}{'.' * (30 - filled)}] {self.done}/{self.total} recordings")
            if self.done == self.total:
                sys.stderr.write("\n")
            sys.stderr.flush()


def _remove_temporaries(out):
    """Removes what a killed worker left half-written under out."""
    for folder, _, files in os.walk(out):
        for name in files:
            if _TEMPORARY.match(name):
                try:
                    os.unlink(os.path.join(folder, name))
                except FileNotFoundError:
                    pass


def _frame(results):
    import pandas as pd

    factors = next((r["rt_factors"] for r in results if r["rt_factors"]), [])
    rt = [f"rt_{kind}" + ("" if len(factors) == 1 else f"_{f}") for f in factors for kind in ("mean", "median")]
    keys = [k for k in _ENTITIES if any(k in r["entities"] for r in results)]
    rows = []
    for r in results:
        lead = [r["recording"]] + [r["entities"].get(k) for k in keys]
        if r["status"]:
            rows.append(lead + [None] * (len(_BIN_COLUMNS) + len(rt)) + [r["status"]])
            continue
        for b in r["bins"]:
            times = [v for pair in zip(b["rt_mean"], b["rt_median"]) for v in pair]
            times = (times + [float("nan")] * len(rt))[:len(rt)]
            rows.append(lead + [b[c] for c in _BIN_COLUMNS] + times + [""])
    frame = pd.DataFrame(rows, columns=["recording"] + keys + list(_BIN_COLUMNS) + rt + ["status"])
    for column in ("n_events", "n_excluded", "first_sample", "last_sample"):
        frame[column] = frame[column].astype("Int64")
    for column in ["tmin", "tmax"] + rt:
        frame[column] = frame[column].astype("float64")
    return frame


def _stream(client, task, shared, arguments, done):
    """Runs task(shared, *arguments[i]) for every i through a sliding window
    of tasks, calling done(i, future) as each finishes. Finished tasks are
    taken in batches and replaced by one map call, so that the client sends
    few messages however short the tasks are."""
    from dask.distributed import as_completed

    window = max(64, 8 * (sum(client.nthreads().values()) or 1))
    index = {}
    following = 0

    def submit(count):
        nonlocal following
        chosen = range(following, min(following + count, len(arguments)))
        following = chosen.stop
        if not chosen:
            return []
        futures = client.map(task, [shared] * len(chosen), *zip(*(arguments[i] for i in chosen)), pure=False)
        index.update((f.key, i) for f, i in zip(futures, chosen))
        return futures

    pending = as_completed(submit(window))
    for batch in pending.batches():
        for future in batch:
            done(index.pop(future.key), future)
            future.release()
        pending.update(submit(len(batch)))


def _documents(spec):
    """The documents a derivatives dataset fingerprints, named as the
    command line names them: rules, bins, then bin description."""
    bins_text, bins_source, desc_text, desc_source, rules_text, rules_source = spec[:6]
    return [(os.path.basename(source) if not source.startswith("<") else source, text)
            for text, source in ((rules_text, rules_source), (bins_text, bins_source), (desc_text, desc_source))
            if source]


def run_study(inputs, bins=None, *, bindesc=None, rules=None, out=None, client=None, sfreq=None, progress=True,
              derivatives=False):
    """Runs bins over every recording of a study on a Dask cluster.

    Parameters
    ----------
    inputs : str, os.PathLike or list of them
        BIDS dataset folders (every ``*_events.tsv`` below them, derivatives,
        sourcedata and hidden folders left out) and event files, found as
        ``ecbin run`` finds them.
    bins, bindesc, rules
        The documents, as in :func:`ecevents.run`: exactly one of ``bins``
        (with an optional ``bindesc``) and ``rules``.
    out : str or os.PathLike, optional
        Folder for the per-bin event files, mirroring the datasets' folders
        (a single event file as input: the output base, as ``ecbin run -o``
        takes it). Nothing is written outside it. Without it nothing is
        written.
    client : dask.distributed.Client, optional
        The cluster to run on. Without one, a local cluster of one worker
        process per CPU is started and closed again. Workers import this
        package themselves: it must be installed or on their ``PYTHONPATH``
        (a ``sys.path`` change in the calling interpreter does not reach
        them).
    sfreq : float, optional
        Sampling rate for recordings without a sidecar that gives one.
    progress : bool
        A progress bar on standard error when it is a terminal.
    derivatives : bool
        Make ``out`` a BIDS derivatives dataset, as ``ecbin run
        --bids-derivatives`` does: per recording a
        ``*_desc-bins_events.tsv`` of its events with a true/false column
        per bin, its JSON sidecar, and ``dataset_description.json`` naming
        this program and a hash of the documents. Needs ``out`` and dataset
        folders as inputs.

    Returns
    -------
    pandas.DataFrame
        One row per bin of each recording, in the recordings' order:
        recording (the event file's absolute path: workers may run
        elsewhere than the caller's folder), the BIDS entities (sub, ses, task, run, acq) some
        recording has, bin, epoch, n_events, n_excluded (events the
        exclusion step took out), first_sample, last_sample, tmin, tmax,
        the response times asked for, and status: empty, or, in the one row
        of a recording that failed, its error. The same columns as the
        summary of ``ecbin run``.

    Notes
    -----
    Work is submitted through a sliding window: eight tasks per worker
    thread (at least 64) are in flight, and the tasks that finished are
    replaced by as many next recordings (``as_completed``, in batches).
    The scheduler never holds more than the window, whatever the size of
    the study, and each result is reduced to
    its summary rows as it arrives, so 100,000 recordings need neither a
    100,000-task graph nor 100,000 futures in the client. A worker that
    dies has its tasks run again elsewhere by the scheduler; every output
    is written under a temporary name and renamed, and temporary files a
    killed worker left under ``out`` are removed at the end.
    """
    spec = _spec(bins, bindesc, rules, sfreq, derivatives)
    paths = _inputs(inputs)
    if out is not None and not isinstance(out, (str, os.PathLike)):
        raise TypeError(f"out must be a path (str or os.PathLike), not {type(out).__name__}")
    out = os.path.abspath(os.fspath(out)) if out is not None else ""
    if derivatives:
        _core.check_derivatives(paths, out)
    recordings = _core.find_recordings(paths, out)

    from dask.distributed import Client, LocalCluster

    own = client is None
    if own:
        import logging
        cluster = LocalCluster(n_workers=os.cpu_count() or 1, threads_per_worker=1, processes=True,
                               dashboard_address=None, silence_logs=logging.ERROR)
        client = Client(cluster)
    try:
        shared = client.scatter(spec, broadcast=True, hash=False)
        results = [None] * len(recordings)
        bar = _Bar(len(recordings), progress)

        def done(i, future):
            events = recordings[i][0]
            try:
                results[i] = future.result()
            except Exception as error:  # the task's own failure, or Dask's (a worker killed too often)
                results[i] = _failed(events, f"{events}: {type(error).__name__}: {error}")
            bar.step()

        _stream(client, _run_recording, shared, recordings, done)
    finally:
        if own:
            client.close()
            cluster.close()
    if out:
        _remove_temporaries(out)
    if derivatives and any(not r["status"] for r in results):
        _core.write_description(out, _documents(spec))
    return _frame(results)


class _Parser(argparse.ArgumentParser):
    """Wrong arguments are told in one line (the usage is one --help away)."""

    def error(self, message):
        self.exit(2, f"{self.prog}: {message} (see --help)\n")


def main(argv=None):
    parser = _Parser(
        prog="python3 -m ecevents.study",
        description="Runs bins over every recording of a dataset on a Dask cluster and writes a summary.")
    parser.add_argument("dataset", nargs="+", help="BIDS dataset folders or event files")
    parser.add_argument("--bins", help="bin list or bin-results document")
    parser.add_argument("--bindesc", help="bin description that tags the events first")
    parser.add_argument("--rules", help="rules file (instead of --bins and --bindesc)")
    parser.add_argument("-o", "--out", help="folder for the per-bin event files")
    parser.add_argument("--summary", help="summary table (TSV) to write; default study_summary.tsv in OUT or here")
    parser.add_argument("--sfreq", type=float, help="sampling rate for recordings without one")
    parser.add_argument("--bids-derivatives", action="store_true",
                        help="write OUT as a BIDS derivatives dataset: per recording its events with a true/false "
                             "column per bin, sidecars, and a dataset description")
    where = parser.add_mutually_exclusive_group()
    where.add_argument("--scheduler", help="address of a running Dask scheduler")
    where.add_argument("--workers", type=int, help="worker processes of a local cluster (default: one per CPU)")
    args = parser.parse_args(argv)
    if (args.bins is None) == (args.rules is None):
        parser.error("give the bins either as --bins (with --bindesc for tags) or as --rules")
    if args.rules is not None and args.bindesc is not None:
        parser.error("--rules holds the tags itself: give no --bindesc with it")
    if args.workers is not None and args.workers < 1:
        parser.error("--workers must be at least 1")
    summary = args.summary or os.path.join(args.out or ".", "study_summary.tsv")
    client = cluster = None
    try:
        from dask.distributed import Client, LocalCluster
        if args.scheduler:
            client = Client(args.scheduler)
        elif args.workers:
            import logging
            cluster = LocalCluster(n_workers=args.workers, threads_per_worker=1, processes=True,
                                   dashboard_address=None, silence_logs=logging.ERROR)
            client = Client(cluster)
        frame = run_study(args.dataset, args.bins, bindesc=args.bindesc, rules=args.rules, out=args.out,
                          client=client, sfreq=args.sfreq, progress=True, derivatives=args.bids_derivatives)
    except (TypeError, ValueError, OSError) as e:
        print(f"python3 -m ecevents.study: {e}", file=sys.stderr)
        return 2
    finally:
        if client is not None:
            client.close()
        if cluster is not None:
            cluster.close()
    text = frame.to_csv(sep="\t", index=False, na_rep="n/a", lineterminator="\n")
    _core.write_text(summary, text.encode("utf-8", "surrogateescape"))
    failed = frame.loc[frame["status"] != "", "recording"].nunique()
    for row in frame.loc[frame["status"] != ""].itertuples():
        print(f"python3 -m ecevents.study: {row.status}", file=sys.stderr)
    print(f"{frame['recording'].nunique() - failed} of {frame['recording'].nunique()} recordings done"
          + (f", {failed} failed" if failed else ""))
    print(f"summary: {summary}")
    return 1 if failed else 0
