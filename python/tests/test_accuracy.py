"""hi + lo against mpmath at 50 digits.

The bound: Real16 operations are backward stable with a unit roundoff u of about 2^-104 (each sum,
product and quotient of two values is exact for operands perturbed by a few 2^-106 relative), and
Gauss-Jordan elimination with full pivoting then gives an inverse X with
    ||X - inv(A)|| / ||inv(A)|| <= c n u kappa(A)      (infinity norms, kappa = ||A|| ||inv(A)||)
with c covering the complex arithmetic (a complex product or quotient costs a few u) and the
pivots' growth, which full pivoting keeps small at these orders. We take c = 16:
    ||X - inv(A)|| / ||inv(A)|| <= n kappa(A) 2^-100.
The inputs are binary64 values taken exactly, so they add nothing; the 50-digit reference adds
about n kappa 10^-50, far below the bound. Measured errors lie 10^-3 to 10^-6 of it."""
import mpmath
import numpy as np
import pytest
import quelmar

mpmath.mp.dps = 50


def reference(a):
    """inv(a) and kappa_inf(a) at 50 digits, a's binary64 values taken exactly."""
    exact = mpmath.matrix(a.tolist())
    inverse = mpmath.inverse(exact)
    return inverse, mpmath.mnorm(exact, mpmath.inf) * mpmath.mnorm(inverse, mpmath.inf)


def relative_error(result, inverse):
    error = mpmath.mnorm(result.to_mpmath() - inverse, mpmath.inf)
    return error / mpmath.mnorm(inverse, mpmath.inf)


def random_complex(n):
    rng = np.random.default_rng(n)
    return rng.uniform(-1, 1, (n, n)) + 1j * rng.uniform(-1, 1, (n, n))


def hilbert_like(n):
    """1 / (i + j + 1 + i/2): a complex Cauchy matrix, as ill-conditioned as Hilbert's."""
    i, j = np.indices((n, n))
    return 1 / (i + j + 1 + 0.5j)


@pytest.mark.parametrize(
    "a",
    [random_complex(n) for n in (5, 12, 20, 30)] + [hilbert_like(n) for n in (4, 8, 12, 14)],
    ids=[f"random-{n}" for n in (5, 12, 20, 30)] + [f"hilbert-like-{n}" for n in (4, 8, 12, 14)],
)
def test_inverse_within_the_bound(a):
    n = len(a)
    inverse, kappa = reference(a)
    result = quelmar.inv(a)
    assert result.rank == n
    assert relative_error(result, inverse) <= n * kappa * mpmath.mpf(2) ** -100


def test_determinant_and_residual_of_a_random_matrix():
    a = random_complex(9)
    result = quelmar.inv(a)
    det = mpmath.det(mpmath.matrix(a.tolist()))
    found = mpmath.fadd(result.det[0], result.det[1], exact=True)
    _, kappa = reference(a)
    assert abs(found - det) <= 9 * kappa * mpmath.mpf(2) ** -100 * abs(det)
    p_hi, p_lo = quelmar.product(a, (result.hi, result.lo))
    assert np.abs((p_hi - np.eye(9)) + p_lo).max() < 9 * float(kappa) * 2.0**-100


def test_determinant_sign_follows_the_row_and_column_exchanges():
    assert quelmar.inv([[0, 2], [3, 0]]).det == (-6, 0)
    assert quelmar.inv([[0, 0, 5], [0, 2, 0], [3, 0, 0]]).det == (-30, 0)
    assert quelmar.inv([[0, 1j, 0], [0, 0, 2], [3, 0, 0]]).det == (6j, 0)
