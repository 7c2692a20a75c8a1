// Runs a fuzz entry point once on every file named on the command line, or found in a folder
// named there. Options ("-runs=0" and the like) are libFuzzer's and are ignored here.
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
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

void runOne(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::printf("%s (%zu bytes)\n", path.c_str(), bytes.size());
    std::fflush(stdout);
    // A copy of exactly the input's size, so that reading past it is caught by the sanitizers.
    auto* data = new std::uint8_t[bytes.size()];
    std::copy(bytes.begin(), bytes.end(), data);
    LLVMFuzzerTestOneInput(data, bytes.size());
    delete[] data;
}

} // namespace

int main(int argc, char** argv)
{
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    int inputs = 0;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg.starts_with("-"))
            continue;
        std::filesystem::path path(arg);
        if (std::filesystem::is_directory(path)) {
            std::vector<std::filesystem::path> files;
            for (const auto& entry : std::filesystem::directory_iterator(path))
                if (entry.is_regular_file() && entry.path().filename() != ".gitkeep")
                    files.push_back(entry.path());
            std::sort(files.begin(), files.end());
            for (const auto& file : files) {
                runOne(file);
                ++inputs;
            }
        } else if (std::filesystem::exists(path)) {
            runOne(path);
            ++inputs;
        } else {
            std::fprintf(stderr, "no such input: %s\n", arg.c_str());
            return 2;
        }
    }
    std::printf("%d inputs replayed\n", inputs);
    return 0;
}
