"""What inv, product, parse and format take: every layout and value type as its exact values, a
rank-deficient matrix as its invertible part, and everything else as a Python exception."""
from fractions import Fraction

import mpmath
import numpy as np
import pytest
import quelmar

RNG = np.random.default_rng(3)
A = RNG.uniform(-1, 1, (5, 5)) + 1j * RNG.uniform(-1, 1, (5, 5))
WIDE = np.zeros((10, 15), complex)
WIDE[::2, ::3] = A
BIG = 2**53 + 1  # not a binary64 value: 2^53 + 1 exactly as high + low

# (the argument, an argument for the same matrix in its plainest form)
SAME_MATRIX = {
    "fortran order": (np.asfortranarray(A), A),
    "strided view": (WIDE[::2, ::3], A),
    "transposed view": (A.T, A.T.copy()),
    "nested lists": (A.tolist(), A),
    "real": (A.real, A.real + 0j),
    "float32": (A.real.astype(np.float32), A.real.astype(np.float32).astype(float)),
    "complex64": (A.astype(np.complex64), A.astype(np.complex64).astype(complex)),
    "pair with zero lows": ((A, np.zeros((5, 5))), A),
    "int64 beyond 2^53": ([[BIG, 0], [-7, 3]], ([[2.0**53, 0], [-7, 3]], [[1.0, 0], [0, 0]])),
    "uint8 plus bool": (
        np.eye(3, dtype=np.uint8) * 200 + np.ones((3, 3), bool),
        np.eye(3) * 200 + 1,
    ),
}


@pytest.mark.parametrize("given, plain", SAME_MATRIX.values(), ids=SAME_MATRIX.keys())
def test_every_form_of_a_matrix_gives_the_same_bits(given, plain):
    x, y = quelmar.inv(given), quelmar.inv(plain)
    assert np.array_equal(x.hi.view(np.uint64), y.hi.view(np.uint64))
    assert np.array_equal(x.lo.view(np.uint64), y.lo.view(np.uint64))


def test_a_rank_deficient_matrix_gives_the_inverse_of_its_invertible_part():
    # Row 0 is half row 1: the pivots are 4 at (1, 1), then 3 at (2, 2); the part inverted is
    # [[4, 0], [0, 3]], determinant 12.
    r = quelmar.inv([[1, 2, 0], [2, 4, 0], [0, 0, 3]])
    assert r.rank == 2 and r.det == (12, 0)
    assert list(r.kept_rows) == [1, 2] and list(r.kept_columns) == [1, 2]
    assert list(r.dropped_rows) == [0] and list(r.dropped_columns) == [0]
    assert np.array_equal(r.hi, [[0, 0, 0], [0, 0.25, 0], [0, 0, 1 / 3]])
    assert r.lo[2, 2] == float(Fraction(1, 3) - Fraction(1 / 3))


def test_to_mpmath_holds_hi_plus_lo_exactly():
    r = quelmar.inv([[3j]])
    with mpmath.workdps(15):  # below the 32 digits of hi + lo
        x = r.to_mpmath()[0, 0].imag
    exact = Fraction(r.hi[0, 0].imag) + Fraction(r.lo[0, 0].imag)
    assert Fraction(*mpmath.libmp.to_rational(x._mpf_)) == exact


TOKENS = ["0.1", "-2.5D3", "1.5-3", "123456789012345678901234567890.123", "1E-250", "7"]


def test_parse_reads_each_string_to_32_digits_and_format_writes_what_reads_back():
    hi, lo = quelmar.parse(np.array(TOKENS).reshape(2, 3))
    assert hi.shape == lo.shape == (2, 3)
    for token, h, l in zip(TOKENS, hi.flat, lo.flat):
        exact = Fraction(token.replace("D", "E").replace("5-3", "5E-3"))
        assert abs(Fraction(h) + Fraction(l) - exact) <= abs(exact) * Fraction(2) ** -100
    back_hi, back_lo = quelmar.parse(quelmar.format(hi, lo))  # 32 digits
    for h, l, bh, bl in zip(hi.flat, lo.flat, back_hi.flat, back_lo.flat):
        value = Fraction(h) + Fraction(l)
        assert abs(Fraction(bh) + Fraction(bl) - value) <= abs(value) * Fraction(2) ** -100
    texts = quelmar.format(hi, lo, digits=30)  # text that reads back as itself
    assert np.array_equal(quelmar.format(*quelmar.parse(texts), digits=30), texts)
    assert quelmar.format(0.1, digits=5) == "1.0000E-01"
    re, im = quelmar.format(*quelmar.parse([["1"]], [["-0.5"]]))
    assert re[0, 0].startswith("1.000") and im[0, 0].startswith("-5.000")


ERRORS = {
    "not square": (lambda: quelmar.inv(np.zeros((2, 3))), ValueError, "square"),
    "three axes": (lambda: quelmar.inv(np.zeros((2, 2, 2))), ValueError, "square"),
    "strings": (lambda: quelmar.inv([["1", "2"], ["3", "4"]]), ValueError, "binary64"),
    "long double": (lambda: quelmar.inv(np.eye(2, dtype=np.longdouble)), ValueError, "binary64"),
    "ragged": (lambda: quelmar.inv([[1, 2], [3]]), ValueError, "not an array"),
    "pair shapes": (lambda: quelmar.inv((np.eye(2), np.eye(3))), ValueError, "shape"),
    "int pair": (lambda: quelmar.inv((np.eye(2, dtype=int), np.eye(2))), ValueError, "binary64"),
    "uint64 too big": (lambda: quelmar.inv(np.full((1, 1), 2**63, np.uint64)), ValueError, "int64"),
    "threads -1": (lambda: quelmar.inv(A, threads=-1), ValueError, "threads"),
    "threads 65": (lambda: quelmar.inv(A, threads=65), ValueError, "threads"),
    "threads 2^70": (lambda: quelmar.inv(A, threads=2**70), ValueError, "threads"),
    "threads 1.0": (lambda: quelmar.inv(A, threads=1.0), ValueError, "threads"),
    "orders differ": (lambda: quelmar.product(A, np.eye(2)), ValueError, "orders"),
    "bad token": (lambda: quelmar.parse([["1", "1.5.3"]]), ValueError, "[0, 1]: '1.5.3'"),
    "not strings": (lambda: quelmar.parse([1.5]), ValueError, "str"),
    "digits 35": (lambda: quelmar.format(1.0, digits=35), ValueError, "digits"),
    "refused storage": (
        lambda: quelmar.inv(np.broadcast_to(np.complex128(1), (200000, 200000))),
        MemoryError,
        "storage",
    ),
    "missing folder": (lambda: quelmar.inv(A, binary_folder="/nonexistent/x"), OSError, "jCin.bim"),
}


@pytest.mark.parametrize("call, error, words", ERRORS.values(), ids=ERRORS.keys())
def test_bad_arguments_raise(call, error, words):
    with pytest.raises(error, match=words.replace("[", r"\[").replace(".", r"\.")):
        call()
