#!/usr/bin/env python3
"""How a study scales: ecbin run -j 2 against run_study on a local Dask
cluster of two worker processes, over generated recordings (2,000 by
default), and from the measured costs an estimate for a larger study on more
workers.

Three costs are measured: the cost of one recording's task itself (run in
this process, no Dask), the scheduler's cost per task (run_study's own
sliding window submitting tasks that do nothing, so that only Dask's
bookkeeping and messages remain), and the wall time of the real study. The
estimate for N recordings on W workers is

    max(N * task / W, N * scheduler)

since the tasks spread over the workers while the one scheduler handles
every task in turn.

    PYTHONPATH=build/python /usr/bin/python3 bench/study_scale.py [--recordings 2000] [--ecbin build/cli/ecbin]
"""

import argparse
import os
import pathlib
import shutil
import subprocess
import tempfile
import time

from dask.distributed import Client, LocalCluster

from ecevents import _core
from ecevents._study import _stream
from ecevents.study import run_study

BINS = """<bin_results>
<epoch><sID>Stim</sID><fStart>-0.2</fStart><fStop>0.8</fStop></epoch>
<bin_ops><op><id>Names</id><s>standard</s></op><op><id>SaveBin</id><s>Standard</s></op></bin_ops>
<bin_ops><op><id>Names</id><s>deviant</s></op><op><id>SaveBin</id><s>Deviant</s></op></bin_ops>
</bin_results>
"""


def generate(folder, count):
    """A dataset of count recordings of 200 events each, at 250 Hz."""
    (folder / "dataset_description.json").write_text('{"Name": "scale", "BIDSVersion": "1.8.0"}')
    (folder / "task-odd_eeg.json").write_text('{"SamplingFrequency": 250}')
    for i in range(count):
        eeg = folder / f"sub-{i // 4:04d}" / "eeg"
        eeg.mkdir(parents=True, exist_ok=True)
        rows = ["onset\tduration\ttrial_type"]
        rows += [f"{1 + k * 0.8:.3f}\t0\t{'deviant' if (k * 7 + i) % 6 == 0 else 'standard'}" for k in range(200)]
        rows.append("40.000\t1.0\tEXCLUDE")
        (eeg / f"sub-{i // 4:04d}_task-odd_run-{i % 4 + 1}_events.tsv").write_text("\n".join(rows) + "\n")


def nothing(spec, events, out_base):
    return {"recording": events, "status": "", "entities": {}, "rt_factors": [], "bins": []}


def timed(call):
    start = time.perf_counter()
    result = call()
    return time.perf_counter() - start, result


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--recordings", type=int, default=2000)
    parser.add_argument("--ecbin", default="build/cli/ecbin")
    args = parser.parse_args()
    n = args.recordings
    with tempfile.TemporaryDirectory() as scratch:
        scratch = pathlib.Path(scratch)
        ds = scratch / "ds"
        ds.mkdir()
        generate(ds, n)
        bins = scratch / "bins.xml"
        bins.write_text(BINS)

        ecbin, _ = timed(lambda: subprocess.run([args.ecbin, "run", str(ds), "--bins", str(bins), "-j", "2", "-o",
                                                 str(scratch / "ecbin"), "--summary", str(scratch / "s.tsv")],
                                                check=True, capture_output=True))

        # One task's own cost, in this process.
        spec = (BINS.encode(), str(bins), b"", "", b"", "", 0.0)
        plan = _core.prepare_run(*spec)
        found = _core.find_recordings([str(ds)], str(scratch / "alone"))[:200]
        alone, _ = timed(lambda: [_core.run_recording(plan, *r) for r in found])
        task = alone / len(found)

        start, cluster = timed(lambda: LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                                    dashboard_address=None, silence_logs=50))
        with cluster, Client(cluster) as client:
            study, frame = timed(lambda: run_study(ds, bins, out=scratch / "study", client=client, progress=False))
            assert frame["recording"].nunique() == n and (frame["status"] == "").all()

            # The scheduler alone: run_study's own window of tasks that do nothing.
            def empty():
                _stream(client, nothing, None, [(str(i), "") for i in range(n)], lambda i, future: future.result())
            overhead, _ = timed(empty)
        scheduler = overhead / n
        shutil.rmtree(scratch / "study")

    print(f"{n} recordings of 200 events, 2 bins each, written as event files")
    print(f"ecbin run -j 2:              {ecbin:7.2f} s  {n / ecbin:8.0f} recordings/s")
    print(f"run_study, 2 local workers:  {study:7.2f} s  {n / study:8.0f} recordings/s"
          f"  (cluster start {start:.1f} s, not counted)")
    print(f"one task alone:              {task * 1e3:7.2f} ms")
    print(f"scheduler per task:          {scheduler * 1e3:7.2f} ms  (empty tasks)")
    print(f"run_study per task, 2 workers: {2 * study / n * 1e3:5.2f} ms of worker time")
    big = 100_000
    per_task = max(task, 2 * study / n)
    for workers in (10, 100):
        estimate = max(big * per_task / workers, big * scheduler)
        bound = "scheduler" if big * scheduler > big * per_task / workers else "workers"
        print(f"estimate, {big} recordings on {workers:3d} workers: {estimate / 60:6.1f} min ({bound}-bound)")


if __name__ == "__main__":
    main()
