// Runs a fuzz target's entry point over stored inputs without libFuzzer, so that a build with any
// compiler keeps the targets compiling and replays their seed corpora and the inputs kept from
// earlier findings as ordinary tests (under the sanitizer build, with its checks).
//
// Usage: FuzzXxxReplay PATH...   each PATH a file or a folder whose files are read (not recursing)
// Exit code 0 when every input ran, 2 when a path could not be read; a fault in the target ends
// the program as it would under the fuzzer (a sanitizer report or a crash).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size);

int main(int Argc, char** Argv) {
  namespace fs = std::filesystem;
  std::vector<fs::path> inputs;
  for (int i = 1; i < Argc; ++i) {
    const fs::path path(Argv[i]);
    std::error_code error;
    if (fs::is_directory(path, error)) {
      std::vector<fs::path> files;
      for (const fs::directory_entry& entry : fs::directory_iterator(path, error)) {
        if (entry.is_regular_file(error)) files.push_back(entry.path());
      }
      std::sort(files.begin(), files.end());
      inputs.insert(inputs.end(), files.begin(), files.end());
    } else if (fs::is_regular_file(path, error)) {
      inputs.push_back(path);
    } else {
      std::fprintf(stderr, "%s: cannot read \"%s\"\n", Argv[0], Argv[i]);
      return 2;
    }
  }
  if (inputs.empty()) {
    std::fprintf(stderr, "%s: no inputs (give files or folders of files)\n", Argc > 0 ? Argv[0] : "replay");
    return 2;
  }
  for (const fs::path& input : inputs) {
    std::ifstream file(input, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (!file.good() && !file.eof()) {
      std::fprintf(stderr, "%s: cannot read \"%s\"\n", Argv[0], input.string().c_str());
      return 2;
    }
    // The pointer of an empty input must still be valid to read zero bytes from.
    static const uint8_t None = 0;
    LLVMFuzzerTestOneInput(bytes.empty() ? &None : reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  std::printf("%zu inputs ran\n", inputs.size());
  return 0;
}
