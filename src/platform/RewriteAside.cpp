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

}  // namespace eit
