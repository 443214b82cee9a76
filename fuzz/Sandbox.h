#pragma once
// The frame every fuzz target shares: a folder of its own per process, emptied
// before each input, a silent reporter, the split of one input into several
// files, and checks that abort() so libFuzzer reports a broken invariant.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "run/RunContext.h"

namespace eit::fuzz {

using Bytes = std::string;

// The bytes between the files packed into one input.
inline constexpr std::string_view kPartSeparator = "\n=EIT=\n";

[[noreturn]] inline void Broken(const std::string& what)
{
    std::fprintf(stderr, "\nINVARIANT BROKEN: %s\n", what.c_str());
    std::abort();
}

inline void Require(bool holds, const std::string& what)
{
    if (!holds) Broken(what);
}

// Cuts an input into `count` parts at the first count - 1 separators; the last
// part keeps the rest, and missing parts are empty.
inline std::vector<Bytes> SplitParts(const std::uint8_t* data, std::size_t size, std::size_t count)
{
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    std::vector<Bytes> parts;
    while (parts.size() + 1 < count) {
        std::size_t cut = rest.find(kPartSeparator);
        if (cut == std::string_view::npos) break;
        parts.emplace_back(rest.substr(0, cut));
        rest.remove_prefix(cut + kPartSeparator.size());
    }
    parts.emplace_back(rest);
    parts.resize(count);
    return parts;
}

inline Bytes JoinParts(const std::vector<Bytes>& parts)
{
    Bytes joined;
    for (std::size_t i = 0; i < parts.size(); ++i) joined += (i ? Bytes(kPartSeparator) : Bytes()) + parts[i];
    return joined;
}

// Paths in a fuzzed log stay inside the sandbox: no separator can make one
// absolute or lead out of the current folder.
inline Bytes ConfinePaths(Bytes log)
{
    for (char& c : log) {
        if (c == '/') c = '_';
    }
    return log;
}

class QuietReporter : public Reporter {
public:
    void CurrentMessage(std::string_view) override {}
    void ClearResults() override { results_ = 0; }
    void AddResult(std::string_view) override { ++results_; }
    std::size_t ResultCount() const override { return results_; }
    void Progress(int, int) override {}
    void Total(int, int) override {}
    void Extracted(std::string_view) override {}

private:
    std::size_t results_ = 0;
};

class NoDialogs : public Dialogs {
public:
    std::string palette;
    std::optional<std::string> PickTargetFolder(const std::string&) override { return std::nullopt; }
    void ShowMessage(const std::string&, const std::string&) override {}
    std::optional<std::string> PickPalette() override { return palette; }
};

// TMPDIR/eit-fuzz-PID/box, the current folder of the process: a target's files
// live in the box, and the folder above it must never hold anything else.
class Sandbox {
public:
    Sandbox();
    ~Sandbox();
    // Empties the box.
    void Reset();
    std::string Path(const std::string& name) const { return (box_ / name).string(); }
    // A path as Files() names it, when it lies in the box; empty otherwise.
    std::string NameOf(const std::string& path) const;
    void Put(const std::string& name, std::string_view bytes) const;
    Bytes Get(const std::string& name) const;
    // Every file below the box, by path relative to it; aborts on anything
    // that is neither a file nor a folder, or on anything beside the box.
    std::map<std::string, Bytes> Files() const;

private:
    std::filesystem::path root_;
    std::filesystem::path box_;
};

// The sandbox of this process, emptied for the next input.
Sandbox& FreshSandbox();

// The name a CIF text input is given, with lead bytes or without, by its first byte.
inline std::string CifTextName(std::uint8_t selector) { return (selector & 1) ? "t.cif" : "t.sal"; }

// A run context over a sandbox, its target folder made fresh.
struct FuzzRun {
    QuietReporter report;
    NoDialogs ask;
    RunContext ctx{report, ask};
    FuzzRun(const Sandbox& box, const std::string& targetFolder);
};

}  // namespace eit::fuzz
