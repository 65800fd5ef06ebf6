"""The answers MNE's own functions give, on lists where their edges agree."""

import numpy as np
import pytest

import ecevents

mne = pytest.importorskip("mne")

FOLLOWED = """<bin_desc><attrib_spec>
  <attrib><factor>Resp</factor><tag>Hit</tag></attrib>
  <event_specs>
    <target><name>T</name><event>stim</event></target>
    <conditional><name>R</name><option>4</option>
      <pre><logic>+</logic><latency>{tmin}</latency><EventSpecifier>T</EventSpecifier></pre>
      <post><logic>+</logic><latency>{tmax}</latency><EventSpecifier>T</EventSpecifier></post>
      <event>resp</event><mode>permeable</mode></conditional>
  </event_specs>
</attrib_spec></bin_desc>
"""


def stimuli_and_responses(rng, n, sfreq, edges):
    """Stimuli with responses at random lags, none within a sample of an edge of any stimulus's window."""
    stims = np.cumsum(rng.integers(int(0.3 * sfreq), int(1.5 * sfreq), n))
    answered = stims[rng.random(n) < 0.7]
    resps = np.sort(answered + rng.integers(int(0.05 * sfreq), int(1.6 * sfreq), len(answered)))
    lags = resps[None, :] - stims[:, None]
    near = np.zeros(len(resps), dtype=bool)
    for edge in edges:
        near |= (np.abs(lags - edge) <= 1).any(axis=0)
    resps = np.setdiff1d(resps[~near], stims)
    events = np.r_[np.c_[stims, np.zeros_like(stims), np.ones_like(stims)],
                   np.c_[resps, np.zeros_like(resps), np.full_like(resps, 2)]]
    return events[np.argsort(events[:, 0], kind="stable")]


@pytest.mark.parametrize("seed, sfreq, tmin, tmax", [(1, 1000.0, 0.2, 1.0), (2, 250.0, 0.1, 0.7), (3, 512.0, 0.0, 0.5)])
def test_followed_by_tag_equals_define_target_events(seed, sfreq, tmin, tmax):
    events = stimuli_and_responses(np.random.default_rng(seed), 400, sfreq, (int(tmin * sfreq), int(tmax * sfreq)))
    expected, _lag = mne.event.define_target_events(events, 1, 2, sfreq, tmin, tmax, new_id=42)
    listed = ecevents.EventList.from_mne(events, sfreq, {"stim": 1, "resp": 2})
    counts = listed.tag(FOLLOWED.format(tmin=tmin, tmax=tmax))
    hits = [e.sample for e in listed if "Resp:Hit" in e.tags]
    assert counts["Resp:Hit"] == len(hits) == len(expected) > 50
    assert hits == expected[:, 0].tolist()


@pytest.mark.parametrize("seed, tmin, tmax", [(4, -0.3, 0.5), (5, 0.0, 1.2), (6, -1.0, 0.0)])
def test_window_metadata_equals_make_metadata(seed, tmin, tmax):
    sfreq = 1000.0
    rng = np.random.default_rng(seed)
    # Samples on a grid of ten, so that no event sits at the one sample past
    # the window that make_metadata also counts.
    samples = np.unique(rng.integers(0, 12_000, 300)) * 10
    codes = rng.integers(1, 4, len(samples))
    events = np.c_[samples, np.zeros_like(samples), codes]
    event_id = {"a": 1, "b/x": 2, "c": 3}
    expected, _, _ = mne.epochs.make_metadata(events, event_id, tmin, tmax, sfreq, row_events=["a"])
    listed = ecevents.EventList.from_mne(events, sfreq, event_id)
    bins = ("<bin_list><vBinList><bin><sBinName>A</sBinName><sEpochName>E</sEpochName><sCase>EvtNames</sCase>"
            "<vEvtNames><name>a</name></vEvtNames></bin></vBinList><vEpochList><epoch><sID>E</sID>"
            "<fStart>-0.1</fStart><fStop>0.1</fStop></epoch></vEpochList></bin_list>\n")
    ours = ecevents.run(listed, bins).metadata(window=(tmin, tmax))
    assert ours["sample"].tolist() == events[codes == 1, 0].tolist()
    for name in event_id:
        theirs = expected[name].to_numpy(float)
        assert np.array_equal(ours[f"{name}_present"].to_numpy(), ~np.isnan(theirs))
        assert np.allclose(ours[f"{name}_latency"].to_numpy(), theirs, equal_nan=True)
