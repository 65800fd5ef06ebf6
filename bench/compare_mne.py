#!/usr/bin/env python3
"""How long MNE's define_target_events and make_metadata take against the
same answers from ecevents, on generated lists of 10^4, 10^5 and 10^6 events;
and, with --window, the single question "a target followed by a response
within a window" side by side: MNE, the NumPy searchsorted rule and ecevents,
in process and end to end (from a .eve file to a table on disk).

Both MNE functions make a pass over the whole list for every row event, so
their time grows with the square of the list; they are run up to 10^5 events
and extrapolated beyond (as the square of the size, from the largest size
run) unless --full is given. Every size that MNE runs is checked to give the
same answer as ecevents.

    PYTHONPATH=build/python /usr/bin/python3 bench/compare_mne.py [--sizes 10000 100000 1000000] [--full]
    PYTHONPATH=build/python /usr/bin/python3 bench/compare_mne.py --window [--ecbin build/cli/ecbin]
"""

import argparse
import os
import subprocess
import tempfile
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


def stimuli_and_responses(n, seed, answered_share, gaps, delays, grid):
    """About n MNE events on a grid of samples: stimuli (1) at random gaps,
    answered_share of them followed by a response (2) after a random delay;
    gaps and delays are [low, high) in grid steps."""
    rng = np.random.default_rng(seed)
    n_stims = int(n / (1 + answered_share))
    stims = np.cumsum(rng.integers(*gaps, n_stims)) * grid
    answered = stims[rng.random(n_stims) < answered_share]
    resps = np.setdiff1d(answered + rng.integers(*delays, len(answered)) * grid, stims)
    samples = np.r_[stims, resps]
    codes = np.r_[np.ones_like(stims), np.full_like(resps, 2)]
    order = np.argsort(samples, kind="stable")
    return np.c_[samples[order], np.zeros(len(order), np.int64), codes[order]]


def generate(n, seed=0):
    """About n events: stimuli every 0.4-1.4 s, 70 % answered 0.2-1.6 s later."""
    return stimuli_and_responses(n, seed, 0.7, (2, 8), (1, 9), 20)


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


# The window question. Events lie on a grid of 10 samples at 1 kHz and the
# window edges 5 samples off it, so MNE's open bounds and the inclusive edges
# of the other two meet no event and all three can agree; in exact time they
# must. In single precision the edges move once the recording passes 2^24
# samples (4.7 hours), which the largest sizes do.
WINDOW_SFREQ = 1000.0
WINDOW = (0.205, 1.005)
WINDOW_DESC = """<bin_desc><attrib_spec>
  <attrib><factor>Resp</factor><tag>Hit</tag></attrib>
  <event_specs>
    <target><name>T</name><event>stim</event></target>
    <conditional><name>R</name><option>6</option>
      <pre><logic>+</logic><latency>{0}</latency><EventSpecifier>T</EventSpecifier></pre>
      <post><logic>+</logic><latency>{1}</latency><EventSpecifier>T</EventSpecifier></post>
      <event>resp</event><mode>permeable</mode></conditional>
  </event_specs>
</attrib_spec></bin_desc>
""".format(*WINDOW)


def generate_window(n, seed=0):
    """About n events: targets every 0.6-2.0 s, 80 % answered 100-1300 ms later."""
    return stimuli_and_responses(n, seed, 0.8, (60, 201), (10, 131), 10)


def numpy_rule(events):
    """The targets with a response in [t + lo, t + hi] samples."""
    lo, hi = (int(round(w * WINDOW_SFREQ)) for w in WINDOW)
    samples, codes = events[:, 0], events[:, 2]
    targets, resps = samples[codes == 1], samples[codes == 2]
    at = np.searchsorted(resps, targets + lo)
    hit = at < len(resps)
    hit[hit] = resps[at[hit]] <= targets[hit] + hi
    return targets[hit]


def mne_window(events):
    found, _lag = mne.event.define_target_events(events, 1, 2, WINDOW_SFREQ, *WINDOW, new_id=99)
    return found[:, 0] if len(found) else np.zeros(0, np.int64)


def ours_window_list(events, exact):
    listed = ecevents.EventList.from_mne(events, WINDOW_SFREQ, EVENT_ID)
    listed.exact_time = exact
    return listed


def ours_window_tagged(listed):
    frame = listed.to_dataframe()
    return frame["sample"][frame["tags"].str.contains("Resp:Hit", regex=False)].to_numpy()


def best_of(repeats, function, *args):
    """The fastest of a few runs and the last result."""
    times = []
    for _ in range(repeats):
        start = time.perf_counter()
        result = function(*args)
        times.append(time.perf_counter() - start)
    return min(times), result


