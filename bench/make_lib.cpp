// Writes a LIB package of N items of S bytes each, for the benchmarks:
//   make_lib PACKAGE COUNT SIZE
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {
void PutU32(std::string& out, std::uint32_t v)
{
    for (int s = 0; s < 32; s += 8) out += static_cast<char>((v >> s) & 0xFF);
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: make_lib PACKAGE COUNT SIZE\n");
        return 2;
    }
    const std::uint32_t count = static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10));
    const std::uint32_t size = static_cast<std::uint32_t>(std::strtoul(argv[3], nullptr, 10));
    std::vector<std::string> names(count);
    std::uint64_t directoryEnd = 8;
    for (std::uint32_t i = 0; i < count; ++i) {
        names[i] = "data\\item" + std::to_string(i) + (i % 2 ? ".bin" : ".dat");
        directoryEnd += 10 + names[i].size();
    }
    std::string head = "LIB";
    head += '\0';
    PutU32(head, count);
    for (std::uint32_t i = 0; i < count; ++i) {
        head += static_cast<char>(names[i].size() & 0xFF);
        head += static_cast<char>(names[i].size() >> 8);
        head += names[i];
        PutU32(head, static_cast<std::uint32_t>(directoryEnd + std::uint64_t{i} * size));
        PutU32(head, size);
    }
    FILE* out = std::fopen(argv[1], "wb");
    if (!out) return 1;
    std::fwrite(head.data(), 1, head.size(), out);
    std::string item(size, '\0');
    for (std::uint32_t i = 0; i < count; ++i) {
        for (std::size_t k = 0; k < item.size(); k += 512) item[k] = static_cast<char>(i + k);
        std::fwrite(item.data(), 1, item.size(), out);
    }
    return std::fclose(out) == 0 ? 0 : 1;
}
