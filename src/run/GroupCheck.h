#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/File.h"
#include "platform/FileIdentity.h"
#include "platform/Words.h"

namespace eit {

// The check of one group of a replay, before anything is written: what the
// group's check handler asks of the run, and what it tells about the group.
class GroupCheck {
public:
    virtual ~GroupCheck() = default;

    // Called for every file the group reads. False when an earlier group of
    // the run rewrites that file first: its bytes now are not the ones the
    // group will read, so only that it exists and can be read is checked.
    // A file that is the group's own source is refused.
    bool IsFinal(const std::string& path) { return IsFinal(path, IdentityOf(path)); }
    // The same for a file whose identity is known (nothing: there is no file).
    virtual bool IsFinal(const std::string& path, const std::optional<FileId>& id) = 0;
    // Whether an earlier group of the run rewrites the group's source first.
    virtual bool SourceRewrittenEarlier() const = 0;
    // IsFinal for the one file a group reads, `what` ("its sheet"); when it is
    // not final, checks that it can be read and says so in the summary.
    bool ReadsFinal(const std::string& path, std::string_view what)
    {
        if (IsFinal(path)) return true;
        File readable(path, OpenMode::ReadUnlocked);
        summary = std::string(what) + " " + path + " is rewritten first by an earlier group";
        return false;
    }

    // Set by the run: also say what differs from the files as they are now
    // (every item, text and glyph is compared), and report warnings.
    bool report = false;
    // Set by the handler: what the replay of the group would do, in a few words.
    std::string summary;
    // Set by the handler: whether the replay would rewrite the group's source.
    bool rewrites = false;
    // Set by the handler when it compared every byte (a text file's always, a
    // package's in a reported check): the replay would give the source
    // exactly the bytes it holds, so it would leave it as it is, unwritten.
    bool upToDate = false;
};


// What a check found in a group: "3 items, 1 differs", "120 texts, none differ".
inline std::string DifferenceSummary(std::uint64_t count, std::string_view one, std::string_view many, std::uint64_t differ)
{
    const std::string summary = Counted(count, one, many) + ", ";
    return summary + (differ == 0 ? "none differ" : Counted(differ, "differs", "differ"));
}

}  // namespace eit
