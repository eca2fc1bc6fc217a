// Without libFuzzer (the GCC build and CI): runs a fuzz target over its seed corpus and over
// simple mutations of each seed (bytes flipped in turn, prefixes, doubled: every byte of a
// small seed, a few thousand evenly spread of a large one), so that the target's checks and
// every input that ever failed run with every test run.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

void Run(const std::string& input) {
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
}

} // namespace

int main(int argc, char** argv) {
    std::size_t runs = 0;
    for (int i = 1; i < argc; ++i) {
        std::vector<std::filesystem::path> seeds;
        if (std::filesystem::is_directory(argv[i])) {
            for (const auto& entry : std::filesystem::directory_iterator(argv[i])) {
                seeds.push_back(entry.path());
            }
        } else {
            seeds.emplace_back(argv[i]);
        }
        for (const auto& seed : seeds) {
            std::ifstream in(seed, std::ios::binary);
            const std::string bytes{std::istreambuf_iterator<char>(in),
                                    std::istreambuf_iterator<char>()};
            Run(bytes);
            Run(bytes + bytes);
            const std::size_t step = std::max<std::size_t>(1, bytes.size() / 4096);
            for (std::size_t at = 0; at < bytes.size(); at += step) {
                Run(bytes.substr(0, at));
                for (const unsigned char flip : {0x01, 0x20, 0x80, 0xFF}) {
                    std::string mutated = bytes;
                    mutated[at] = static_cast<char>(static_cast<unsigned char>(mutated[at]) ^ flip);
                    Run(mutated);
                }
                runs += 5;
            }
        }
    }
    std::printf("%zu inputs, no fault\n", runs);
    return runs > 0 ? 0 : 1; // an empty corpus tests nothing
}
