// ExtractLib over a fuzzed package: nothing is written outside the target
// folder, each logged file holds exactly its entry's bytes, and a refused
// package leaves no item behind that is not logged.
#include "Sandbox.h"
#include "formats/Lib.h"
#include "platform/Error.h"
#include "platform/File.h"

using namespace eit;
using namespace eit::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Sandbox& box = FreshSandbox();
    const Bytes package(reinterpret_cast<const char*>(data), size);
    box.Put("p.lib", package);
    FuzzRun run(box, "out");
    try {
        ExtractLib(run.ctx, box.Path("p.lib"));
    } catch (const ToolError&) {
    }

    std::map<std::string, Bytes> files = box.Files();
    Require(files["p.lib"] == package, "the package changed");
    files.erase("p.lib");
    const LineList& log = run.ctx.OperationLog;
    Require(files.size() == log.Count(), "files written and logged differ in number");

    if (log.Count() == 0) return 0;
    File reread(box.Path("p.lib"), OpenMode::Read);
    LibDirectoryReader directory(reread);
    for (std::size_t i = 0; i < log.Count(); ++i) {
        const std::string path(log[i].substr(9));
        const std::string name = box.NameOf(path);
        Require(name.rfind("out/", 0) == 0, "logged outside the target folder: " + path);
        Require(files.count(name) == 1, "logged but not written: " + path);
        const LibEntry entry = directory.Next();
        Require(files[name] == package.substr(entry.offset, entry.size), "wrong bytes in " + path);
    }
    return 0;
}
