#!/usr/bin/env python3
"""How long MNE's define_target_events and make_metadata take against the
same answers from ecevents, on generated lists of 10^4, 10^5 and 10^6 events.

Both MNE functions make a pass over the whole list for every row event, so
their time grows with the square of the list; they are run up to 10^5 events
and extrapolated beyond (as the square of the size, from the largest size
run) unless --full is given. Every size that MNE runs is checked to give the
same answer as ecevents.

    PYTHONPATH=build/python /usr/bin/python3 bench/compare_mne.py [--sizes 10000 100000 1000000] [--full]
"""

import argparse
import time

import mne
import numpy as np

import ecevents

SFREQ = 100.0
# Events lie on a grid of 0.2 s and the window edges 0.1 s off it, so that
# MNE's open bounds (define_target_events) and its one extra sample
# (make_metadata) never meet an event and both sides count the same events.
# The margin is wide because the engine keeps times in single precision,
# which at 10^6 events (six days of recording) is good to about 0.03 s.
TARGET_WINDOW = (0.3, 1.1)
METADATA_WINDOW = (-0.5, 1.5)
FOLLOWED_BY = """<bin_desc><attrib_spec>
  <attrib><factor>Resp</factor><tag>Hit</tag></attrib>
  <event_specs>
    <target><name>T</name><event>stim</event></target>
    <conditional><name>R</name><option>4</option>
      <pre><logic>+</logic><latency>{0}</latency><EventSpecifier>T</EventSpecifier></pre>
      <post><logic>+</logic><latency>{1}</latency><EventSpecifier>T</EventSpecifier></post>
      <event>resp</event><mode>permeable</mode></conditional>
  </event_specs>
</attrib_spec></bin_desc>
""".format(*TARGET_WINDOW)
STIM_BINS = """<bin_list><vBinList><bin><sBinName>Stim</sBinName><sEpochName>E</sEpochName><sCase>EvtNames</sCase>
<vEvtNames><name>stim</name></vEvtNames></bin></vBinList><vEpochList><epoch><sID>E</sID><fStart>-0.2</fStart>
<fStop>0.8</fStop></epoch></vEpochList></bin_list>
"""
EVENT_ID = {"stim": 1, "resp": 2}


def generate(n, seed=0):
    """About n events: stimuli every 0.4-1.4 s, 70 % answered 0.2-1.6 s later."""
    rng = np.random.default_rng(seed)
    n_stims = int(n / 1.7)
    stims = np.cumsum(rng.integers(2, 8, n_stims)) * 20
    answered = stims[rng.random(n_stims) < 0.7]
    resps = np.setdiff1d(answered + rng.integers(1, 9, len(answered)) * 20, stims)
    samples = np.r_[stims, resps]
    codes = np.r_[np.ones_like(stims), np.full_like(resps, 2)]
    order = np.argsort(samples, kind="stable")
    return np.c_[samples[order], np.zeros(len(order), np.int64), codes[order]]


def ours_target_events(events):
    listed = ecevents.EventList.from_mne(events, SFREQ, EVENT_ID)
    listed.tag(FOLLOWED_BY)
    frame = listed.to_dataframe()
    return frame["sample"][frame["tags"].str.contains("Resp:Hit", regex=False)].to_numpy()


def mne_target_events(events):
    found, _lag = mne.event.define_target_events(events, 1, 2, SFREQ, *TARGET_WINDOW, new_id=99)
    return found[:, 0] if len(found) else np.zeros(0, np.int64)


def ours_metadata(events):
    listed = ecevents.EventList.from_mne(events, SFREQ, EVENT_ID)
    table = ecevents.run(listed, STIM_BINS).metadata(window=METADATA_WINDOW)
    return np.c_[table["stim_latency"], table["resp_latency"]]


def mne_metadata(events):
    table, _, _ = mne.epochs.make_metadata(events, EVENT_ID, *METADATA_WINDOW, SFREQ, row_events=["stim"])
    return np.c_[table["stim"], table["resp"]]


def timed(function, events):
    start = time.perf_counter()
    result = function(events)
    return time.perf_counter() - start, result


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--sizes", type=int, nargs="+", default=[10_000, 100_000, 1_000_000])
    parser.add_argument("--full", action="store_true", help="run MNE at every size instead of extrapolating")
    parser.add_argument("--mne-limit", type=int, default=100_000, help="largest size MNE runs without --full")
    parser.add_argument("--only", choices=["define_target_events", "make_metadata"], help="compare one function")
    args = parser.parse_args()
    mne.set_log_level("ERROR")
    # Imports and first-call costs are not what is compared.
    for warm in (ours_target_events, ours_metadata):
        warm(generate(1000))

    comparisons = [("define_target_events", mne_target_events, ours_target_events, np.array_equal),
                   ("make_metadata", mne_metadata, ours_metadata,
                    lambda a, b: a.shape == b.shape and np.allclose(a, b, equal_nan=True))]
    print(f"{'function':22s} {'events':>9s} {'MNE s':>10s} {'ecevents s':>11s} {'ratio':>9s}  same answer")
    for name, theirs, ours, same in comparisons:
        if args.only and name != args.only:
            continue
        last = None
        for size in args.sizes:
            events = generate(size)
            ours_time, ours_result = timed(ours, events)
            if args.full or size <= args.mne_limit:
                mne_time, mne_result = timed(theirs, events)
                verdict = "yes" if same(mne_result, ours_result) else "NO"
                last = (len(events), mne_time)
                shown = f"{mne_time:10.2f}"
            elif last:
                mne_time = last[1] * (len(events) / last[0]) ** 2
                verdict = "not run"
                shown = f"~{mne_time:9.0f}"
            else:
                continue
            print(f"{name:22s} {len(events):9d} {shown} {ours_time:11.3f} {mne_time / ours_time:9.0f}  {verdict}",
                  flush=True)


if __name__ == "__main__":
    main()
