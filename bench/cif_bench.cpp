// Extracts and re-inserts generated CIF text files of one and two million
// entries through the core handlers and prints the times; insertion must grow
// linearly with the entries.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "formats/CifText.h"
#include "platform/File.h"
#include "platform/Paths.h"

namespace {

class QuietReporter : public eit::Reporter {
public:
    void CurrentMessage(std::string_view) override {}
    void ClearResults() override {}
    void AddResult(std::string_view) override {}
    std::size_t ResultCount() const override { return 0; }
    void Progress(int, int) override {}
    void Total(int, int) override {}
    void Extracted(std::string_view) override {}
};

class NoDialogs : public eit::Dialogs {
public:
    std::optional<std::string> PickTargetFolder(const std::string&) override { return std::nullopt; }
    void ShowMessage(const std::string&, const std::string&) override {}
};

void PutU32(std::vector<std::uint8_t>& bytes, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

// A .cif file of `entries` records of about 50 bytes each; every tenth holds a line break.
void WriteCifFile(const std::string& path, std::uint32_t entries)
{
    std::mt19937 random(entries);
    std::vector<std::uint8_t> table;
    std::vector<std::uint8_t> text;
    table.reserve(entries * 4u);
    text.reserve(entries * 52u);
    for (std::uint32_t i = 0; i < entries; ++i) {
        PutU32(table, static_cast<std::uint32_t>(text.size()));
        text.push_back(static_cast<std::uint8_t>(1 + i % 200));  // lead byte
        std::string line = "Entry " + std::to_string(i) + (i % 10 == 0 ? ":\r\n" : ": ");
        while (line.size() < 48) line += static_cast<char>('a' + random() % 26);
        text.insert(text.end(), line.begin(), line.end());
        text.push_back(0);
    }
    eit::RexorBlock(table);
    eit::RexorBlock(text);
    std::vector<std::uint8_t> file(16, 'H');
    PutU32(file, static_cast<std::uint32_t>(table.size()));
    file.insert(file.end(), table.begin(), table.end());
    file.insert(file.end(), {1, 0, 10, 0, 0, 0});
    PutU32(file, static_cast<std::uint32_t>(text.size()));
    file.insert(file.end(), text.begin(), text.end());
    eit::File(path, eit::OpenMode::Create).Write(file.data(), file.size());
}

template <class Work>
double Seconds(Work work)
{
    auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct Times {
    double extract;
    double insert;
};

Times Measure(const std::filesystem::path& folder, std::uint32_t entries)
{
    QuietReporter reporter;
    NoDialogs dialogs;
    eit::RunContext ctx(reporter, dialogs);
    ctx.settings.TargetDir = folder.string();
    const std::string cifPath = eit::JoinPath(ctx.settings.TargetDir, "bench.cif");
    WriteCifFile(cifPath, entries);
    const auto cifSize = std::filesystem::file_size(cifPath);

    Times times{};
    times.extract = Seconds([&] { eit::ExtractCifText(ctx, cifPath); });
    const std::string txtLine(ctx.OperationLog[0]);
    const auto txtSize = std::filesystem::file_size(txtLine.substr(9));
    ctx.ReplayLines.Add(txtLine);
    times.insert = Seconds([&] {
        eit::SourceStreamScope source(ctx, cifPath);
        eit::InsertCifText(ctx, cifPath, 0);
    });
    std::printf("%9u entries  cif %6.1f MB  txt %6.1f MB  extract %6.2f s  insert %6.2f s\n", entries, cifSize / 1e6,
                txtSize / 1e6, times.extract, times.insert);
    return times;
}

}  // namespace

int main()
{
    const auto folder = std::filesystem::temp_directory_path() / "eit-cif-bench";
    std::filesystem::create_directories(folder);
    try {
        const Times one = Measure(folder, 1'000'000);
        const Times two = Measure(folder, 2'000'000);
        std::printf("doubling the entries: extraction x%.2f, insertion x%.2f\n", two.extract / one.extract, two.insert / one.insert);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cif_bench: %s\n", e.what());
        std::filesystem::remove_all(folder);
        return 1;
    }
    std::filesystem::remove_all(folder);
    return 0;
}
