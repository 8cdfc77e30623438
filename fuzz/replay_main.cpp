// Runs a fuzz target on files, without libFuzzer: each argument is a file,
// or a directory whose regular files are all run, in name order. Options
// (arguments starting with '-') are ignored, so a fuzzer's command line
// works too. Lets every target build with any compiler and replay its
// corpus or a single finding under a debugger, valgrind or the sanitizers.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

int runFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", path.string().c_str());
    return 1;
  }
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
  // A copy of exactly the input's size, so that a read past its end is one
  // past an allocation, as under libFuzzer.
  std::vector<std::uint8_t> data(bytes.begin(), bytes.end());
  static std::uint8_t none = 0; // libFuzzer passes a valid pointer even for no bytes
  LLVMFuzzerTestOneInput(data.empty() ? &none : data.data(), data.size());
  return 0;
}

} // namespace

int main(int argc, char** argv) {
  int failures = 0;
  std::size_t runs = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (!argument.empty() && argument[0] == '-') continue;
    const std::filesystem::path path(argument);
    std::vector<std::filesystem::path> files;
    if (std::filesystem::is_directory(path)) {
      for (const auto& entry : std::filesystem::directory_iterator(path))
        if (entry.is_regular_file()) files.push_back(entry.path());
      std::sort(files.begin(), files.end());
    } else {
      files.push_back(path);
    }
    for (const auto& file : files) {
      failures += runFile(file);
      ++runs;
    }
  }
  std::printf("%zu inputs run, %d unreadable\n", runs, failures);
  return failures == 0 ? 0 : 1;
}
