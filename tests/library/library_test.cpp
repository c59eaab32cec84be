// The library as its users call it: the same bits from two inversions at once, matrices' copies,
// and every documented call's result or failure (the program's files and trace for its own runs
// are in report_test.cpp).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ostream>
#include <span>
#include <sstream>
#include <streambuf>
#include <thread>

#include "bits.h"
#include "process.h"
#include "quelmar/quelmar.h"
#include "random.h"
#include "table.h"

namespace quelmar::test {
namespace {

ComplexMatrix random_matrix(std::uint64_t seed, std::int32_t N) {
  Random random(seed);
  ComplexMatrix C(N);
  for (Complex& z : std::span(C.data(), C.element_count()))
    z = random.complex(random.between(-3, 3));
  return C;
}

bool same_bits(const ComplexMatrix& a, const ComplexMatrix& b) {
  return a.order() == b.order() &&
         std::memcmp(a.data(), b.data(), a.element_count() * sizeof(Complex)) == 0;
}

TEST(Library, TwoInversionsAtOnceGiveTheBitsOfOneAtATime) {
  ComplexMatrix C[2] = {random_matrix(1, 60), random_matrix(2, 61)};
  ComplexMatrix alone[2] = {random_matrix(1, 60), random_matrix(2, 61)};
  std::ostringstream traces[4];
  std::int32_t ranks[4] = {};
  for (int k = 0; k < 2; ++k) ranks[k] = invert(alone[k], {.trace = &traces[k], .threads = 1});
  std::thread other([&] { ranks[3] = invert(C[1], {.trace = &traces[3], .threads = 2}); });
  ranks[2] = invert(C[0], {.trace = &traces[2], .threads = 2});
  other.join();
  for (int k = 0; k < 2; ++k) {
    EXPECT_EQ(ranks[k + 2], ranks[k]);
    EXPECT_EQ(first_difference(traces[k + 2].str(), traces[k].str()), "");
    EXPECT_TRUE(same_bits(C[k], alone[k])) << k;
  }
}

TEST(Matrix, CopiesAreDeepAndMovedFromMatricesEmpty) {
  const ComplexMatrix a = random_matrix(10, 4);
  ComplexMatrix copy = a;
  copy(2, 3) = kComplexZero;
  EXPECT_FALSE(same_bits(copy, a));
  ComplexMatrix moved = std::move(copy = a);
  EXPECT_TRUE(same_bits(moved, a));
  EXPECT_TRUE(copy.order() == 0 && copy.element_count() == 0);  // NOLINT(bugprone-use-after-move)
  EXPECT_EQ(&a.at(1, 4) - a.data(), 12);  // column-major: (i, j) at (j - 1) N + (i - 1)
}

// One row's call: its result as the table writes it, or the exception's type and what().
std::string call(const Row& row) {
  const auto hex = [](auto... x) {  // the values in %a, a tab between them
    std::string text;
    for (const double value : {static_cast<double>(x)...})
      text += (text.empty() ? "" : "\t") + hexfloat(value);  // std::hexfloat is %a
    return text;
  };
  // The arguments of most rows: numbers apart by blanks (C's forms, hexadecimal included).
  std::istringstream words(row[1]);
  std::vector<double> v;
  for (std::string w; words >> w;) v.push_back(std::strtod(w.c_str(), nullptr));
  v.resize(std::max<std::size_t>(v.size(), 4));
  const auto i = [&](std::size_t k) { return static_cast<std::int32_t>(v[k]); };
  const Complex a = from_std({v[0], v[1]});
  const Complex b = from_std({v[2], v[3]});
  const std::complex<double> high_parts = to_std({{v[0], v[1]}, {v[2], v[3]}});
  const auto real = [&](Real16 x) { return hex(x.hi, x.lo); };
  const auto complex = [&](const Complex& z) { return real(z.re) + "\t" + real(z.im); };
  try {
    if (row[0] == "to_real16") return real(to_real16(row[1]));
    if (row[0] == "to_e38_30") return to_e38_30({v[0], 0.0});
    if (row[0] == "to_string") return to_string({v[0], v[1]}, i(2));
    if (row[0] == "read_back") return to_string(to_real16(to_string({v[0], v[1]})));
    if (row[0] == "from_integer") return real(from_integer(std::stoll(row[1])));
    if (row[0] == "to_double") return hex(to_double({v[0], v[1]}));
    if (row[0] == "to_std") return hex(high_parts.real(), high_parts.imag());
    if (row[0] == "complex_mul") return complex(a * b);
    if (row[0] == "complex_div") return complex(a / b);
    if (row[0] == "complex_abs") return hex(abs(a).hi);
    if (row[0] == "matrix") return std::to_string(ComplexMatrix(i(0)).order());
    if (row[0] == "at") return hex(ComplexMatrix(i(0)).at(i(1), i(2)).re.hi);
    if (row[0] == "product")
      return std::to_string(product(ComplexMatrix(i(0)), ComplexMatrix(i(1)), i(2)).order());
    ComplexMatrix C = random_matrix(4, 3);
    std::ostringstream failed;
    failed.setstate(std::ios::badbit);
    // A stream whose buffer takes no byte, and which throws once it fails.
    struct Refusing : std::streambuf {
    } refusing;
    std::ostream throwing(&refusing);
    throwing.exceptions(std::ios::badbit);
    if (row[0] == "threads") invert(C, {.threads = std::atoi(row[1].c_str())});
    if (row[0] == "binary_folder") invert(C, {.binary_folder = row[1]});
    if (row[0] == "trace") invert(C, {.trace = row[1].ends_with("throws") ? &throwing : &failed});
    return "no exception";
  } catch (const InvalidArgument& e) {
    return std::string("InvalidArgument\t") + e.what();
  } catch (const WriteFailed& e) {
    return std::string("WriteFailed\t") + e.what();
  }
}

TEST(Library, CallsGiveTheirResultsAndFailures) {
  for (const Row& row : read_table("library_calls.tsv")) {
    std::string expected = row[2];
    for (std::size_t k = 3; k < row.fields.size(); ++k) expected += "\t" + row[k];
    EXPECT_EQ(call(row), expected) << row.where;
  }
}

}  // namespace
}  // namespace quelmar::test
