"""Bins: the same as ecbin, summaries, metadata, arguments for mne.Epochs."""

import os
import re
import subprocess
import sys
import threading
import time

import numpy as np
import pandas as pd
import pytest

import ecevents
from conftest import BIDS, BINDESC, BINLIST, EVENTS, RATE, RULES, binlist

def ecbin_bins(events_path, documents, out, rate=None):
    """ecbin run's summary rows and per-bin samples; documents are its options naming them."""
    command = [os.environ["ECBIN"], "run", str(events_path), *map(str, documents), "-o", str(out / "run"),
               "--summary", str(out / "summary.tsv")]
    command += ["--rate", str(rate)] if rate else []
    subprocess.run(command, check=True, capture_output=True)
    summary = pd.read_csv(out / "summary.tsv", sep="\t")
    samples = {b: ecevents.read_events(out / f"run_{b}.evt", 1.0).samples() for b in summary["bin"]}
    return summary, samples


@pytest.mark.skipif("ECBIN" not in os.environ, reason="ecbin is not built")
@pytest.mark.parametrize("recording", ["sample", "ds000248"])
def test_bins_equal_ecbin_run(recording, tmp_path):
    if recording == "sample":
        events_path, bins_path, bindesc, rate = EVENTS, BINLIST, BINDESC, RATE
    else:
        events_path = next(BIDS.glob("ds000248/**/*_events.tsv"))
        bins_path, bindesc, rate = tmp_path / "bins.xml", None, None
        bins_path.write_text(binlist({"Aud": ["Auditory/Left", "Auditory/Right"], "Button": ["Button"]}))
    documents = ["--bins", bins_path] + (["--bindesc", bindesc] if bindesc else [])
    expected, samples = ecbin_bins(events_path, documents, tmp_path, rate)
    assert_same_bins(ecevents.run(ecevents.read_events(events_path, rate), bins_path, bindesc=bindesc),
                     expected, samples)


def assert_same_bins(results, expected, samples):
    summary = results.summary()
    assert results.names == expected["bin"].tolist()
    for column in ["epoch", "n_events", "first_sample", "last_sample"]:
        assert summary[column].tolist() == expected[column].tolist()
    for name in results.names:
        assert results.events(name)[:, 0].tolist() == sorted(samples[name].tolist())


@pytest.mark.skipif("ECBIN" not in os.environ, reason="ecbin is not built")
def test_rules_as_path_text_and_dict_equal_ecbin_and_the_documents(sample, results, tmp_path):
    expected, samples = ecbin_bins(EVENTS, ["--rules", RULES, "--rate", RATE], tmp_path)
    text = RULES.read_text()
    stim, names = {"epoch": "Stim"}, lambda *n: {"names": list(n)}
    rules = {
        "epochs": {"Stim": {"tmin": -0.2, "tmax": 0.8, "baseline": "pre"},
                   "Resp": {"tmin": -0.5, "tmax": 0.5, "baseline": "pre"}},
        "tags": {"Resp:Hit": {"target": "deviant", "followed_by": "response", "within": [0.2, 1.0],
                              "immediately": True},
                 "Prev:Standard": {"target": "standard", "preceded_by": "standard", "immediately": True}},
        "bins": {"Standard": {**names("standard"), **stim}, "Deviant": {**names("deviant"), **stim},
                 "DevHit": {"tags": ["Resp:Hit"], **stim}, "DevMiss": {"logic": "Deviant and not DevHit", **stim},
                 "StdAfterStd": {"tags": ["Prev:Standard"], **stim}, "Response": {**names("response"), "epoch": "Resp"}},
        "exclude": True,
    }
    for given in (RULES, str(RULES), text, rules):
        from_rules = ecevents.run(sample, rules=given)
        assert_same_bins(from_rules, expected, samples)
        assert sorted(from_rules.names) == sorted(results.names)
        for name in results.names:
            assert from_rules.events(name).tolist() == results.events(name).tolist(), name
    # Tags marked rt give the same latencies as rt= over the documents.
    rules["tags"]["Resp:Hit"]["rt"] = True
    timed = ecevents.run(sample, rules=rules).metadata()
    documented = ecevents.run(sample, BINLIST, bindesc=BINDESC, rt={"Resp": "R"}).metadata()
    assert timed["rt_Resp"].notna().sum() == 120
    assert timed["rt_Resp"].equals(documented["rt_Resp"])


