#include "formats/PatchManifest.h"

#include <cstdint>
#include <set>
#include <vector>

#include "platform/Error.h"
#include "platform/Hex.h"
#include "platform/LittleEndian.h"
#include "platform/Paths.h"
#include "platform/Sha256.h"

namespace eit {

namespace {

constexpr std::string_view kHeader = "eitool patch 1";
constexpr std::string_view kItemIndent = "  ";
constexpr std::size_t kLargestName = 0xFFFF;

}  // namespace

std::string ManifestText(std::string_view bytes)
{
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        const bool edgeSpace = c == ' ' && (i == 0 || i + 1 == bytes.size());
        if (c < 0x20 || c >= 0x7F || c == '%' || edgeSpace) {
            text += '%';
            text += HexByte(c);
        } else {
            text += static_cast<char>(c);
        }
    }
    return text;
}

namespace {

std::string_view ItemKeyword(ItemChange change)
{
    switch (change) {
    case ItemChange::Keep: return "keep";
    case ItemChange::Replace: return "replace";
    case ItemChange::Remove: return "remove";
    case ItemChange::Add: return "add";
    }
    return "";
}

bool IsSha(std::string_view text)
{
    if (text.size() != 64) return false;
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return true;
}

// Reads a manifest line by line; every error names the manifest and the line.
class ManifestParser {
public:
    ManifestParser(std::string_view text, const std::string& source) : text_(text), source_(source) {}

    PatchManifest Parse()
    {
        PatchManifest manifest;
        if (!NextLine() || line_ != kHeader) throw Error("the first line is not \"" + std::string(kHeader) + "\"");
        if (!NextLine() || !line_.starts_with("title ")) throw Error("the second line is not \"title \" and the patch's title");
        manifest.title = Unescape(line_.substr(6));
        std::set<std::string> paths;
        std::size_t packageLine = 0;
        while (NextLine()) {
            if (line_.starts_with(kItemIndent)) {
                if (manifest.files.empty() || manifest.files.back().change != FileChange::Package) {
                    throw Error("an item line outside a package");
                }
                ParseItemLine(manifest.files.back());
                continue;
            }
            if (!manifest.files.empty()) CheckPackageNames(manifest.files.back(), packageLine);
            manifest.files.push_back(ParseFileLine());
            originals_ = 0;
            if (manifest.files.back().change == FileChange::Package) packageLine = number_;
            if (!paths.insert(manifest.files.back().path).second) throw Error("the path is given twice");
        }
        if (!manifest.files.empty()) CheckPackageNames(manifest.files.back(), packageLine);
        CheckNoPathHoldsAnother(paths);
        return manifest;
    }

private:
    ToolError Error(const std::string& what) const { return ErrorAt(number_, what); }
    ToolError ErrorAt(std::size_t line, const std::string& what) const
    {
        return ToolError("Damaged patch manifest " + source_ + (line > 0 ? ", line " + std::to_string(line) : "") + ": " + what);
    }

    // The next line that is not a comment; false at the end. A line ends at
    // LF or CR LF and holds printable ASCII only.
    bool NextLine()
    {
        do {
            if (rest_ >= text_.size()) return false;
            std::size_t end = text_.find('\n', rest_);
            if (end == std::string_view::npos) end = text_.size();
            line_ = text_.substr(rest_, end - rest_);
            rest_ = end + 1;
            ++number_;
            if (line_.ends_with('\r')) line_.remove_suffix(1);
            for (char c : line_) {
                if (c < 0x20 || c > 0x7E) throw Error("a byte " + HexByte(static_cast<std::uint8_t>(c)) + " that is not printable ASCII (write it as %XX)");
            }
        } while (line_.starts_with('#'));
        return true;
    }

    // The field up to the next space; the rest of the line stays in `fields`.
    std::string_view Field(std::string_view& fields, std::string_view what) const
    {
        const std::size_t space = fields.find(' ');
        std::string_view field = fields.substr(0, space);
        fields = space == std::string_view::npos ? std::string_view() : fields.substr(space + 1);
        if (field.empty()) throw Error("missing " + std::string(what));
        return field;
    }

