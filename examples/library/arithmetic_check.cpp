// The inline arithmetic of the headers, compiled in a user's program, gives the bits the library
// gives: no multiply and add of it may be fused into one operation. The expected values are those
// of the library's own build, where every binary64 operation is the one written. Exit status 1
// and a line per difference when they differ.
#include <quelmar/real16.h>

#include <cstdio>

namespace {

// Read through volatile so that nothing is computed while compiling.
double opaque(double x) {
  volatile double v = x;
  return v;
}

struct Case {
  quelmar::Real16 a, b, product, quotient;
};

// Products and quotients whose low parts a fused correction step changes.
constexpr Case kCases[] = {
    {{0x1.3333333333333p-2, 0x1.bab8cbabb6582p-59},
     {0x1.5555555555555p-2, -0x1.70ef54646d496p-57},
     {0x1.9999999999999p-4, -0x1.afae65a5acc33p-59},
     {0x1.ccccccccccccdp-1, 0x1.18d7658d958efp-55}},
    {{0x1.3333333333333p-2, 0x1.bab8cbabb6582p-59},
     {0x1.2492492492492p-2, -0x1.3c3ada9f391a5p-57},
     {0x1.5f15f15f15f15p-4, 0x1.fbb3a8dfb50f9p-59},
     {0x1.0cccccccccccdp+0, 0x1.39f6979fb24d7p-56}},
};

struct Result {
  char operation;
  quelmar::Real16 got, expected;
};

bool same(quelmar::Real16 x, quelmar::Real16 y) { return x.hi == y.hi && x.lo == y.lo; }

}  // namespace

int main() {
  int differences = 0;
  // (1 + 2^-30)^2 rounds 2^-60 away, which a fused multiply-subtract would bring back.
  const double f = opaque(1.0 + 0x1p-30);
  const double p = f * f;
  if (opaque(f) * opaque(f) - p != 0.0) {
    std::printf("a multiply and a subtract were fused\n");
    ++differences;
  }
  for (const Case& c : kCases) {
    const quelmar::Real16 a{opaque(c.a.hi), opaque(c.a.lo)};
    const quelmar::Real16 b{opaque(c.b.hi), opaque(c.b.lo)};
    const Result results[] = {{'*', quelmar::mul(a, b), c.product},
                              {'/', quelmar::div(a, b), c.quotient}};
    for (const Result& r : results) {
      if (!same(r.got, r.expected)) {
        std::printf("(%a, %a) %c (%a, %a) = (%a, %a), expected (%a, %a)\n", a.hi, a.lo, r.operation,
                    b.hi, b.lo, r.got.hi, r.got.lo, r.expected.hi, r.expected.lo);
        ++differences;
      }
    }
  }
  if (differences == 0) std::printf("the arithmetic gives the library's bits\n");
  return differences == 0 ? 0 : 1;
}
