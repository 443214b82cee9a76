// InsertCifText over a fuzzed CIF file and .txt (the first byte picks a name
// with or without lead bytes). A refused insertion leaves the file
// byte-identical; a finished one leaves a file that reads back with the same
// number of entries.
#include "Sandbox.h"
#include "formats/CifText.h"
#include "platform/Error.h"

using namespace eit;
using namespace eit::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    Sandbox& box = FreshSandbox();
    const std::string name = CifTextName(data[0]);
    const std::vector<Bytes> parts = SplitParts(data + 1, size - 1, 2);
    box.Put(name, parts[0]);
    box.Put("t.txt", parts[1]);
    FuzzRun run(box, ".");
    run.ctx.ReplayLines.Add("#Target: t.txt");
    std::size_t entries = 0;
    bool refused = false;
    try {
        SourceStreamScope source(run.ctx, box.Path(name));
        entries = LoadCifTextFile(run.ctx, run.ctx.SourceStream, HasCifLeadBytes(name)).EntryCount();
        InsertCifText(run.ctx, box.Path(name), 0);
    } catch (const ToolError&) {
        refused = true;
    }

    std::map<std::string, Bytes> files = box.Files();
    Require(files.size() == 2, "a file left beside the CIF file");
    Require(files["t.txt"] == parts[1], "the .txt changed");
    if (refused) {
        Require(files[name] == parts[0], "a refused insertion changed the CIF file");
        return 0;
    }
    File rewritten(box.Path(name), OpenMode::Read);
    try {
        Require(LoadCifTextFile(run.ctx, rewritten, HasCifLeadBytes(name)).EntryCount() == entries,
                "the rewritten file has another number of entries");
    } catch (const ToolError& e) {
        Broken(std::string("the rewritten file does not read: ") + e.what());
    }
    return 0;
}
