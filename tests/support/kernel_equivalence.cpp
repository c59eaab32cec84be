// kernel_mismatch: whole inversions with the trace on a file, by the plain element loops and by
// the fast kernels on 1, 2, 3, 4 and 8 threads (more than this machine may have), with four lanes
// and, where the processor has them, eight; and the two identity products of each result as its
// kernels form them (the trace shows them to four digits only).

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "equivalence.h"
#include "extended/lanes.h"
#include "inverter/quelmar.h"
#include "inverter/workspace.h"
#include "runtime/thread_team.h"
#include "runtime/units.h"

namespace quelmar::equivalence {
namespace {

// The files an inversion writes (the trace on unit 13, the binary files on unit 14), then its
// two identity products as the bytes of their elements.
constexpr const char* kPartNames[] = {"kernel_trace.txt", "jCin.bim", "jCinv.bim", "Cinv*Cin",
                                      "Cin*Cinv"};
// Where the elements begin in each part (the trace is text).
constexpr std::size_t kElementsFrom[] = {0, 16, 28, 0, 0};

struct Inversion {
  std::int32_t rank = -1;
  std::string parts[5];  // as kPartNames
};

std::string read_bytes(const char* name) {
  std::ifstream in(name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string bytes_of(const ComplexMatrix& m) {
  return {reinterpret_cast<const char*>(m.data()), m.element_count() * sizeof(Complex)};
}

Inversion invert(const ComplexMatrix& C, KernelChoice kernels) {
  constexpr std::int32_t kTraceUnit = 13;
  Inversion out;
  ComplexMatrix result = C;
  {
    Units units;  // closes the files at the end of the block
    units.open_for_write_or_stop(kTraceUnit, kPartNames[0]);
    Quelmar(C.order(), result, out.rank, 14, kTraceUnit, units, kernels);
  }
  for (int k = 0; k < 3; ++k) out.parts[k] = read_bytes(kPartNames[k]);
  Workspace ws;
  allocate_workspace(ws, C.order(), kernels);
  std::copy_n(C.data(), C.element_count(), ws.Cin.data());
  in_team(kernels.threads, [&] {
    ws.kernels.form_result_by_input(ws, result);
    out.parts[3] = bytes_of(ws.CTest);
    ws.kernels.form_input_by_result(ws, result);
    out.parts[4] = bytes_of(ws.CTest);
  });
  return out;
}

// The element whose 32 bytes begin at `offset`, in hexfloat.
std::string element_at(const std::string& bytes, std::size_t offset) {
  if (offset + 32 > bytes.size()) return "(none)";
  double part[4];
  std::memcpy(part, bytes.data() + offset, sizeof part);
  char text[128];
  std::snprintf(text, sizeof text, "(%a, %a) + i(%a, %a)", part[0], part[1], part[2], part[3]);
  return text;
}

std::string inversion_mismatch(const Inversion& got, const Inversion& plain) {
  if (got.rank != plain.rank) {
    return "rank " + std::to_string(got.rank) + " against plain " + std::to_string(plain.rank);
  }
  for (std::size_t k = 0; k < std::size(plain.parts); ++k) {
    const std::string& g = got.parts[k];
    const std::string& p = plain.parts[k];
    if (g == p) continue;
    const auto at = static_cast<std::size_t>(
        std::mismatch(g.begin(), g.end(), p.begin(), p.end()).first - g.begin());
    const std::string where = std::string(kPartNames[k]) + " differs at byte " + std::to_string(at);
    if (k == 0) {
      const std::size_t line = p.rfind('\n', at) + 1;
      return where + ": [" + g.substr(line, 80) + "] against plain [" + p.substr(line, 80) + "]";
    }
    const std::size_t from = kElementsFrom[k];
    const std::size_t offset = at < from ? from : at - (at - from) % 32;
    return where + ": " + element_at(g, offset) + " against plain " + element_at(p, offset);
  }
  return "";
}

}  // namespace

std::string kernel_mismatch(const ComplexMatrix& C) {
  const Inversion plain = invert(C, {false, 1});
  for (const bool wide : {false, processor_vectors().wide_lanes}) {
    for (const std::int32_t threads : {1, 2, 3, 4, 8}) {
      const std::string mismatch = inversion_mismatch(invert(C, {true, threads, wide}), plain);
      if (!mismatch.empty()) {
        return std::to_string(threads) + " thread(s), " + (wide ? "eight" : "four") +
               " lanes: " + mismatch;
      }
    }
    if (!processor_vectors().wide_lanes) break;
  }
  return "";
}

}  // namespace quelmar::equivalence
