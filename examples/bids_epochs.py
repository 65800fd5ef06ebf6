#!/usr/bin/env python3
"""Epochs of a real BIDS recording's events (MNE's audiovisual sample, ds000248).

The events table and its sidecar come from the test data; the rate
(600.615 Hz) is read from the sidecar. The data are zeros of the right
length, as the table holds no signal. Bins are made from a bin list given as
text, and the metadata carries one column per bin.

Run from anywhere: python3 examples/bids_epochs.py [EVENTS_TSV]
"""

import pathlib
import sys

import mne
import numpy as np

import ecevents

root = pathlib.Path(__file__).parents[1]
table = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else next(
    (root / "tests" / "data" / "cli" / "bids-examples" / "ds000248").rglob("*_events.tsv"))
events = ecevents.read_events(table)
print(f"{table.name}: {len(events)} events at {events.sfreq} Hz: {', '.join(events.names)}")

BINS = """<bin_list>
  <bExcludeON>1</bExcludeON>
  <vBinList>
    <bin><sBinName>Heard</sBinName><sEpochName>AV</sEpochName><sCase>EvtNames</sCase>
      <vEvtNames><name>Auditory/Left</name><name>Auditory/Right</name></vEvtNames></bin>
    <bin><sBinName>Seen</sBinName><sEpochName>AV</sEpochName><sCase>EvtNames</sCase>
      <vEvtNames><name>Visual/Left</name><name>Visual/Right</name></vEvtNames></bin>
    <bin><sBinName>LeftSide</sBinName><sEpochName>AV</sEpochName><sCase>EvtNames</sCase>
      <vEvtNames><name>Auditory/Left</name><name>Visual/Left</name></vEvtNames></bin>
  </vBinList>
  <vEpochList>
    <epoch><sID>AV</sID><fStart>-0.2</fStart><fStop>0.5</fStop><sBaselineDetrend>PreEvent</sBaselineDetrend></epoch>
  </vEpochList>
</bin_list>
"""
results = ecevents.run(events, BINS)
print(results.summary().to_string(index=False))

kw = results.epochs_kwargs()
n_samples = int(events.samples().max() + events.sfreq)
raw = mne.io.RawArray(np.zeros((1, n_samples)), mne.create_info(["MEG"], events.sfreq, "mag"), verbose=False)
epochs = mne.Epochs(raw, **kw, preload=True, verbose=False)
print(f"\n{len(epochs)} epochs; event_id {kw['event_id']}")
for name in results.names:
    print(f"  {name:9s} {len(epochs[name]):4d} epochs")
left_auditory = epochs["Heard and LeftSide"]
print(f"  auditory on the left: {len(left_auditory)} epochs (a metadata query)")
