// Where libFuzzer is not linked: runs LLVMFuzzerTestOneInput once on each
// file named and each file of each folder named, in name order. Options
// (-runs=0, as libFuzzer takes them) are ignored. Fails when no input was
// found, so that a lost corpus does not pass unseen.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille);

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    std::vector<fs::path> entrees;
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] == '-') continue;
        if (!fs::is_directory(argv[i]))
            entrees.emplace_back(argv[i]);
        else
            for (const auto& element : fs::directory_iterator(argv[i])) entrees.push_back(element.path());
    }
    std::sort(entrees.begin(), entrees.end());
    for (const fs::path& entree : entrees) {
        std::ifstream fichier(entree, std::ios::binary);
        const std::string octets{std::istreambuf_iterator<char>(fichier), {}};
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(octets.data()), octets.size());
    }
    std::printf("rejouer: %zu inputs run\n", entrees.size());
    return entrees.empty() ? 1 : 0;
}
