// Runs a fuzz target over files and folders of inputs, outside libFuzzer: the seed corpus and
// every kept crash file run as ordinary tests in every build.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

int RunFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    int ran = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path(argv[i]);
        if (std::filesystem::is_directory(path)) {
            for (const auto& entry : std::filesystem::recursive_directory_iterator(path)) {
                if (entry.is_regular_file()) {
                    ran += RunFile(entry.path());
                }
            }
        } else if (std::filesystem::is_regular_file(path)) {
            ran += RunFile(path);
        }
    }
    std::printf("replayed %d inputs\n", ran);
    return ran > 0 ? 0 : 1;
}
