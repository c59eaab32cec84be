// Replays inputs through a fuzz target's entry function without the fuzzing engine. Each argument
// is a file, or a folder whose files are replayed in name order. A fault aborts inside the entry
// function; an argument that cannot be read, or no input at all, fails the run.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  std::set<std::filesystem::path> files;
  for (int k = 1; k < argc; ++k) {
    if (!std::filesystem::is_directory(argv[k])) {
      files.insert(argv[k]);
      continue;
    }
    for (const auto& entry : std::filesystem::directory_iterator(argv[k])) files.insert(entry);
  }
  for (const std::filesystem::path& file : files) {
    std::ifstream in(file, std::ios::binary);
    if (!in.is_open()) {
      std::fprintf(stderr, "cannot read %s\n", file.c_str());
      return 1;
    }
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  }
  std::printf("%zu inputs replayed\n", files.size());
  return files.empty() ? 1 : 0;
}
