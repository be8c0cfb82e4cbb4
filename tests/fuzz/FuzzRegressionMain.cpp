// Runs a fuzz target's entry function over files, without libFuzzer, so that
// the normal build (and CI) can replay the seed corpus and every input that
// once made a target fail. Arguments are files or folders (all files in a
// folder, in name order). A failing input crashes or aborts the program,
// which fails the test.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int *argc, char ***argv);

namespace {

bool runFile(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return false;
    }
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::fprintf(stderr, "running %s (%zu bytes)\n", path.c_str(), bytes.size());
    // A copy of exactly the input's size, so that reads past its end are
    // caught by the address sanitizer as libFuzzer would catch them.
    std::vector<std::uint8_t> exact(bytes.begin(), bytes.end());
    exact.shrink_to_fit();
    LLVMFuzzerTestOneInput(exact.empty() ? nullptr : exact.data(), exact.size());
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    int count = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path arg(argv[i]);
        std::error_code ec;
        if (std::filesystem::is_directory(arg, ec)) {
            std::vector<std::filesystem::path> files;
            for (const auto &e : std::filesystem::directory_iterator(arg))
                if (e.is_regular_file())
                    files.push_back(e.path());
            std::sort(files.begin(), files.end());
            for (const auto &f : files)
                count += runFile(f) ? 1 : 0;
        } else if (std::filesystem::exists(arg, ec)) {
            if (!runFile(arg))
                return 1;
            ++count;
        }
    }
    std::fprintf(stderr, "%d inputs ran\n", count);
    // An empty corpus would make this test pass without testing anything.
    return count > 0 ? 0 : 1;
}
