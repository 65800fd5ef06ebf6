// Replays kept inputs through a fuzz target without libFuzzer: every file
// under the folders given (a missing folder holds none), in name order.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    int replayed = 0;
    for (int a = 1; a < argc; ++a) {
        std::vector<fs::path> files;
        std::error_code failed;
        if (fs::is_regular_file(argv[a], failed)) {
            files.emplace_back(argv[a]);
        } else if (fs::is_directory(argv[a], failed)) {
            for (const auto& entry : fs::recursive_directory_iterator(argv[a], failed))
                if (entry.is_regular_file())
                    files.push_back(entry.path());
        }
        std::sort(files.begin(), files.end());
        for (const fs::path& file : files) {
            std::ifstream in(file, std::ios::binary);
            if (!in) {
                std::fprintf(stderr, "%s: cannot be read\n", file.c_str());
                return 1;
            }
            const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
            ++replayed;
        }
    }
    std::printf("replayed %d inputs\n", replayed);
    return 0;
}
