#include "inverter/kernel_choice.h"

#include <cassert>

#include "extended/lanes.h"
#include "inverter/elimination.h"
#include "inverter/identity_products.h"
#include "inverter/pivot_search.h"
#include "inverter/row_reduction.h"
#include "runtime/thread_team.h"

namespace quelmar {

KernelChoice default_kernels() { return {true, 0, processor_vectors().wide_lanes}; }

Kernels chosen_kernels(const KernelChoice& choice) {
  if (!choice.fast) {
    return {.threads = 1,
            .find_pivot = &find_pivot_plain,
            .exchange_pivot = &exchange_pivot_plain,
            .form_result_by_input = &form_product_plain<RowFactor::kResult>,
            .form_input_by_result = &form_product_plain<RowFactor::kInput>};
  }
  assert(!choice.wide || processor_vectors().wide_lanes);
  Kernels fast{.threads = team_threads(choice.threads),
               .find_pivot = &find_pivot_fast,
               .exchange_pivot = &exchange_pivot_fast,
               .form_result_by_input = &form_product_fast<RowFactor::kResult>,
               .form_input_by_result = &form_product_fast<RowFactor::kInput>,
               .reduce_column = &reduce_column,
               .accumulate_result_rows = &accumulate_result_rows,
               .accumulate_input_rows = &accumulate_input_rows,
               .text_in_pieces = true};
#if QUELMAR_WIDE_LANES
  if (choice.wide) {
    fast.reduce_column = &reduce_column_wide;
    fast.accumulate_result_rows = &accumulate_result_rows_wide;
    fast.accumulate_input_rows = &accumulate_input_rows_wide;
  }
#endif
  return fast;
}

}  // namespace quelmar