def test_a_wrong_rules_file_names_its_place(sample, tmp_path):
    wrong = tmp_path / "wrong.yaml"
    wrong.write_text(RULES.read_text().replace("tmax: 0.5", "tmax: soon"))
    for given, where in [(wrong, f"{wrong}:3:28: epochs.Resp.tmax: expected a number in seconds, got soon"),
                         (wrong.read_text(), "<rules text>:3:28: epochs.Resp.tmax"),
                         ({"epochs": {"Stim": {"tmin": "soon"}}}, "<rules dict>:1:30: epochs.Stim.tmin")]:
        with pytest.raises(ecevents.EventsError, match=re.escape(where)):
            ecevents.run(sample, rules=given)
    with pytest.raises(ecevents.EventsError, match="not a rules file"):
        ecevents.run(sample, rules=BINLIST.read_text())


@pytest.mark.parametrize("exact, tags", [(False, {"Stim:Deviant": 1, "Resp:Hit": 1}), (True, {})])
def test_exact_time_keeps_windows_to_whole_samples_past_2_to_24(exact, tags, tmp_path):
    # A response 1.002 s after the deviant is inside the 0.2-1.0 s window
    # only by single precision at sample 2^27.
    events = ecevents.EventList.from_mne(np.array([[2**27, 0, 1], [2**27 + 1002, 0, 2]]), 1000.0,
                                         {"deviant": 1, "response": 2})
    events.exact_time = exact
    assert events.tag(BINDESC) == tags
    path = tmp_path / "long_events.tsv"
    events.write(path)
    read = ecevents.read_events(path, 1000.0, exact_time=exact)
    assert read.exact_time == exact and read.tag(BINDESC) == tags
    with pytest.raises(TypeError, match="exact_time must be a bool"):
        events.exact_time = "yes"


def test_summary_epoch_and_events(results):
    summary = results.summary().set_index("bin")
    assert summary.loc["Response", ["epoch", "tmin", "tmax"]].tolist() == ["Resp", -0.5, 0.5]
    assert summary.loc["DevHit", "baseline"] == (None, 0)
    epoch = results.epoch("Standard")
    assert (epoch["sID"], epoch["fStart"], epoch["fStop"], epoch["sBaselineDetrend"]) == ("Stim", -0.2, 0.8, "PreEvent")
    deviants = results.events("Deviant")
    assert set(deviants[:, 2]) == {results.event_id["deviant"]}
    assert len(deviants) == summary.loc["Deviant", "n_events"]


def test_metadata_has_tag_factors_bins_and_the_window(results):
    metadata = results.metadata()
    assert list(metadata.columns[:6]) == ["sample", "onset", "name", "Stim", "Prev", "Resp"]
    assert (metadata["Resp"][metadata["DevHit"]] == "Hit").all()
    assert (metadata["DevMiss"] == metadata["Deviant"] & ~metadata["DevHit"]).all()
    assert metadata["Resp"][metadata["DevMiss"]].isna().all()
    windowed = results.metadata(window=(0.2, 1.0))
    hits = windowed[windowed["DevHit"]]
    assert hits["response_present"].all() and hits["response_latency"].between(0.2, 1.0).all()
    assert (windowed["response_present"] == windowed["response_latency"].notna()).all()


def test_response_times_are_the_latency_the_conditional_found(sample):
    results = ecevents.run(sample, BINLIST, bindesc=BINDESC, rt={"Resp": "R"})
    metadata = results.metadata(window=(0.2, 1.0))
    hits = metadata[metadata["DevHit"]]
    assert np.allclose(hits["rt_Resp"], hits["response_latency"]) and hits["rt_Resp"].between(0.2, 1.0).all()
    assert metadata["rt_Resp"][metadata["Resp"].isna()].isna().all()
    for kwargs, error, message in [({"rt": {"Resp": "R"}, "bindesc": None}, TypeError, "need bindesc"),
                                   ({"rt": ["Resp:R"]}, TypeError, "rt must be a dict"),
                                   ({"rt": {"Speed": "R"}}, ecevents.EventsError, "Speed:R")]:
        with pytest.raises(error, match=message):
            ecevents.run(sample, BINLIST, **{"bindesc": BINDESC, **kwargs})


