// InsertLib over a fuzzed package, log and item files. A refused insertion
// leaves the package byte-identical; a finished one leaves a package whose
// directory reads back, keeps its header and names, and holds each item's bytes.
#include "Sandbox.h"
#include "formats/Lib.h"
#include "jobs/Replay.h"
#include "platform/Error.h"
#include "run/LogLines.h"

using namespace eit;
using namespace eit::fuzz;

namespace {
constexpr std::size_t kItems = 3;

// The header and each entry's name as stored, in order.
Bytes NamesOf(const std::string& path)
{
    File file(path, OpenMode::Read);
    LibDirectoryReader directory(file, false);
    file.Seek(0);
    const std::vector<std::uint8_t> header = file.ReadBytes(kLibHeaderSize);
    Bytes names(header.begin(), header.end());
    for (std::uint32_t i = 0; i < directory.EntryCount(); ++i) {
        LibEntry entry = directory.Next();
        names += std::to_string(entry.nameLength) + ":" + entry.name + ";";
    }
    return names;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Sandbox& box = FreshSandbox();
    const std::vector<Bytes> parts = SplitParts(data, size, 2 + kItems);
    const Bytes& package = parts[0];
    box.Put("p.lib", package);
    for (std::size_t i = 0; i < kItems; ++i) box.Put("i" + std::to_string(i), parts[2 + i]);
    FuzzRun run(box, ".");
    run.ctx.ReplayLines.AddText(ConfinePaths(parts[1]));
    std::size_t next = 0;
    bool refused = false;
    try {
        SourceStreamScope source(run.ctx, box.Path("p.lib"));
        next = InsertLib(run.ctx, box.Path("p.lib"), 0);
    } catch (const ToolError&) {
        refused = true;
    }

    std::map<std::string, Bytes> files = box.Files();
    Require(files.size() == 1 + kItems, "a file left beside the package");
    if (refused) {
        Require(files["p.lib"] == package, "a refused insertion changed the package");
        return 0;
    }
    File rebuilt(box.Path("p.lib"), OpenMode::Read);
    LibDirectoryReader directory(rebuilt);
    Require(next == directory.EntryCount(), "the replay goes on at the wrong line");
    for (std::uint32_t i = 0; i < directory.EntryCount(); ++i) {
        const LibEntry entry = directory.Next();
        const std::string itemPath = TargetPathOf(run.ctx.ReplayLines[i]);
        rebuilt.Seek(entry.offset);
        const std::vector<std::uint8_t> bytes = rebuilt.ReadBytes(entry.size);
        Require(Bytes(bytes.begin(), bytes.end()) == files[itemPath], "entry " + std::to_string(i) + " lost its item");
    }
    rebuilt.Close();
    box.Put("before.lib", package);
    Require(NamesOf(box.Path("p.lib")) == NamesOf(box.Path("before.lib")), "the header or a name changed");
    return 0;
}
