#!/usr/bin/env python3
"""quelmar.inv beside mpmath.inverse at mp.dps = 32 (orders 10, 20, 40) and beside
numpy.linalg.inv (order 200), on random complex matrices with parts uniform in [-1, 1]: the time of
one inversion (the best of several) and its error, ||X - inv(A)|| / ||inv(A)|| in the infinity
norm, against mpmath.inverse at 60 digits. Not a test: it prints a Markdown table for the README.

    PYTHONPATH=build/python /usr/bin/python3 bench/python_inverse.py [--threads N]
"""
import argparse
import os
import time

import mpmath
import numpy as np
import quelmar


def best_time(call, repeats):
    times = []
    for _ in range(repeats):
        start = time.perf_counter()
        call()
        times.append(time.perf_counter() - start)
    return min(times)


def relative_error(x, reference):
    """x: an mpmath.matrix; reference: the 60-digit inverse."""
    with mpmath.workdps(60):
        return float(mpmath.mnorm(x - reference, mpmath.inf) / mpmath.mnorm(reference, mpmath.inf))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--threads", type=int, default=0, help="quelmar's threads (0: all)")
    threads = parser.parse_args().threads
    rng = np.random.default_rng(2024)
    load = os.getloadavg()[0]
    print(f"processors: {os.cpu_count()}, load average: {load:.2f}, threads: {threads}")
    print("| order | quelmar.inv | its error | other | its time | its error |")
    print("|---|---|---|---|---|---|")
    for n, other in ((10, "mpmath"), (20, "mpmath"), (40, "mpmath"), (200, "numpy")):
        a = rng.uniform(-1, 1, (n, n)) + 1j * rng.uniform(-1, 1, (n, n))
        with mpmath.workdps(60):
            reference = mpmath.inverse(mpmath.matrix(a.tolist()))
        ours = best_time(lambda: quelmar.inv(a, threads=threads), 20)
        our_error = relative_error(quelmar.inv(a, threads=threads).to_mpmath(), reference)
        if other == "mpmath":
            with mpmath.workdps(32):
                exact = mpmath.matrix(a.tolist())
                theirs = best_time(lambda: mpmath.inverse(exact), 3 if n < 40 else 1)
                their_error = relative_error(mpmath.inverse(exact), reference)
        else:
            theirs = best_time(lambda: np.linalg.inv(a), 20)
            their_error = relative_error(mpmath.matrix(np.linalg.inv(a).tolist()), reference)
        print(f"| {n} | {ours * 1e3:.3g} ms | {our_error:.1e} | {other} "
              f"| {theirs * 1e3:.3g} ms | {their_error:.1e} |")
    print(f"load average after: {os.getloadavg()[0]:.2f}")


if __name__ == "__main__":
    main()