def test_factor_values_join_and_clash_with_bins():
    frame = pd.DataFrame({"onset": [1.0, 2.0], "duration": 0.0, "trial_type": ["go", "go"],
                          "tags": ["Cond:A;Cond:B", "Cond:A"]})
    events = ecevents.EventList.from_dataframe(frame, 100.0)
    assert ecevents.run(events, binlist({"Go": ["go"]})).metadata()["Cond"].tolist() == ["A|B", "A"]
    with pytest.raises(ecevents.EventsError, match="'Cond' has the name of a bin"):
        ecevents.run(events, binlist({"Cond": ["go"]})).metadata()


def test_epochs_from_kwargs_select_bins_through_metadata(results):
    mne = pytest.importorskip("mne")
    stim = ["Standard", "Deviant", "StdAfterStd", "DevHit", "DevMiss"]
    kw = results.epochs_kwargs(stim)
    assert (kw["tmin"], kw["tmax"], kw["baseline"]) == (-0.2, 0.8, (None, 0))
    assert kw["event_id"] == {"standard": 1, "deviant": 2}
    samples = results.tagged_events.samples()
    assert len(kw["events"]) == len(np.unique(samples[results.members("Standard") | results.members("Deviant")]))
    last = int(samples.max()) + RATE
    raw = mne.io.RawArray(np.zeros((1, int(last))), mne.create_info(1, RATE, "eeg"), verbose=False)
    epochs = mne.Epochs(raw, **kw, preload=True, verbose=False)
    assert len(epochs) == len(kw["events"])
    for name in stim:
        assert len(epochs[name]) == int(results.members(name).sum())


def test_events_sharing_a_sample_make_one_epoch_with_bins_ored():
    events = ecevents.EventList.from_mne(np.array([[100, 0, 1], [100, 0, 2], [300, 0, 1]]), 100.0, {"a": 1, "b": 2})
    kw = ecevents.run(events, binlist({"A": ["a"], "B": ["b"]})).epochs_kwargs()
    assert kw["events"][:, 0].tolist() == [100, 300]
    assert kw["metadata"][["A", "B"]].values.tolist() == [[True, True], [True, False]]


@pytest.mark.parametrize("bins, baseline, limit, expected, warns", [
    ({"A": ["a"]}, "", 0, None, None),
    ({"A": ["a"]}, "<sBaselineDetrend>Custom</sBaselineDetrend><fDetrendStart>-0.05</fDetrendStart>"
                   "<fDetrendStop>0</fDetrendStop>", 0, (-0.05, 0.0), None),
    ({"A": ["a"]}, "<iPolynomialOrder>1</iPolynomialOrder><sBaselineDetrend>PreEvent</sBaselineDetrend>", 0,
     (None, 0), "detrending"),
    ({"A": ["a"]}, "<sBaselineDetrend>PreEvent</sBaselineDetrend>", 1, (None, 0), "magnitude limits"),
])
def test_baselines_as_mne_writes_them(bins, baseline, limit, expected, warns, recwarn):
    events = ecevents.EventList.from_mne(np.array([[100, 0, 1]]), 100.0, {"a": 1})
    kw = ecevents.run(events, binlist(bins, baseline, limit)).epochs_kwargs()
    assert kw["baseline"] == expected
    messages = [str(w.message) for w in recwarn]
    assert any(warns in m for m in messages) if warns else not messages


@pytest.mark.parametrize("bins, chosen, message", [
    ({"a": ["a"]}, None, "'a' equals an event name"),
    ({"Aud": ["Aud/L"]}, None, "'Aud' equals an event name or part"),
    ({"x-1": ["a"]}, None, "'x-1' is not a Python identifier"),
    ({"A": ["a"]}, ["Nope"], "no bin 'Nope'"),
])
def test_epochs_kwargs_refuses_bins_mne_cannot_select(bins, chosen, message):
    events = ecevents.EventList.from_mne(np.array([[100, 0, 1], [200, 0, 2]]), 100.0, {"a": 1, "Aud/L": 2})
    with pytest.raises(ecevents.EventsError, match=message):
        ecevents.run(events, binlist(bins)).epochs_kwargs(chosen)


