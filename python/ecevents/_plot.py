"""Pictures of events and bins (matplotlib is imported only here)."""

import numpy as np


def _axes(ax, size):
    import matplotlib.pyplot as plt

    if ax is None:
        fig, ax = plt.subplots(figsize=size)
        return fig, ax
    return ax.figure, ax


def plot_events(events, bins, ax):
    from ._bins import BinResults

    if bins is not None and not isinstance(bins, BinResults):
        raise TypeError(f"bins must be the BinResults of ecevents.run, not {type(bins).__name__}")
    core = events._core
    rate = core.rate if core.rate > 0 else 1.0
    unit = "s" if core.rate > 0 else "samples"
    codes, names = core.codes()
    starts, stops = core.starts(), core.stops()
    rejected = core.rejected()
    fig, ax = _axes(ax, (10, 1 + 0.4 * max(len(names), 1)))
    for s, e in zip(starts[rejected], stops[rejected]):
        ax.axvspan(s / rate, (e + 1) / rate, color="0.85", zorder=0)
    ax.scatter(starts / rate, codes, marker="|", s=80, color="C0", label="events")
    if bins is not None:
        marked = bins.tagged_events._core
        m_codes, m_names = marked.codes()
        row = {name: i for i, name in enumerate(names)}
        m_rows = np.array([row.get(n, -1) for n in m_names])
        for k, name in enumerate(bins.names):
            mask = bins._members[k]
            ax.scatter(marked.starts()[mask] / rate, m_rows[m_codes[mask]] + 0.25 * (1 + k % 3) / 3, marker="v", s=20,
                       color=f"C{1 + k % 9}", label=name)
        ax.legend(loc="upper right", fontsize="small")
    ax.set_yticks(range(len(names)))
    ax.set_yticklabels(names)
    ax.set_ylim(-0.5, max(len(names), 1) - 0.5 + 0.5)
    ax.set_xlabel(f"time ({unit})")
    ax.set_title(f"{len(events)} events")
    return fig


def plot_counts(results, ax):
    fig, ax = _axes(ax, (max(4, 0.8 * len(results.names)), 3))
    counts = [int(m.sum()) for m in results._members]
    ax.bar(range(len(counts)), counts, color="C0")
    ax.set_xticks(range(len(counts)))
    ax.set_xticklabels(results.names, rotation=45, ha="right")
    ax.set_ylabel("events")
    fig.tight_layout()
    return fig
