// ExtractCifText over a fuzzed file (the first byte picks a name with or
// without lead bytes). A refused file leaves no .txt; an extracted one gives a
// .txt that inserts back into a copy of the file, which then reads again with
// the same number of entries.
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
    const Bytes cif(reinterpret_cast<const char*>(data) + 1, size - 1);
    box.Put(name, cif);
    FuzzRun run(box, "out");
    bool refused = false;
    try {
        ExtractCifText(run.ctx, box.Path(name));
    } catch (const ToolError&) {
        refused = true;
    }
    std::map<std::string, Bytes> files = box.Files();
    Require(files[name] == cif, "extraction changed the CIF file");
    Require(files.size() == (refused ? 1u : 2u), "a refused file left a .txt, or an extracted one none");
    if (refused) return 0;
    Require(files.count("out/t.txt") == 1 && run.ctx.OperationLog.Count() == 1, "the .txt is not where it is logged");

    // The .txt as extracted goes back in.
    const std::string copy = "copy" + name.substr(1);
    box.Put(copy, cif);
    FuzzRun insert(box, ".");
    insert.ctx.ReplayLines.Add(run.ctx.OperationLog[0]);
    SourceStreamScope source(insert.ctx, box.Path(copy));
    try {
        InsertCifText(insert.ctx, box.Path(copy), 0);
    } catch (const ToolError& e) {
        // A text holding a line that reads as another entry's header cannot be
        // read back unambiguously: insertion refuses it rather than misread it.
        if (std::string_view(e.what()).find(", lies inside the text of entry ") != std::string_view::npos) return 0;
        Broken(std::string("its own .txt does not insert: ") + e.what());
    }
    const CifTextFile before = LoadCifTextFile(insert.ctx, insert.ctx.SourceStream, HasCifLeadBytes(name));
    insert.ctx.SourceStream.Close();  // the original is opened for comparison below
    File original(box.Path(name), OpenMode::Read);
    Require(before.EntryCount() == LoadCifTextFile(run.ctx, original, HasCifLeadBytes(name)).EntryCount(),
            "the rewritten file has another number of entries");
    return 0;
}
