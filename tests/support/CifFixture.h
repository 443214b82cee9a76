#pragma once
// A run context over a temporary folder for calling the CIF text handlers directly.
#include <gtest/gtest.h>

#include "formathandlers/CifText.h"
#include "platform/Error.h"
#include "platform/Paths.h"
#include "support/CifBuilder.h"
#include "support/Files.h"
#include "support/Recorder.h"

namespace eit::test {

class CifTextTest : public ::testing::Test {
protected:
    CifTextTest() { ctx.TargetDir = dir.str(); }

    // Writes the CIF file, extracts it and returns the .txt written.
    Bytes Extract(const std::string& name, const Bytes& cif)
    {
        WriteAll(dir / name, cif);
        ExtractCifText(ctx, dir / name);
        return ReadAll(dir / ReplaceExtension(name, ".txt"));
    }

    // Inserts `txt` into the CIF file `name` as the replay does: the
    // "#Target:" line at index 1, the file open as SourceStream.
    std::size_t Insert(const std::string& name, const Bytes& txt)
    {
        WriteAll(dir / "edited.txt", txt);
        ctx.ReplayLines.Clear();
        ctx.ReplayLines.Add(dir / name);
        ctx.ReplayLines.Add("#Target: " + (dir / "edited.txt"));
        ctx.SourceStream.Open(dir / name, OpenMode::ReadWrite);
        try {
            std::size_t next = InsertCifText(ctx, JoinPath(ctx.TargetDir, name), 1);
            ctx.SourceStream.Close();
            return next;
        } catch (...) {
            ctx.SourceStream.Close();
            throw;
        }
    }

    template <class Action>
    static std::string ErrorOf(Action action)
    {
        try {
            action();
        } catch (const ToolError& e) {
            return e.what();
        }
        return "(no error)";
    }

    TempFolder dir;
    Recorder recorder;
    ScriptDialogs dialogs;
    RunContext ctx{recorder, dialogs};
};

}  // namespace eit::test
