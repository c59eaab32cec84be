// Inverts the matrix of an input matrix file of the program (a title, the order, a rank, then
// records "i, j, (re, im)") through the library. Prints the rank, the residual max |A X - I| and
// the pivots' range, then the inverse's elements as the program's result block writes them.
// With a folder, jCin.bim and jCinv.bim go there. Usage: invert_file INPUT [FOLDER]
#include <quelmar/quelmar.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: invert_file INPUT [FOLDER]\n");
    return 2;
  }
  std::ifstream input(argv[1]);
  std::string title, order, rank_stated, record;
  std::getline(input, title);
  std::getline(input, order);
  std::getline(input, rank_stated);
  try {
    quelmar::ComplexMatrix a(std::stoi(order));
    while (std::getline(input, record)) {
      int i = 0, j = 0;
      char re[64], im[64];
      if (std::sscanf(record.c_str(), "%d , %d , ( %63[^, ] , %63[^) ] )", &i, &j, re, im) == 4) {
        a.at(i, j) = {quelmar::to_real16(re), quelmar::to_real16(im)};  // at(): checked
      }
    }
    quelmar::ComplexMatrix x = a;  // inverted in place: A is kept
    quelmar::InversionOptions options;
    if (argc > 2) options.binary_folder = argv[2];
    const quelmar::InversionReport report = quelmar::invert_reported(x, options);
    const quelmar::ComplexMatrix ax = quelmar::product(a, x);
    quelmar::Real16 residual = quelmar::kZero;
    for (int j = 1; j <= ax.order(); ++j) {
      for (int i = 1; i <= ax.order(); ++i) {
        const quelmar::Complex identity = quelmar::from_std({i == j ? 1.0 : 0.0, 0.0});
        residual = std::max(residual, abs(ax(i, j) - identity));
      }
    }
    std::printf("rank %d, residual %s, pivots %s to %s (library %s)\n", report.rank,
                quelmar::to_string(residual, 2).c_str(),
                quelmar::to_string(report.first_pivot, 4).c_str(),
                quelmar::to_string(report.last_pivot, 4).c_str(),
                std::string(quelmar::library_version()).c_str());
    for (int i = 1; i <= x.order(); ++i) {
      for (int j = 1; j <= x.order(); ++j) {
        std::printf("%3d,%3d, (%s,%s),\n", i, j, quelmar::to_e38_30(x(i, j).re).c_str(),
                    quelmar::to_e38_30(x(i, j).im).c_str());
      }
    }
  } catch (const std::exception& error) {  // quelmar::Error, or an order that is not a number
    std::fprintf(stderr, "%s: %s\n", argv[1], error.what());
    return 1;
  }
  return 0;
}