    std::string Sha(std::string_view& fields, std::string_view what) const
    {
        std::string_view field = Field(fields, what);
        if (!IsSha(field)) throw Error(std::string(what) + " \"" + std::string(field) + "\" is not a SHA-256 (64 lower-case hexadecimal digits)");
        return std::string(field);
    }

    std::string Unescape(std::string_view text) const
    {
        std::string bytes;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] != '%') {
                bytes += text[i];
                continue;
            }
            const int byte = HexByteAt(text.substr(i + 1));
            if (byte < 0) throw Error("\"%\" not followed by two hexadecimal digits");
            bytes += static_cast<char>(byte);
            i += 2;
        }
        return bytes;
    }

    // A path inside the game folder, outside the folder that holds what
    // removing patches needs.
    std::string GamePath(std::string_view text) const
    {
        const std::string path = Unescape(text);
        if (path.empty()) throw Error("missing path");
        std::size_t start = 0;
        for (bool first = true; start <= path.size(); first = false) {
            std::size_t slash = path.find('/', start);
            if (slash == std::string::npos) slash = path.size();
            const std::string_view part = std::string_view(path).substr(start, slash - start);
            if (part.empty() || part == "." || part == "..") throw Error("the path " + path + " is absolute or leaves the game folder");
            for (char c : part) {
                if (c == '\\' || c == ':' || static_cast<unsigned char>(c) < 0x20) {
                    throw Error("the path " + path + " holds \"\\\", \":\" or a control character, which no relative path may");
                }
            }
            if (first && EqualsIgnoringAsciiCase(part, kPatchStoreFolder)) throw Error("the path " + path + " lies in " + std::string(kPatchStoreFolder));
            start = slash + 1;
        }
        return path;
    }

    PatchFile ParseFileLine() const
    {
        std::string_view fields = line_;
        const std::string_view keyword = Field(fields, "keyword");
        PatchFile file;
        if (keyword == "change") {
            file.change = FileChange::Change;
            file.was = Sha(fields, "original checksum");
            file.becomes = Sha(fields, "new checksum");
        } else if (keyword == "add") {
            file.change = FileChange::Add;
            file.becomes = Sha(fields, "new checksum");
        } else if (keyword == "delete") {
            file.change = FileChange::Delete;
            file.was = Sha(fields, "original checksum");
        } else if (keyword == "package") {
            file.change = FileChange::Package;
        } else {
            throw Error("unknown keyword \"" + std::string(keyword) + "\"");
        }
        file.path = GamePath(fields);
        return file;
    }

    void ParseItemLine(PatchFile& package)
    {
        std::string_view fields = line_.substr(kItemIndent.size());
        const std::string_view keyword = Field(fields, "keyword");
        if (keyword == "names") {
            if (!package.was.empty() || !package.items.empty()) throw Error("\"names\" must come once, right after its package line");
            package.was = Sha(fields, "original names' checksum");
            package.becomes = Sha(fields, "new names' checksum");
            if (!fields.empty()) throw Error("more fields than \"names\" takes");
            return;
        }
        if (package.was.empty()) throw Error("an item before the package's \"names\" line");
        PatchItem item;
        if (keyword == "keep" || keyword == "replace" || keyword == "remove") {
            item.change = keyword == "keep" ? ItemChange::Keep : keyword == "replace" ? ItemChange::Replace : ItemChange::Remove;
            const std::string expected = std::to_string(originals_++);
            const std::string_view index = Field(fields, "item number");
            if (index != expected) throw Error("item number " + std::string(index) + " where " + expected + " comes next");
            item.was = Sha(fields, "original checksum");
            if (item.change == ItemChange::Replace) item.becomes = Sha(fields, "new checksum");
        } else if (keyword == "add") {
            item.change = ItemChange::Add;
            item.becomes = Sha(fields, "new checksum");
        } else {
            throw Error("unknown item keyword \"" + std::string(keyword) + "\"");
        }
        item.name = Unescape(fields);
        if (item.name.size() > kLargestName) throw Error("an item name longer than 65535 bytes");
        package.items.push_back(std::move(item));
    }

    void CheckPackageNames(const PatchFile& file, std::size_t line) const
    {
        if (file.change != FileChange::Package) return;
        if (file.was.empty()) throw ErrorAt(line, "the package " + file.path + " has no \"names\" line");
        if (DirectoryNamesSha(OriginalNames(file)) != file.was) {
            throw ErrorAt(line, "the original items' names do not give the checksum on the \"names\" line");
        }
        if (DirectoryNamesSha(NewNames(file)) != file.becomes) {
            throw ErrorAt(line, "the new items' names do not give the checksum on the \"names\" line");
        }
    }

    // A file and a folder of the same path cannot both be in a game folder.
    void CheckNoPathHoldsAnother(const std::set<std::string>& paths) const
    {
        for (const std::string& path : paths) {
            for (std::size_t slash = path.find('/'); slash != std::string::npos; slash = path.find('/', slash + 1)) {
                if (paths.contains(path.substr(0, slash))) throw ErrorAt(0, path.substr(0, slash) + " is both a file and the folder of " + path);
            }
        }
    }

    std::string_view text_;
    const std::string& source_;
    std::size_t rest_ = 0;
    std::size_t number_ = 0;
    std::string_view line_;
    std::size_t originals_ = 0;  // items of the current package's original directory so far
};

}  // namespace

