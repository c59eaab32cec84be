#include "inverter/identity_products.h"

#include <algorithm>
#include <cassert>

#include "extended/presplit_arithmetic.h"
#include "inverter/complex_updates.h"
#include "runtime/thread_team.h"

namespace quelmar {

namespace {

void clear(ComplexMatrix& m) { std::fill_n(m.data(), m.element_count(), kComplexZero); }

// The part products of one term: the row factor from `rows`, the other factor `fixed`.
template <RowFactor kRows, class T>
QUELMAR_LANE_HELPER TermProducts<T> row_term_products(const SplitComplex<T>& varying,
                                                      const SplitComplex<T>& fixed) {
  return kRows == RowFactor::kResult ? term_products(varying, fixed)
                                     : term_products(fixed, varying);
}

// sums(i) = sums(i) + a(i) * b(i) for rows i.. in lane groups of V, two groups at a time (both
// groups' products before either group's sums, two independent chains) and then one, while whole
// groups remain; i is left at the first row not summed. The row factor comes from `rows`, the
// other factor is `fixed`.
template <RowFactor kRows, class V>
QUELMAR_LANE_HELPER void accumulate_groups(Complex* sums, std::int32_t& i, std::int32_t n,
                                           const SplitTable& rows,
                                           const SplitComplex<double>& fixed) {
  constexpr auto kGroup = static_cast<std::int32_t>(kLanesOf<V>);
  const SplitComplex<V> fixed_lanes = broadcast<V>(fixed);
  for (; i + 2 * kGroup - 1 <= n; i += 2 * kGroup) {
    Complex* first = sums + (i - 1);
    Complex* second = first + kGroup;
    const TermProducts<V> first_products = row_term_products<kRows>(rows.rows<V>(i), fixed_lanes);
    const TermProducts<V> second_products =
        row_term_products<kRows>(rows.rows<V>(i + kGroup), fixed_lanes);
    store_lanes(first, accumulated_by(load_lanes<V>(first), first_products));
    store_lanes(second, accumulated_by(load_lanes<V>(second), second_products));
  }
  for (; i + kGroup - 1 <= n; i += kGroup) {
    Complex* s = sums + (i - 1);
    store_lanes(s, accumulated_by(load_lanes<V>(s),
                                  row_term_products<kRows>(rows.rows<V>(i), fixed_lanes)));
  }
}

// Rows i..n one element at a time.
template <RowFactor kRows>
QUELMAR_LANE_HELPER void accumulate_rest(Complex* sums, std::int32_t i, std::int32_t n,
                                         const SplitTable& rows,
                                         const SplitComplex<double>& fixed) {
  for (; i <= n; ++i) {
    Complex* s = sums + (i - 1);
    *s = accumulated_by(*s, row_term_products<kRows>(rows.row(i), fixed));
  }
}

// Rows 1..n: in lane groups of each width of Widths in turn, then one element at a time.
template <RowFactor kRows, class... Widths>
QUELMAR_LANE_HELPER void accumulate_column(Complex* sums, std::int32_t n, const SplitTable& rows,
                                           const SplitComplex<double>& fixed) {
  std::int32_t i = 1;
  (accumulate_groups<kRows, Widths>(sums, i, n, rows, fixed), ...);
  accumulate_rest<kRows>(sums, i, n, rows, fixed);
}

bool all_finite(const ComplexMatrix& m) {
  return std::all_of(m.data(), m.data() + m.element_count(),
                     [](const Complex& z) { return finite_parts(z); });
}

}  // namespace

// The plain form of either product: product(i, j) = the sum over ascending k of the terms
// C(i, k) * Cin(k, j) (kResult) or C(k, j) * Cin(i, k) (kInput), the running sum on the left.
template <RowFactor kRows>
void form_product_plain(Workspace& ws, const ComplexMatrix& C) {
  ComplexMatrix& product = ws.CTest;
  const std::int32_t n = C.order();
  clear(product);
  for (std::int32_t i = 1; i <= n; ++i) {
    for (std::int32_t j = 1; j <= n; ++j) {
      for (std::int32_t k = 1; k <= n; ++k) {
        product(i, j) = kRows == RowFactor::kResult
                            ? accumulate(product(i, j), C(i, k), ws.Cin(k, j))
                            : accumulate(product(i, j), C(k, j), ws.Cin(i, k));
      }
    }
  }
}

// The fast form of either product: k outermost, the column k of the row factor's matrix split
// once into the table, then for each column j the term C x Cin (kResult: C(i, k) * Cin(k, j)) or
// Cin x C (kInput: C(k, j) * Cin(i, k)) accumulated down the rows, in lanes where the factors
// allow and element by element otherwise. An infinity or a NaN in C or Cin takes the plain form.
template <RowFactor kRows>
void form_product_fast(Workspace& ws, const ComplexMatrix& C) {
  const bool result_rows = kRows == RowFactor::kResult;
  if (!all_finite(C) || !all_finite(ws.Cin)) return form_product_plain<kRows>(ws, C);
  ComplexMatrix& product = ws.CTest;
  const ComplexMatrix& rows_of = result_rows ? C : ws.Cin;
  const ComplexMatrix& fixed_of = result_rows ? ws.Cin : C;
  const std::int32_t n = C.order();
  const ColumnAccumulation accumulate_in_lanes =
      result_rows ? ws.kernels.accumulate_result_rows : ws.kernels.accumulate_input_rows;
  clear(product);
  for_column_parts(1, n, [&](std::int32_t first, std::int32_t last) {
    assert(team_slot() < ws.kernels.threads);
    SplitTable& column = ws.splits[static_cast<std::size_t>(team_slot())];
    for (std::int32_t k = 1; k <= n; ++k) {
      const bool column_safe = column.fill_from_column(rows_of, k);
      for (std::int32_t j = first; j <= last; ++j) {
        const Complex& fixed = fixed_of(k, j);
        if (column_safe && lane_safe(fixed)) {
          accumulate_in_lanes(&product(1, j), n, column, split_complex(fixed));
          continue;
        }
        // The element of C is the first factor of every term.
        for (std::int32_t i = 1; i <= n; ++i) {
          const Complex& varying = rows_of(i, k);
          product(i, j) = result_rows ? accumulate(product(i, j), varying, fixed)
                                      : accumulate(product(i, j), fixed, varying);
        }
      }
    }
  });
}

template void form_product_plain<RowFactor::kResult>(Workspace& ws, const ComplexMatrix& C);
template void form_product_plain<RowFactor::kInput>(Workspace& ws, const ComplexMatrix& C);
template void form_product_fast<RowFactor::kResult>(Workspace& ws, const ComplexMatrix& C);
template void form_product_fast<RowFactor::kInput>(Workspace& ws, const ComplexMatrix& C);

QUELMAR_LANE_KERNEL void accumulate_result_rows(Complex* sums, std::int32_t n,
                                                const SplitTable& rows,
                                                const SplitComplex<double>& fixed) {
  accumulate_column<RowFactor::kResult, Lanes>(sums, n, rows, fixed);
}

QUELMAR_LANE_KERNEL void accumulate_input_rows(Complex* sums, std::int32_t n,
                                               const SplitTable& rows,
                                               const SplitComplex<double>& fixed) {
  accumulate_column<RowFactor::kInput, Lanes>(sums, n, rows, fixed);
}

#if QUELMAR_WIDE_LANES
QUELMAR_WIDE_LANE_KERNEL void accumulate_result_rows_wide(Complex* sums, std::int32_t n,
                                                          const SplitTable& rows,
                                                          const SplitComplex<double>& fixed) {
  accumulate_column<RowFactor::kResult, WideLanes, Lanes>(sums, n, rows, fixed);
}

QUELMAR_WIDE_LANE_KERNEL void accumulate_input_rows_wide(Complex* sums, std::int32_t n,
                                                         const SplitTable& rows,
                                                         const SplitComplex<double>& fixed) {
  accumulate_column<RowFactor::kInput, WideLanes, Lanes>(sums, n, rows, fixed);
}
#endif

}  // namespace quelmar
