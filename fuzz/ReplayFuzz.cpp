// ReplayLog over a fuzzed log, with a LIB package, a CIF text file and a font
// (and their item files, .txt and sheet) beside it. Whatever the log says,
// no file appears or stays behind, and only files it names as a source change.
#include "Sandbox.h"
#include "Seeds.h"
#include "jobs/Replay.h"
#include "platform/Error.h"

using namespace eit;
using namespace eit::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::vector<ReplayFile> fixtures = ReplayFiles(FreshSandbox());
    Sandbox& box = FreshSandbox();
    for (const ReplayFile& file : fixtures) box.Put(file.name, file.bytes);
    const Bytes log = ConfinePaths(Bytes(reinterpret_cast<const char*>(data), size));
    box.Put("result.log", log);
    FuzzRun run(box, ".");
    run.ask.palette = box.Path("none.act");
    try {
        ReplayLog(run.ctx, box.Path("result.log"));
    } catch (const ToolError&) {
    }
    run.ctx.SourceStream.Close();

    std::map<std::string, Bytes> files = box.Files();
    Require(files.size() == fixtures.size() + 1, "a file appeared or stayed behind");
    for (const ReplayFile& file : fixtures) {
        Require(files.count(file.name) == 1, "a file vanished: " + file.name);
        if (files[file.name] != file.bytes) Require(log.find(file.name) != Bytes::npos, "an unnamed file changed: " + file.name);
    }
    return 0;
}
