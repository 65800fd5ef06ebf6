import os
import pathlib

import pytest

SOURCE = pathlib.Path(os.environ.get("ECEVENTS_SOURCE_DIR", pathlib.Path(__file__).resolve().parents[2]))
SAMPLE = SOURCE / "data" / "sample"
EVENTS = SAMPLE / "sub-01_task-oddball_events.evt"
BINLIST = SAMPLE / "oddball_binlist.xml"
BINDESC = SAMPLE / "oddball_bindesc.xml"
RULES = SAMPLE / "oddball_rules.yaml"
BIDS = SOURCE / "tests" / "data" / "cli" / "bids-examples"
RATE = 500.0

EPOCH = ("<epoch><sID>E</sID><fStart>-0.1</fStart><fStop>0.4</fStop>{baseline}"
         "<bApplyMagnitudeLimit>{limit}</bApplyMagnitudeLimit></epoch>")


def binlist(bins, baseline="<sBaselineDetrend>PreEvent</sBaselineDetrend>", limit=0):
    """A bin list text with one names bin per (ID, event names) pair, all on one epoch."""
    rows = "".join(f"<bin><sBinName>{bin_id}</sBinName><sEpochName>E</sEpochName><sCase>EvtNames</sCase>"
                   f"<vEvtNames>{''.join(f'<name>{n}</name>' for n in names)}</vEvtNames></bin>"
                   for bin_id, names in bins.items())
    return (f"<bin_list>\n<bExcludeON>1</bExcludeON><vBinList>{rows}</vBinList>"
            f"<vEpochList>{EPOCH.format(baseline=baseline, limit=limit)}</vEpochList></bin_list>\n")


def bids_tables():
    return sorted(BIDS.rglob("*_events.tsv"))


@pytest.fixture(scope="session")
def sample():
    import ecevents

    return ecevents.read_events(EVENTS, RATE)


@pytest.fixture(scope="session")
def results(sample):
    import ecevents

    return ecevents.run(sample, BINLIST, bindesc=BINDESC)
