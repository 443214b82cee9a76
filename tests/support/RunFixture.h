#pragma once
// A run context over a temporary folder, with a recording reporter and
// scripted dialogs; restores the current folder that runs change.
#include <gtest/gtest.h>

#include "main/RunContext.h"
#include "platform/FileSystem.h"
#include "support/Files.h"
#include "support/Recorder.h"

namespace eit::test {

class RunFixture : public ::testing::Test {
protected:
    RunFixture() : ctx(recorder, dialogs), savedFolder_(CurrentFolder()) { ctx.TargetDir = dir.str(); }
    ~RunFixture() override { SetCurrentFolder(savedFolder_); }

    std::vector<std::string> LogLines(const LineList& list) const
    {
        std::vector<std::string> lines;
        for (std::size_t i = 0; i < list.Count(); ++i) lines.emplace_back(list[i]);
        return lines;
    }

    TempFolder dir;
    Recorder recorder;
    ScriptDialogs dialogs;
    RunContext ctx;

private:
    std::string savedFolder_;
};

}  // namespace eit::test
