"""Running a whole study on a Dask cluster: :func:`run_study`, and the
command ``python3 -m ecevents.study DATASET ...``."""

import sys

from ._study import main, run_study

__all__ = ["run_study"]

if __name__ == "__main__":
    sys.exit(main())
