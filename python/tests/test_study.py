"""A study on a local Dask cluster of two worker processes: the same summary
and files as ecbin run, failures in their rows, and a worker killed midway."""

import filecmp
import os
import signal
import subprocess
import sys

import pandas as pd
import pytest

from conftest import BIDS, binlist

distributed = pytest.importorskip("dask.distributed")
pytestmark = pytest.mark.skipif("ECBIN" not in os.environ, reason="ecbin is not built")

from ecevents.study import run_study  # noqa: E402

# Names of the real recordings (trial_type, or value where there is none)
# and of the generated ones.
BINS = {"AudRight": ["Auditory/Right"], "VisLeft": ["Visual/Left"], "Five": ["5"], "Match": ["raised-right/match-true"],
        "Face": ["13"], "Std": ["standard"], "Dev": ["deviant"], "Any": ["standard", "deviant"]}
RECORDINGS = 240


@pytest.fixture(scope="module")
def client():
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None,
                                  silence_logs=50) as cluster, distributed.Client(cluster) as c:
        yield c


@pytest.fixture(scope="module")
def bins(tmp_path_factory):
    path = tmp_path_factory.mktemp("bins") / "bins.xml"
    path.write_text(binlist(BINS))
    return path


@pytest.fixture(scope="module")
def generated(tmp_path_factory):
    """Small recordings with exclusions, in sub-/ses- folders; one is broken."""
    ds = tmp_path_factory.mktemp("generated") / "ds"
    (ds).mkdir()
    (ds / "dataset_description.json").write_text('{"Name": "generated", "BIDSVersion": "1.8.0"}')
    (ds / "task-odd_eeg.json").write_text('{"SamplingFrequency": 250}')
    for i in range(RECORDINGS):
        folder = ds / f"sub-{i // 2:03d}" / f"ses-{i % 2 + 1}" / "eeg"
        folder.mkdir(parents=True)
        rows = ["onset\tduration\ttrial_type"]
        for k in range(4 + i % 7):
            rows.append(f"{1 + k * 0.7 + i % 3 * 0.01:.3f}\t0\t{'deviant' if (k + i) % 4 == 0 else 'standard'}")
        if i % 5 == 0:
            rows.append(f"{2.5 + i % 4 * 0.3:.3f}\t0.2\tEXCLUDE")
        if i == 17:
            rows.append("late\t0\tstandard")
        name = f"sub-{i // 2:03d}_ses-{i % 2 + 1}_task-odd_run-{i % 3 + 1}_events.tsv"
        (folder / name).write_text("\n".join(rows) + "\n")
    return ds


def ecbin_summary(inputs, bins, out, *options):
    summary = out.parent / (out.name + "_summary.tsv")
    done = subprocess.run([os.environ["ECBIN"], "run", *map(str, inputs), "--bins", str(bins), "-j", "2", "-o",
                           str(out), "--summary", str(summary), *options], capture_output=True, text=True)
    assert done.returncode in (0, 1), done.stderr
    return pd.read_csv(summary, sep="\t", dtype=str, keep_default_na=False)


def same_summary(frame, table):
    """Column for column: the DataFrame's values as the TSV writes them."""
    assert list(frame.columns) == list(table.columns)
    assert len(frame) == len(table)
    for column in frame.columns:
        mine = frame[column]
        if column in ("tmin", "tmax"):
            theirs = table[column].map(lambda v: float("nan") if v == "n/a" else float(v))
            pd.testing.assert_series_equal(mine, theirs, check_names=False)
        else:
            shown = mine.astype(object).where(mine.notna(), "n/a").map(str)
            assert shown.tolist() == table[column].tolist(), column


def same_files(a, b):
    left = sorted(p.relative_to(a) for p in a.rglob("*") if p.is_file())
    right = sorted(p.relative_to(b) for p in b.rglob("*") if p.is_file())
    assert left == right
    match, mismatch, errors = filecmp.cmpfiles(a, b, [str(p) for p in left], shallow=False)
    assert (mismatch, errors) == ([], [])
    return left