def end_to_end_numpy(eve, out):
    events = np.loadtxt(eve, ndmin=2)
    if events.shape[1] == 4:  # a time column after the sample
        events = events[:, [0, 2, 3]]
    events = events.astype(np.int64)
    np.savetxt(out, numpy_rule(events), fmt="%d")


def end_to_end_mne(eve, out):
    np.savetxt(out, mne_window(mne.read_events(eve)), fmt="%d")


def end_to_end_ours(ecbin, eve, desc, out, exact):
    command = [ecbin, "tag", eve, desc, "-o", out, "--rate", str(WINDOW_SFREQ)]
    subprocess.run(command + (["--exact-time"] if exact else []), check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)


def compare_window(args):
    # Outputs go to memory, so that disks are not what is timed.
    where = "/dev/shm" if os.path.isdir("/dev/shm") else None
    print(f"{'events':>9s} {'':10s} {'MNE s':>10s} {'NumPy s':>9s} {'ecevents s':>11s} {'exact s':>9s} "
          f"{'MNE/ours':>9s} {'NumPy/ours':>10s}  same tags (single, exact)")
    last = None
    with tempfile.TemporaryDirectory(dir=where) as tmp:
        desc = os.path.join(tmp, "window_bindesc.xml")
        with open(desc, "w") as f:
            f.write(WINDOW_DESC)
        for size in args.window_sizes:
            events = generate_window(size)
            eve = os.path.join(tmp, f"events{size}.eve")
            mne.write_events(eve, events, overwrite=True)
            numpy_time, numpy_found = best_of(args.repeats, numpy_rule, events)
            times = {}
            same = []
            for exact in (False, True):
                tag_times = []
                for _ in range(args.repeats):
                    copy = ours_window_list(events, exact)
                    start = time.perf_counter()
                    copy.tag(WINDOW_DESC)
                    tag_times.append(time.perf_counter() - start)
                times[exact] = min(tag_times)
                same.append("yes" if np.array_equal(ours_window_tagged(copy), numpy_found) else "NO")
            run_mne = args.full or size <= args.window_mne_limit
            if run_mne:
                mne_time, mne_found = best_of(1, mne_window, events)
                last = (len(events), mne_time)
                mne_same = "yes" if np.array_equal(mne_found, numpy_found) else "NO"
                shown = f"{mne_time:10.2f}"
            else:
                mne_time = last[1] * (len(events) / last[0]) ** 2 if last else float("nan")
                mne_same = "not run"
                shown = f"~{mne_time:9.0f}"
            print(f"{len(events):9d} {'in process':10s} {shown} {numpy_time:9.4f} {times[False]:11.4f} "
                  f"{times[True]:9.4f} {mne_time / times[True]:9.0f} {numpy_time / times[True]:10.2f}  "
                  f"{', '.join(same)}; NumPy = MNE: {mne_same}", flush=True)

            out = os.path.join(tmp, "out")
            e2e_numpy, _ = best_of(args.repeats, end_to_end_numpy, eve, out + ".txt")
            e2e = {exact: best_of(args.repeats, end_to_end_ours, args.ecbin, eve, desc, out + ".tsv", exact)[0]
                   for exact in (False, True)}
            if run_mne:
                e2e_mne = best_of(1, end_to_end_mne, eve, out + ".txt")[0]
                shown = f"{e2e_mne:10.2f}"
            else:
                e2e_mne = float("nan")
                shown = f"{'':>10s}"
            print(f"{'':9s} {'end to end':10s} {shown} {e2e_numpy:9.4f} {e2e[False]:11.4f} {e2e[True]:9.4f} "
                  f"{e2e_mne / e2e[True]:9.0f} {e2e_numpy / e2e[True]:10.2f}", flush=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--sizes", type=int, nargs="+", default=[10_000, 100_000, 1_000_000])
    parser.add_argument("--full", action="store_true", help="run MNE at every size instead of extrapolating")
    parser.add_argument("--mne-limit", type=int, default=100_000, help="largest size MNE runs without --full")
    parser.add_argument("--only", choices=["define_target_events", "make_metadata"], help="compare one function")
    parser.add_argument("--window", action="store_true",
                        help="the window question: MNE, NumPy searchsorted and ecevents side by side")
    parser.add_argument("--window-sizes", type=int, nargs="+", default=[12_000, 120_000, 1_200_000])
    parser.add_argument("--window-mne-limit", type=int, default=120_000,
                        help="largest size MNE runs for the window question without --full")
    parser.add_argument("--ecbin", default="build/cli/ecbin", help="the ecbin program, for end-to-end times")
    parser.add_argument("--repeats", type=int, default=5, help="runs per timing; the fastest counts")
    args = parser.parse_args()
    mne.set_log_level("ERROR")
    if args.window:
        compare_window(args)
        return
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
