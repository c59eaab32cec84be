#!/usr/bin/env python3
"""Times whole runs of the program on reproducible random inputs.

Usage: run_timing.py [--cpus LIST] [--repeat K] PROGRAM [ORDER ...]
       run_timing.py --instructions PROGRAM [ORDER ...]
(orders default to 50 100 200, K to 5)

For each order N it writes a random N x N complex input (the same on every machine: a fixed seed
per order) into a fresh temporary directory, runs PROGRAM there with its output going to the local
output file, and reports the wall-clock seconds, the bytes of every file written and the peak
resident size, beside the memory budget 3 * 32 * N^2 bytes + 16 MiB. Beside each run it measures
the write floor in the same folder: the time to write as many bytes as the run wrote, in 1 MiB
blocks, to a new file, close it and remove it; the ratio is the run's time over the floor. Each
order is timed K times, each time in a fresh directory with its own floor, and the medians are
reported (a single run on a shared machine can be off by a third). One untimed run of the order
comes first: a processor that has been idle runs slower for the first second or so of work (on
the two-core virtual machine it was measured on, the first runs took a quarter longer, on as
much more processor time). The run and its floor each start from a page cache with nothing left
to write back (os.sync() before each, untimed), so that neither pays for the write-back of the
round before it. The timed runs start the program directly; the peak resident size comes from
one more run under GNU time, whose own start would otherwise add about a millisecond to the
time. It builds nothing itself.
With --cpus the program runs on those processors only (taskset -c LIST): --cpus 0 times it on one
core, where it uses one thread; by default it may use every processor, a thread on each.
With --instructions it times nothing: it prints the instructions of one run of each order on
processor 0 under callgrind (valgrind), a count that is the same on every repetition whatever else
the machine does, for comparing two builds on one processor closer than their times can be.
"""

import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import time


def write_input(path, n):
    rng = random.Random(1000003 * n + 7)
    lines = [f"'Timing run, random {n}x{n}'", str(n), str(n)]
    for i in range(1, n + 1):
        for j in range(1, n + 1):
            re = rng.uniform(-1.0, 1.0) * 10.0 ** rng.randint(-3, 3)
            im = rng.uniform(-1.0, 1.0) * 10.0 ** rng.randint(-3, 3)
            lines.append(f"{i} {j} ({re!r}, {im!r})")
    with open(path, "w", newline="\r\n") as f:
        f.write("\n".join(lines) + "\n")


def write_floor(folder, size):
    """Seconds to write `size` bytes in 1 MiB blocks to a new file in `folder` and remove it."""
    block = b"\0" * (1 << 20)
    path = os.path.join(folder, ".floor")
    start = time.perf_counter()
    fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o600)
    left = size
    while left > 0:
        left -= os.write(fd, block[:min(left, len(block))])
    os.close(fd)
    os.remove(path)
    return time.perf_counter() - start


def fresh_run(program, n, cpus, wrapper=()):
    """Runs the program once in a fresh folder: (seconds, folder, names written before, exit
    status), the folder left for the caller to measure and remove."""
    work = tempfile.mkdtemp(prefix=f"quelmar-timing-{n}-")
    write_input(os.path.join(work, "Quelmar-Input.txt"), n)
    before = set(os.listdir(work))
    os.sync()
    pinned = ["taskset", "-c", cpus] if cpus else []
    start = time.perf_counter()
    child = subprocess.Popen(pinned + list(wrapper) + [os.path.abspath(program)], cwd=work,
                             stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
    child.stdin.write(b"\n")
    child.stdin.close()
    child.wait()
    return time.perf_counter() - start, work, before, child.returncode


def time_run(program, n, cpus):
    """(seconds, floor, bytes written, exit status) of one run and its floor."""
    seconds, work, before, code = fresh_run(program, n, cpus)
    try:
        written = sum(os.path.getsize(os.path.join(work, name))
                      for name in os.listdir(work) if name not in before)
        os.sync()
        return seconds, write_floor(work, written), written, code
    finally:
        shutil.rmtree(work, ignore_errors=True)


def peak_resident(program, n, cpus):
    """The program's own peak resident size in bytes, as GNU time reports it: a process forked
    from this interpreter would carry the interpreter's resident size into the peak that wait4
    reports."""
    fd, peak_file = tempfile.mkstemp(prefix="quelmar-peak-")
    os.close(fd)
    _, work, _, _ = fresh_run(program, n, cpus, ["/usr/bin/time", "-f", "%M", "-o", peak_file])
    shutil.rmtree(work, ignore_errors=True)
    with open(peak_file) as peak:
        kilobytes = int(peak.read().split()[-1])
    os.remove(peak_file)
    return kilobytes * 1024


def instructions(program, n):
    """The instructions of one run on processor 0, as callgrind counts them."""
    fd, counts = tempfile.mkstemp(prefix="quelmar-callgrind-")
    os.close(fd)
    wrapper = ["valgrind", "--tool=callgrind", f"--callgrind-out-file={counts}"]
    shutil.rmtree(fresh_run(program, n, "0", wrapper)[1], ignore_errors=True)
    with open(counts) as lines:
        total = next(int(line.split()[1]) for line in lines if line.startswith("summary:"))
    os.remove(counts)
    return total


def main():
    args = sys.argv[1:]
    count_instructions = args[:1] == ["--instructions"]
    if count_instructions:
        args = args[1:]
    cpus = None
    repeat = 5
    while args[:1] in (["--cpus"], ["--repeat"]) and len(args) >= 2:
        if args[0] == "--cpus":
            cpus = args[1]
        else:
            repeat = int(args[1])
        args = args[2:]
    if not args or repeat < 1 or not os.path.isfile(args[0]):
        sys.exit(__doc__)
    program = os.path.abspath(args[0])
    orders = [int(a) for a in args[1:]] or [50, 100, 200]
    if count_instructions:
        if shutil.which("valgrind") is None:
            sys.exit("run_timing.py: --instructions needs valgrind, which is not installed")
        for n in orders:
            print(f"N={n}: {instructions(program, n)} instructions")
        return
    print(f"{'N':>5} {'seconds':>9} {'floor':>7} {'ratio':>6} {'bytes written':>14}"
          f" {'peak RSS':>12} {'budget':>12} exit  (medians of {repeat})")
    for n in orders:
        # One untimed run first: a processor that has been idle runs slower for a while.
        shutil.rmtree(fresh_run(program, n, cpus)[1], ignore_errors=True)
        runs = [time_run(program, n, cpus) for _ in range(repeat)]
        seconds = statistics.median(run[0] for run in runs)
        floor = statistics.median(run[1] for run in runs)
        written = runs[-1][2]
        code = max(run[3] for run in runs)
        peak = peak_resident(program, n, cpus)
        budget = 3 * 32 * n * n + 16 * 1024 * 1024
        print(f"{n:>5} {seconds:>9.3f} {floor:>7.3f} {seconds / floor:>6.1f} {written:>14}"
              f" {peak:>12} {budget:>12} {code}")


if __name__ == "__main__":
    main()