@pytest.mark.parametrize("which,derivatives", [("real", False), ("generated", False), ("real", True)])
def test_the_summary_and_the_files_are_those_of_ecbin(which, derivatives, generated, bins, client, tmp_path):
    inputs = sorted(p for p in BIDS.iterdir() if p.is_dir()) if which == "real" else [generated]
    table = ecbin_summary(inputs, bins, tmp_path / "ecbin", *(["--bids-derivatives"] if derivatives else []))
    frame = run_study(inputs, bins, out=tmp_path / "study", client=client, progress=False, derivatives=derivatives)
    same_summary(frame, table)
    files = same_files(tmp_path / "ecbin", tmp_path / "study")
    if derivatives:
        assert {p.name for p in files} >= {"dataset_description.json"}
        assert all(p.name.endswith(("_desc-bins_events.tsv", "_desc-bins_events.json")) for p in files
                   if p.name != "dataset_description.json")
    if which == "generated":
        assert frame["recording"].nunique() == RECORDINGS
        assert (frame["n_excluded"].fillna(0) > 0).any()
        assert {"sub", "ses", "task", "run"} <= set(frame.columns) and "acq" not in frame.columns
        # The broken recording has one row saying why; the others have none.
        failed = frame[frame["status"] != ""]
        assert failed["recording"].str.endswith("sub-008_ses-2_task-odd_run-3_events.tsv").tolist() == [True]
        assert 'onset "late" is not a number' in failed["status"].iloc[0]
        assert failed[["bin", "n_events"]].isna().all(axis=None)


class KillOnce(distributed.WorkerPlugin):
    """Kills the worker's own process as it starts its tenth task, once in
    the whole cluster: the marker file says it happened."""

    def __init__(self, marker):
        self.marker = marker
        self.started = 0

    def transition(self, key, start, finish, **kwargs):
        if finish != "executing":
            return
        self.started += 1
        if self.started == 10:
            try:
                os.close(os.open(self.marker, os.O_CREAT | os.O_EXCL | os.O_WRONLY))
            except FileExistsError:
                return
            os.kill(os.getpid(), signal.SIGKILL)


def test_a_worker_killed_midway_changes_nothing(generated, bins, client, tmp_path):
    import cloudpickle
    cloudpickle.register_pickle_by_value(sys.modules[__name__])
    quiet = run_study(generated, bins, out=tmp_path / "quiet", client=client, progress=False)
    marker = tmp_path / "killed"
    # What a worker killed while writing would leave behind.
    leftover = tmp_path / "killed-run" / "sub-000" / "ses-1" / "eeg" / ".sub-000_ses-1_task-odd_run-1_Std.evt.tmp0123456789abcdef"
    leftover.parent.mkdir(parents=True)
    leftover.write_text("half")
    client.register_worker_plugin(KillOnce(str(marker)), name="kill-once")
    try:
        killed = run_study(generated, bins, out=tmp_path / "killed-run", client=client, progress=False)
    finally:
        client.unregister_worker_plugin("kill-once")
    assert marker.exists()
    pd.testing.assert_frame_equal(killed.replace(str(tmp_path / "killed-run"), str(tmp_path / "quiet"), regex=True),
                                  quiet)
    same_files(tmp_path / "quiet", tmp_path / "killed-run")


def test_the_command_writes_the_summary_and_fails_for_a_failed_recording(generated, bins, tmp_path):
    env = dict(os.environ)
    done = subprocess.run([sys.executable, "-m", "ecevents.study", str(generated), "--bins", str(bins), "-o",
                           str(tmp_path / "out"), "--workers", "2"], capture_output=True, text=True, env=env)
    assert done.returncode == 1, done.stderr
    summary = tmp_path / "out" / "study_summary.tsv"
    assert done.stdout.splitlines()[-1] == f"summary: {summary}"
    assert f"{RECORDINGS - 1} of {RECORDINGS} recordings done, 1 failed" in done.stdout
    assert len(pd.read_csv(summary, sep="\t")) > RECORDINGS
    for arguments, message in [(["--bins", str(bins), "--rules", str(bins)], "either as --bins"),
                               (["--bins", str(tmp_path / "none.xml")], "none.xml"),
                               (["--bins", str(bins), "--bids-derivatives", "-o", str(generated)],
                                "dataset_description.json: refusing to overwrite an input file")]:
        done = subprocess.run([sys.executable, "-m", "ecevents.study", str(generated), *arguments],
                              capture_output=True, text=True, env=env)
        assert done.returncode == 2 and message in done.stderr and len(done.stderr.splitlines()) == 1
