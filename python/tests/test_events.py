"""Event lists: every constructor, conversions and round trips, errors."""

import numpy as np
import pandas as pd
import pytest

import ecevents
from conftest import BIDS, BINDESC, EVENTS, RATE, bids_tables


def test_sample_reads_with_names_in_order_and_exclusions_rejected(sample):
    assert len(sample) == 1232 and sample.sfreq == RATE
    assert sample.names == ["standard", "deviant", "response", "EXCLUDE"]
    frame = sample.to_dataframe()
    assert list(frame.columns) == ["onset", "duration", "sample", "stop", "name", "status", "rejected", "tags"]
    assert (frame["rejected"] == (frame["name"] == "EXCLUDE")).all()
    assert frame["rejected"].sum() == 6
    first = sample[0]
    assert (first.name, first.sample, first.onset) == ("standard", 2500, 5.0)
    assert sample[-1] == list(sample)[-1] and sample[1:3] == [sample[1], sample[2]]
    excluded = next(e for e in sample if e.rejected)
    assert excluded.duration == pytest.approx((excluded.stop - excluded.sample + 1) / RATE)


@pytest.mark.parametrize("table", bids_tables(), ids=lambda p: p.parent.parent.name)
def test_bids_tables_take_the_sidecar_rate_and_round_trip_through_every_format(table, tmp_path):
    events = ecevents.read_events(table)
    assert events.sfreq > 0 and len(events) > 0
    frame = events.to_dataframe()
    again = ecevents.EventList.from_dataframe(
        frame.rename(columns={"name": "trial_type"})[["onset", "duration", "trial_type"]], events.sfreq)
    assert np.array_equal(again.samples(), events.samples())
    for suffix in (".tsv", ".evt", ".eve"):
        out = tmp_path / f"copy_events{suffix}"
        events.write(out)
        back = ecevents.read_events(out, events.sfreq, event_id=events.event_id if suffix == ".eve" else None)
        order = np.argsort(events.samples(), kind="stable")
        assert np.array_equal(back.samples(), events.samples()[order])
        assert [e.name for e in back] == [events[i].name for i in order]
        if suffix != ".eve":  # .eve holds points only
            assert np.array_equal(back.to_dataframe()["stop"], frame["stop"].to_numpy()[order])


def test_mne_arrays_round_trip_with_names_and_first_samp():
    raw_events = np.array([[1100, 0, 1], [1150, 0, 2], [1300, 0, 1], [1400, 0, 7]])
    events = ecevents.EventList.from_mne(raw_events, 100.0, {"Aud/L": 1, "Vis/R": 2}, first_samp=1000)
    assert [e.name for e in events] == ["Aud/L", "Vis/R", "Aud/L", "7"]
    assert events.samples().tolist() == [100, 150, 300, 400]
    back, event_id = events.to_mne()
    assert np.array_equal(back, raw_events * [1, 0, 1]) and event_id == {"Aud/L": 1, "Vis/R": 2, "7": 7}
    assert events.to_mne(first_samp=0)[0][:, 0].tolist() == [100, 150, 300, 400]
    plain = ecevents.EventList.from_mne(raw_events, 100.0)
    assert plain.names == ["1", "2", "7"] and plain.to_mne()[1] == {"1": 1, "2": 2, "7": 7}


def test_annotations_and_raw_give_mne_samples_and_reject_bad_stretches():
    mne = pytest.importorskip("mne")
    info = mne.create_info(2, 250.0, "eeg")
    raw = mne.io.RawArray(np.zeros((2, 250 * 20)), info, first_samp=37, verbose=False)
    raw.set_meas_date(0)
    onsets = [1.0, 2.5037, 4.0, 9.2, 12.01]
    raw.set_annotations(mne.Annotations(onsets, [0, 0.1, 0, 2.0, 0], ["stim", "resp", "stim", "BAD_blink", "EXCLUDE"],
                                        orig_time=raw.info["meas_date"]))
    events = ecevents.EventList.from_raw(raw)
    mne_events, mne_id = mne.events_from_annotations(raw, regexp=None, verbose=False)
    by_name = {v: k for k, v in mne_id.items()}
    assert events.to_mne()[0][:, 0].tolist() == mne_events[:, 0].tolist()
    assert [e.name for e in events] == [by_name[c] for c in mne_events[:, 2]]
    assert [e.rejected for e in events] == [False, False, False, True, True]
    bad = events[3]
    assert bad.stop - bad.sample + 1 == 500

    plain = ecevents.EventList.from_annotations(events.to_annotations(), events.sfreq)
    assert plain.to_dataframe().drop(columns="name").equals(events.to_dataframe().drop(columns="name"))
    assert [e.name for e in plain] == [e.name for e in events]


