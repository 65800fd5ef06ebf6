#!/usr/bin/env python3
"""From the bundled oddball sample to mne.Epochs with bins in the metadata.

The sample has events but no data, so this builds a synthetic recording:
two EEG channels of noise with a response after every deviant. The
sample's bins then select the epochs, and epochs["DevHit"] averages one bin.

Run from anywhere: python3 examples/oddball_epochs.py [SAMPLE_FOLDER]
"""

import pathlib
import sys

import mne
import numpy as np

import ecevents

folder = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parents[1] / "data" / "sample")
events = ecevents.read_events(folder / "sub-01_task-oddball_events.evt", 500.0)

# Noise, plus a bump peaking 300 ms after each deviant, so the bins differ visibly.
rng = np.random.default_rng(0)
n_samples = int(events.samples().max()) + 1000
data = rng.normal(0.0, 5e-6, (2, n_samples))
for e in events:
    if e.name == "deviant":
        data[:, e.sample + 100:e.sample + 200] += 10e-6 * np.hanning(100)
raw = mne.io.RawArray(data, mne.create_info(["Fz", "Cz"], events.sfreq, "eeg"), verbose=False)
raw.set_annotations(events.to_annotations())

# The same events as MNE reads them from the recording.
results = ecevents.run(ecevents.EventList.from_raw(raw), folder / "oddball_binlist.xml",
                       bindesc=folder / "oddball_bindesc.xml")
print(results.summary().to_string(index=False))

kw = results.epochs_kwargs(["Standard", "StdAfterStd", "Deviant", "DevHit", "DevMiss"])
epochs = mne.Epochs(raw, **kw, preload=True, verbose=False)
print(f"\n{len(epochs)} epochs from {kw['tmin']} to {kw['tmax']} s, baseline {kw['baseline']}")
for name in ["Standard", "StdAfterStd", "Deviant", "DevHit", "DevMiss"]:
    evoked = epochs[name].average()
    peak = evoked.data[1, evoked.time_as_index(0.3)[0]] * 1e6
    print(f"  {name:12s} {len(epochs[name]):4d} epochs, Cz at 300 ms {peak:5.2f} uV")
