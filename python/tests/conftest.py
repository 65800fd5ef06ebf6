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
