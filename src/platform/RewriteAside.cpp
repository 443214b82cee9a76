#include "platform/RewriteAside.h"

#include "platform/Error.h"
#include "platform/FileSystem.h"

namespace eit {

RewriteAside::RewriteAside(File& target) : target_(target)
{
    // A name of our own beside the target's real file (not beside a link to
    // it), so the swap stays on one volume and replaces the file itself.
    const std::string realPath = ResolvedPath(target.Path());
    for (int attempt = 0;; ++attempt) {
        outPath_ = realPath + ".eit-new" + (attempt ? std::to_string(attempt) : "");
        if (!Exists(outPath_)) break;
        if (attempt == 99) throw CannotCreateFile(outPath_);
    }
    out_.Open(outPath_, OpenMode::Create);
}

RewriteAside::~RewriteAside()
{
    if (committed_) return;
    out_.Close();
    RemoveFile(outPath_);
}

void RewriteAside::Commit()
{
    out_.Close();
    target_.ReplaceWith(outPath_);
    committed_ = true;
}

void FillNewFile(File& file, const std::function<void(File&)>& fill)
{
    try {
        fill(file);
    } catch (...) {
        std::string path = file.Path();
        file.Close();
        RemoveFile(path);
        throw;
    }
}

void CreateWholeFile(const std::string& path, const std::function<void(File&)>& fill)
{
    if (Exists(path)) {
        // An earlier file of that name stays as it was until the new one is whole.
        File earlier;
        try {
            earlier.Open(path, OpenMode::ReadWrite);
        } catch (const ToolError&) {
            throw CannotCreateFile(path);
        }
        RewriteAside aside(earlier);
        fill(aside.Out());
        aside.Commit();
        return;
    }
    File file(path, OpenMode::Create);
    FillNewFile(file, fill);
}

}  // namespace eit