std::string WriteManifest(const PatchManifest& manifest)
{
    std::string text = std::string(kHeader) + "\n";
    text += "title " + ManifestText(manifest.title) + "\n";
    text += "# Apply with: eitool patch apply THIS-FOLDER GAME-FOLDER; undo with: eitool patch remove THIS-FOLDER GAME-FOLDER\n";
    text += "# The contents a patch carries lie in " + std::string(kPatchDataFolder) + "/, named by their SHA-256.\n";
    for (const PatchFile& file : manifest.files) {
        switch (file.change) {
        case FileChange::Change: text += "change " + file.was + " " + file.becomes; break;
        case FileChange::Add: text += "add " + file.becomes; break;
        case FileChange::Delete: text += "delete " + file.was; break;
        case FileChange::Package: text += "package"; break;
        }
        text += " " + ManifestText(file.path) + "\n";
        if (file.change != FileChange::Package) continue;
        text += std::string(kItemIndent) + "names " + file.was + " " + file.becomes + "\n";
        std::size_t index = 0;
        for (const PatchItem& item : file.items) {
            text += std::string(kItemIndent) + std::string(ItemKeyword(item.change));
            if (item.change != ItemChange::Add) text += " " + std::to_string(index++) + " " + item.was;
            if (item.change == ItemChange::Replace || item.change == ItemChange::Add) text += " " + item.becomes;
            text += " " + ManifestText(item.name) + "\n";
        }
    }
    return text;
}

PatchManifest ParseManifest(std::string_view text, const std::string& source) { return ManifestParser(text, source).Parse(); }

std::string DirectoryNamesSha(const std::vector<std::string>& names)
{
    std::vector<std::uint8_t> bytes;
    AppendU32(bytes, static_cast<std::uint32_t>(names.size()));
    for (const std::string& name : names) {
        AppendU16(bytes, static_cast<std::uint32_t>(name.size()));
        bytes.insert(bytes.end(), name.begin(), name.end());
    }
    Sha256 hash;
    hash.Add({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
    return hash.HexDigest();
}

std::vector<std::string> OriginalNames(const PatchFile& package)
{
    std::vector<std::string> names;
    for (const PatchItem& item : package.items) {
        if (item.change != ItemChange::Add) names.push_back(item.name);
    }
    return names;
}

std::vector<std::string> NewNames(const PatchFile& package)
{
    std::vector<std::string> names;
    for (const PatchItem& item : package.items) {
        if (item.change != ItemChange::Remove) names.push_back(item.name);
    }
    return names;
}

}  // namespace eit
