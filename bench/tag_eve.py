#!/usr/bin/python3
"""Times `ecbin tag` end to end on a generated MNE event file.

Generates a .eve file of 1.2 million events (standards, deviants and
responses at 1 kHz) and a bin description, then runs
`ecbin tag EVENTS BINDESC -o OUT.tsv` several times, alternating between the
programs given so that a busy machine burdens them alike, and prints the
median and minimum wall and processor (user + system) time of each: on a
busy machine the processor time is the steadier measure. The output goes to a memory file
system (/dev/shm) so that the disk stays out of it; the cost of the final
fsync of a file of the same size on the working folder's disk is printed
apart.

  bench/tag_eve.py build-bench/cli/ecbin [other/ecbin ...] [--events N] [--runs R]
"""
import argparse
import os
import random
import resource
import statistics
import subprocess
import sys
import tempfile
import time

BINDESC = """<bin_desc>
\t<attrib_spec>
\t\t<attrib><factor>Stim</factor><tag>Deviant</tag></attrib>
\t\t<attrib><factor>Resp</factor><tag>Hit</tag></attrib>
\t\t<event_specs>
\t\t\t<target><name>T</name><event>deviant</event></target>
\t\t\t<conditional><name>R</name><option>4</option>
\t\t\t\t<pre><logic>+</logic><latency>0.2</latency><EventSpecifier>T</EventSpecifier></pre>
\t\t\t\t<post><logic>+</logic><latency>1</latency><EventSpecifier>T</EventSpecifier></post>
\t\t\t\t<event>response</event><mode>impermeable</mode></conditional>
\t\t</event_specs>
\t</attrib_spec>
\t<attrib_spec>
\t\t<attrib><factor>Stim</factor><tag>Standard</tag></attrib>
\t\t<event_specs>
\t\t\t<target><name>T</name><event>standard</event></target>
\t\t</event_specs>
\t</attrib_spec>
</bin_desc>
"""


def make_events(path, count, rate):
    rng = random.Random(20261206)
    # Longer lists come closer together, so that samples stay 32-bit.
    scale = min(1.0, 1200000.0 / count)
    sample = 1000
    lines = []
    n = 0
    while n < count:
        sample += int(rng.randint(400, 1200) * scale)
        ident = 2 if rng.random() < 0.2 else 1
        lines.append("%d %.3f 0 %d\n" % (sample, sample / rate, ident))
        n += 1
        if n < count and rng.random() < 0.8:
            sample += int(rng.randint(100, 1300) * scale)
            lines.append("%d %.3f 0 3\n" % (sample, sample / rate))
            n += 1
    with open(path, "w") as f:
        f.writelines(lines)


def fsync_cost(size, folder):
    fd, path = tempfile.mkstemp(dir=folder)
    try:
        os.write(fd, b"x" * size)
        start = time.perf_counter()
        os.fsync(fd)
        return time.perf_counter() - start
    finally:
        os.close(fd)
        os.unlink(path)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("programs", nargs="+")
    parser.add_argument("--events", type=int, default=1200000)
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--rate", type=float, default=1000.0)
    args = parser.parse_args()

    work = tempfile.mkdtemp(prefix="ecevents_tag_", dir="/dev/shm" if os.path.isdir("/dev/shm") else None)
    events = os.path.join(work, "events.eve")
    bindesc = os.path.join(work, "bindesc.xml")
    out = os.path.join(work, "tagged.tsv")
    make_events(events, args.events, args.rate)
    with open(bindesc, "w") as f:
        f.write(BINDESC)
    times = {p: [] for p in args.programs}
    cpu = {p: [] for p in args.programs}
    outputs = {}
    try:
        for _ in range(args.runs):
            for program in args.programs:
                command = [program, "tag", events, bindesc, "--rate", str(args.rate), "--event-id", "standard=1",
                           "--event-id", "deviant=2", "--event-id", "response=3", "-o", out]
                before = resource.getrusage(resource.RUSAGE_CHILDREN)
                start = time.perf_counter()
                subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
                times[program].append(time.perf_counter() - start)
                after = resource.getrusage(resource.RUSAGE_CHILDREN)
                cpu[program].append(after.ru_utime - before.ru_utime + after.ru_stime - before.ru_stime)
                with open(out, "rb") as f:
                    outputs.setdefault(program, f.read())
        size = os.path.getsize(out)
        for program in args.programs:
            t, c = times[program], cpu[program]
            print("%-40s wall median %.3f s min %.3f s; processor median %.3f s min %.3f s (%d runs)"
                  % (program, statistics.median(t), min(t), statistics.median(c), min(c), len(t)))
        if len(set(outputs.values())) > 1:
            print("the programs wrote different outputs")
            return 1
        print("output %d bytes; fsync of as much on %s: %.3f s" % (size, os.getcwd(), fsync_cost(size, os.getcwd())))
    finally:
        for name in os.listdir(work):
            os.unlink(os.path.join(work, name))
        os.rmdir(work)
    return 0


if __name__ == "__main__":
    sys.exit(main())
