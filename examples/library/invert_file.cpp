// Inverts the matrix of an input matrix file of the program (a title, the order, a rank, then
// records "i, j, (re, im)") through the library, and prints the rank and the inverse's elements as
// the program's result block writes them. With a folder, jCin.bim and jCinv.bim go there.
//
//   usage: invert_file INPUT [FOLDER]
#include <quelmar/quelmar.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: invert_file INPUT [FOLDER]\n";
    return 2;
  }
  std::ifstream input(argv[1]);
  std::string title, order, rank_stated, record;
  std::getline(input, title);
  std::getline(input, order);
  std::getline(input, rank_stated);
  quelmar::ComplexMatrix c;
  if (!input || !c.allocate(std::stoi(order))) {
    std::cerr << argv[1] << ": no matrix to invert\n";
    return 1;
  }
  try {
    while (std::getline(input, record)) {
      int i = 0, j = 0;
      char re[64], im[64];
      if (std::sscanf(record.c_str(), "%d , %d , ( %63[^, ] , %63[^) ] )", &i, &j, re, im) != 4 ||
          i < 1 || j < 1 || i > c.order() || j > c.order()) {
        continue;
      }
      c(i, j) = {quelmar::to_real16(re), quelmar::to_real16(im)};
    }
    quelmar::InversionOptions options;
    if (argc > 2) options.binary_folder = argv[2];
    const std::int32_t rank = quelmar::invert(c, options);
    std::printf("rank %d (library %s)\n", rank, std::string(quelmar::library_version()).c_str());
    for (int i = 1; i <= c.order(); ++i) {
      for (int j = 1; j <= c.order(); ++j) {
        std::printf("%3d,%3d, (%s,%s),\n", i, j, quelmar::to_e38_30(c(i, j).re).c_str(),
                    quelmar::to_e38_30(c(i, j).im).c_str());
      }
    }
  } catch (const quelmar::Error& error) {
    std::cerr << error.what() << '\n';
    return 1;
  }
  return 0;
}
