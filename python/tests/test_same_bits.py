"""The module gives the C++ library's bits: the golden runs' jCinv.bim from their jCin.bim, with
the rank and the discarded rows and columns their traces report, and one result for every thread
count."""
import pathlib
import re
import threading

import numpy as np
import pytest
import quelmar

RUNS = pathlib.Path(__file__).resolve().parents[2] / "tests" / "fixtures" / "golden" / "runs"


def records(path):
    """The payloads of a binary matrix file: each record framed by its int32 length."""
    data, at = path.read_bytes(), 0
    while at < len(data):
        (length,) = np.frombuffer(data, "<i4", 1, at)
        yield data[at + 4 : at + 4 + length]
        at += 8 + int(length)


def pair(payload, n):
    """(hi, lo) complex128 arrays of a matrix record: column by column, re.hi re.lo im.hi im.lo."""
    parts = np.frombuffer(payload, "<f8").reshape(n, n, 4).transpose(1, 0, 2)
    hi, lo = np.empty((n, n), complex), np.empty((n, n), complex)
    hi.real, lo.real, hi.imag, lo.imag = (parts[:, :, k] for k in range(4))
    return hi, lo


def same_bits(x, y):
    return x.shape == y.shape and np.array_equal(x.view(np.uint64), y.view(np.uint64))


def discarded(trace, which, n):
    """0-based indices whose bit is 0 in the trace's "[...] input" or "[...] output" line."""
    found = re.search(r"\[ *([01]+)\] " + which, trace)
    return [] if found is None else [i for i in range(n) if found.group(1)[-1 - i] == "0"]


@pytest.mark.parametrize("run", sorted(p.name for p in RUNS.iterdir()))
def test_golden_run(run):
    files = RUNS / run / "expected" / "files"
    if not (files / "jCinv.bim").exists():
        pytest.skip("no binary files in this run")
    n_record, matrix = records(files / "jCin.bim")
    n = max(int(np.frombuffer(n_record, "<i4")[0]), 0)
    _, rank_record, inverse = records(files / "jCinv.bim")
    r = quelmar.inv(pair(matrix, n))
    hi, lo = pair(inverse, n)
    assert same_bits(r.hi, hi) and same_bits(r.lo, lo)
    assert r.rank == np.frombuffer(rank_record, "<i4")[0]
    # The trace is in the output file or, where that could not be had, on the standard output.
    texts = [files.parent / "stdout", *(f for f in files.iterdir() if f.suffix != ".bim")]
    trace = "".join(f.read_text(errors="replace") for f in texts)
    assert list(r.dropped_columns) == discarded(trace, "input", n)
    assert list(r.dropped_rows) == discarded(trace, "output", n)
    assert not r.hi[r.dropped_columns, :].any() and not r.hi[:, r.dropped_rows].any()


def test_every_thread_count_gives_the_same_bits():
    rng = np.random.default_rng(7)
    a = rng.uniform(-1, 1, (150, 150)) + 1j * rng.uniform(-1, 1, (150, 150))
    one = quelmar.inv(a, threads=1)
    for threads in (2, 0):
        other = quelmar.inv(a, threads=threads)
        assert same_bits(one.hi, other.hi) and same_bits(one.lo, other.lo)
    (hi, lo), *others = [quelmar.product(a, (one.hi, one.lo), threads=t) for t in (1, 2, 0)]
    assert all(same_bits(hi, other_hi) and same_bits(lo, other_lo) for other_hi, other_lo in others)


def test_calls_from_python_threads_at_once_give_their_own_results():
    rng = np.random.default_rng(8)
    matrices = [rng.uniform(-1, 1, (80, 80)) for _ in range(4)]
    alone = [quelmar.inv(a, threads=1).hi for a in matrices]
    together = [None] * len(matrices)

    def invert(k):
        together[k] = quelmar.inv(matrices[k], threads=1).hi

    workers = [threading.Thread(target=invert, args=(k,)) for k in range(len(matrices))]
    for w in workers:
        w.start()
    for w in workers:
        w.join()
    assert all(same_bits(x, y) for x, y in zip(alone, together))