def test_bins_of_two_epochs_are_refused(results):
    with pytest.raises(ecevents.EventsError, match="different epochs .*'Stim'.*'Resp'"):
        results.epochs_kwargs()


@pytest.mark.parametrize("kwargs, error, message", [
    ({}, TypeError, "exactly one of bins and rules"),
    ({"bins": BINLIST, "rules": {}}, TypeError, "exactly one"),
    ({"rules": {}, "bindesc": BINDESC}, TypeError, "bindesc cannot be given with rules"),
    ({"rules": 3}, TypeError, "rules must be"),
    ({"rules": {"bins": {1}}}, TypeError, "a rules dict holds only"),
    ({"rules": {}, "rt": {"Resp": "R"}}, TypeError, "rt cannot be given"),
    ({"bins": 3}, TypeError, "bins must be a path"),
    ({"bins": "<bin_desc/>"}, ecevents.EventsError, "<bins text>: not a bin list or bin-results document"),
    ({"bins": BINLIST, "bindesc": BINLIST}, ecevents.EventsError, "not a bin description"),
])
def test_run_arguments(sample, kwargs, error, message):
    with pytest.raises(error, match=message):
        ecevents.run(sample, **kwargs)


def test_run_takes_document_text_and_leaves_the_events_alone(sample):
    before = sample.to_dataframe()
    results = ecevents.run(sample, BINLIST.read_text(), bindesc=BINDESC.read_text())
    assert results.summary()["n_events"].tolist() == [907, 144, 749, 120, 24, 145]
    assert sample.to_dataframe().equals(before)
    with pytest.raises(TypeError, match="EventList"):
        ecevents.run(before, BINLIST)


def test_native_calls_release_the_gil(tmp_path):
    rng = np.random.default_rng(1)
    n = 200_000
    big = tmp_path / "big_events.tsv"
    ecevents.EventList.from_mne(np.c_[np.sort(rng.integers(0, 10**8, n)), np.zeros(n, int),
                                      rng.integers(1, 4, n)], 1000.0).write(big)
    calls, ticks = [], []

    def native():
        deadline = time.perf_counter() + 0.6
        while time.perf_counter() < deadline:
            start = time.perf_counter()
            ecevents.read_events(big, 1000.0)
            calls.append((start, time.perf_counter()))

    # Python threads then switch only where one waits or lets go of the
    # GIL, so the main thread runs during a call only if the call let go.
    interval = sys.getswitchinterval()
    sys.setswitchinterval(5.0)
    try:
        worker = threading.Thread(target=native)
        worker.start()
        while worker.is_alive():
            ticks.append(time.perf_counter())
            time.sleep(0.001)
        worker.join()
    finally:
        sys.setswitchinterval(interval)
    inside = sum(1 for t in ticks for start, stop in calls if start < t < stop)
    assert calls and inside > 5 * len(calls)


def test_readme_example_runs(sample, tmp_path, monkeypatch):
    mne = pytest.importorskip("mne")
    readme = (EVENTS.parents[2] / "README.md").read_text()
    start = readme.index("    import mne, ecevents\n")
    code = "\n".join(line[4:] for line in readme[start:].split("\n\n")[0].splitlines())
    raw = mne.io.RawArray(np.zeros((1, int(sample.samples().max()) + 1000)),
                          mne.create_info(1, RATE, "eeg"), verbose=False)
    raw.set_annotations(sample.to_annotations())
    raw.save(tmp_path / "sub-01_task-oddball_raw.fif", verbose=False)
    for document in (BINLIST, BINDESC):
        (tmp_path / document.name).write_bytes(document.read_bytes())
    monkeypatch.chdir(tmp_path)
    scope = {}
    exec(code, scope)
    epochs = scope["epochs"]
    assert len(epochs.events) == 907 + 144 and len(epochs["DevHit"].events) == 120