def test_dataframe_with_value_fallback_sample_and_tags():
    frame = pd.DataFrame({"onset": [0.5, 1.0, 1.5], "duration": [0.0, np.nan, 0.2],
                          "trial_type": ["go", None, "stop"], "value": [1, 2, 3],
                          "tags": [["Cond:A", "Hand:L"], None, "Cond:B"]})
    events = ecevents.EventList.from_dataframe(frame, 100.0)
    assert [e.name for e in events] == ["go", "2", "stop"]
    assert [e.tags for e in events] == [("Cond:A", "Hand:L"), (), ("Cond:B",)]
    assert events.tags == ["Cond:A", "Hand:L", "Cond:B"]
    assert events.samples().tolist() == [50, 100, 150] and events[2].stop == 169


def test_tag_changes_only_the_list_it_is_called_on(tmp_path):
    events = ecevents.read_events(EVENTS, RATE)
    ecevents.run(events, str(BINDESC).replace("bindesc", "binlist"), bindesc=BINDESC)
    assert events.tags == []
    counts = events.tag(BINDESC.read_text())
    assert counts == {"Stim:Standard": 768, "Prev:Standard": 768, "Stim:Deviant": 122, "Resp:Hit": 122}
    assert events.tags == list(counts)


@pytest.mark.parametrize("call, error, words", [
    (lambda: ecevents.read_events(42), TypeError, "path"),
    (lambda: ecevents.read_events(EVENTS, "500"), TypeError, "sfreq"),
    (lambda: ecevents.read_events(EVENTS, -1.0), ecevents.EventsError, "positive"),
    (lambda: ecevents.read_events(BIDS / "missing_events.tsv"), ecevents.EventsError, "missing_events.tsv"),
    (lambda: ecevents.read_events(EVENTS, name_column=3), TypeError, "name_column"),
    (lambda: ecevents.EventList.from_mne([[1.5, 0, 1]], 100.0), TypeError, "integer"),
    (lambda: ecevents.EventList.from_mne(np.ones((2, 2), int), 100.0), ecevents.EventsError, "(n, 3)"),
    (lambda: ecevents.EventList.from_mne(np.array([[2**40, 0, 1]]), 100.0), ecevents.EventsError, "32-bit"),
    (lambda: ecevents.EventList.from_mne([[1, 0, 1]], 100.0, {"a": 1, "b": 1}), ecevents.EventsError, "both"),
    (lambda: ecevents.EventList.from_mne([[1, 0, 1]], 100.0, {"a": "1"}), TypeError, "integer"),
    (lambda: ecevents.EventList.from_annotations([], 100.0), TypeError, "Annotations"),
    (lambda: ecevents.EventList.from_dataframe({"onset": [1]}, 100.0), TypeError, "DataFrame"),
    (lambda: ecevents.EventList.from_dataframe(pd.DataFrame({"onset": ["x"], "value": [1]}), 100.0),
     ecevents.EventsError, "dataframe line 2: onset \"x\" is not a number"),
    (lambda: ecevents.EventList.from_raw("raw"), TypeError, "raw"),
    (lambda: ecevents.EventList(), TypeError, "read_events"),
])
def test_errors_have_their_types_and_say_what_is_wrong(call, error, words):
    with pytest.raises(error) as caught:
        call()
    assert words in str(caught.value)
    assert issubclass(ecevents.EventsError, ValueError)


def test_library_messages_arrive_unchanged(sample, tmp_path):
    with pytest.raises(ecevents.EventsError, match=r"^<bindesc text>: not a bin description"):
        sample.tag("<bin_list></bin_list>")
    with pytest.raises(ecevents.EventsError, match="has no code for 'standard'"):
        sample.to_mne({"deviant": 1})
    with pytest.raises(ecevents.EventsError, match="cannot read the file"):
        sample.tag(tmp_path / "none.xml")


def test_names_that_are_not_utf8_come_through_as_surrogates(tmp_path):
    table = tmp_path / "odd_events.tsv"
    table.write_bytes(b"onset\tduration\ttrial_type\n1.0\t0\tcaf\xe9\n2.0\tx\tok\n")
    with pytest.raises(ecevents.EventsError, match="line 3: duration \"x\" is not a number"):
        ecevents.read_events(table, 100.0)
    table.write_bytes(b"onset\tduration\ttrial_type\n1.0\t0\tcaf\xe9\n")
    events = ecevents.read_events(table, 100.0)
    assert events.names == ["caf\udce9"] and events[0].name == "caf\udce9"
    with pytest.raises(ecevents.EventsError, match="caf\udce9"):
        events.write(tmp_path / "odd.eve", event_id={})
