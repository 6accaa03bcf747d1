// Runs a fuzz target's LLVMFuzzerTestOneInput over kept inputs, without
// libFuzzer: the seed corpus and the regression inputs replay as an ordinary
// test in every build. Arguments are files or folders (every file in a folder,
// in name order, dot files left out); a path that does not exist fails.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

bool Replay(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", file.string().c_str());
        return false;
    }
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    // A copy of exactly the input's size, so that a read past it is caught
    // by AddressSanitizer as it would be under libFuzzer.
    std::vector<uint8_t> input(bytes.begin(), bytes.end());
    std::printf("replay %s (%zu bytes)\n", file.string().c_str(), input.size());
    std::fflush(stdout);
    LLVMFuzzerTestOneInput(input.data(), input.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path(argv[i]);
        std::error_code error;
        if (std::filesystem::is_regular_file(path, error)) {
            if (!Replay(path))
                return 1;
            ++replayed;
            continue;
        }
        if (!std::filesystem::is_directory(path, error)) {
            std::fprintf(stderr, "%s does not exist\n", argv[i]);
            return 1;
        }
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(path)) {
            if (entry.is_regular_file() && entry.path().filename().string().front() != '.')
                files.push_back(entry.path());
        }
        std::sort(files.begin(), files.end());
        for (const auto& file : files) {
            if (!Replay(file))
                return 1;
            ++replayed;
        }
    }
    std::printf("%d inputs replayed\n", replayed);
    return replayed > 0 ? 0 : 1;
}
