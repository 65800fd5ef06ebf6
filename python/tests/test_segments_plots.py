"""Clean segments and pictures."""

import io
import os
import subprocess

import numpy as np
import pandas as pd
import pytest

import ecevents
from conftest import EVENTS, RATE


@pytest.mark.skipif("ECBIN" not in os.environ, reason="ecbin is not built")
@pytest.mark.parametrize("options, args", [
    ({"count": 12, "seed": 3}, ["--count", "12", "--seed", "3"]),
    ({"count": 5, "seed": 9, "min_separation": 30.0, "margin": 1.5},
     ["--count", "5", "--seed", "9", "--min-separation", "30", "--margin", "1.5"]),
    ({"count": 20, "seed": 1, "min_separation": -1.0}, ["--count", "20", "--seed", "1", "--min-separation", "-1"]),
])
def test_segments_equal_ecbin_and_avoid_rejected_stretches(sample, options, args):
    drawn = ecevents.segments(sample, 2.0, **options)
    listed = subprocess.run([os.environ["ECBIN"], "segments", str(EVENTS), "--rate", str(RATE), "--length", "2",
                             *args], check=True, capture_output=True, text=True).stdout
    expected = pd.read_csv(io.StringIO(listed), sep="\t")
    assert drawn[["start", "stop"]].values.tolist() == expected[["start_sample", "stop_sample"]].values.tolist()
    assert len(drawn) == options["count"] and (drawn["duration"] == 2.0).all()
    rejected = [e for e in sample if e.rejected]
    for start, stop in drawn[["start", "stop"]].values:
        assert not any(start <= e.stop and e.sample <= stop for e in rejected)
    annotations = ecevents.segments_to_annotations(drawn, "clean")
    assert list(annotations.onset) == sorted(drawn["onset"]) and set(annotations.description) == {"clean"}


def test_segments_unseeded_draw_as_many_as_fit():
    events = ecevents.EventList.from_mne(np.array([[0, 0, 1], [999, 0, 1]]), 100.0)
    drawn = ecevents.segments(events, 1.0)
    assert len(drawn) >= 1 and drawn["stop"].max() <= 999 and (drawn["stop"] - drawn["start"] == 99).all()


@pytest.mark.parametrize("args, kwargs, error, message", [
    ((2.0,), {"count": 0}, ecevents.EventsError, "count must be a positive"),
    ((2.0,), {"count": 1.5}, TypeError, "count must be an integer"),
    ((0.0009,), {}, ecevents.EventsError, "shorter than one sample"),
    (("2",), {}, TypeError, "length must be a number"),
    ((2.0,), {"min_separation": -1.0}, ecevents.EventsError, "need count"),
    ((2.0,), {"margin": float("nan")}, ecevents.EventsError, "margin must be finite"),
    ((2.0,), {"seed": 2**40}, ecevents.EventsError, "32-bit"),
])
def test_segment_arguments(sample, args, kwargs, error, message):
    with pytest.raises(error, match=message):
        ecevents.segments(sample, *args, **kwargs)


def test_plots_save_as_png(sample, results, tmp_path):
    figure = sample.plot(bins=results)
    assert [t.get_text() for t in figure.axes[0].get_yticklabels()] == sample.names
    figure.savefig(tmp_path / "events.png")
    counts = results.plot()
    assert [int(p.get_height()) for p in counts.axes[0].patches] == results.summary()["n_events"].tolist()
    counts.savefig(tmp_path / "bins.png")
    for name in ("events.png", "bins.png"):
        assert (tmp_path / name).read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"
