#pragma once
// Temporary folders and byte-level file helpers for tests. Like everything in
// support/, it needs no test framework (the fuzz targets and the sample maker
// use it too); fixtures/ holds what needs GoogleTest.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>
#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif

namespace eit::test {

using Bytes = std::string;

inline Bytes ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteAll(const std::filesystem::path& path, const Bytes& bytes)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline void PutU16(Bytes& b, std::uint16_t v)
{
    b += static_cast<char>(v & 0xFF);
    b += static_cast<char>(v >> 8);
}

inline void PutU32(Bytes& b, std::uint32_t v)
{
    for (int s = 0; s < 32; s += 8) b += static_cast<char>((v >> s) & 0xFF);
}

inline std::uint32_t GetU32(const Bytes& b, std::size_t at)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<std::uint8_t>(b.at(at + static_cast<std::size_t>(i)));
    return v;
}

// The error of a write failure injected into the file layer (as a full disk
// would fail), naming the file being written.
inline std::string InjectedWriteError(const std::string& path)
{
    return "Stream write error: No space left on device (writing " + path + ")";
}

// The system's reasons that the file layer adds to "Cannot open file %s":
// nothing at the path, a missing folder on it, a file another process holds.
#ifdef _WIN32
// As the system words them (Wine words them otherwise than Windows).
inline std::string SystemText(unsigned long code)
{
    char text[512] = {};
    const unsigned long n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text, sizeof text, nullptr);
    std::string reason(text, n);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' ' || reason.back() == '.')) reason.pop_back();
    return reason;
}
inline const std::string kNoSuchFile = SystemText(ERROR_FILE_NOT_FOUND);
inline const std::string kNoSuchFolder = SystemText(ERROR_PATH_NOT_FOUND);
inline const std::string kHeldElsewhere = SystemText(ERROR_SHARING_VIOLATION);
#else
inline const std::string kNoSuchFile = "No such file or directory";
inline const std::string kNoSuchFolder = kNoSuchFile;
inline const std::string kHeldElsewhere = "another program holds it open (a replay or extraction of it may be under way)";
#endif

// A fresh, empty folder for one test, removed afterwards.
class TempFolder {
public:
    TempFolder()
    {
        static std::mt19937_64 random{std::random_device{}()};
        path_ = std::filesystem::temp_directory_path() / ("eit-test-" + std::to_string(random()));
        std::filesystem::create_directories(path_);
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& path() const { return path_; }
    // The path of `name` below the folder; "/" in `name` becomes the
    // platform's separator, so results compare equal to the tool's paths.
    std::string operator/(const std::string& name) const { return (path_ / name).make_preferred().string(); }
    std::string str() const { return path_.string(); }

private:
    std::filesystem::path path_;
};

// The text with every "D/name" (up to a blank, a colon, a comma, a quote or
// a line end) made the path of `name` below `dir`: for expected messages.
inline std::string PathsIn(std::string text, const TempFolder& dir)
{
    for (std::size_t at = 0; (at = text.find("D/", at)) != std::string::npos;) {
        const std::size_t end = std::min(text.find_first_of("\r\n,: \"", at), text.size());
        const std::string path = dir / text.substr(at + 2, end - at - 2);
        text.replace(at, end - at, path);
        at += path.size();
    }
    return text;
}

// Every file below a folder, relative path (with "/") to contents.
inline std::map<std::string, Bytes> Snapshot(const std::filesystem::path& folder)
{
    std::map<std::string, Bytes> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        files[std::filesystem::relative(entry.path(), folder).generic_string()] = ReadAll(entry.path());
    }
    return files;
}

// Whether a file that a rewrite builds beside another is left below a folder.
inline bool AnyFileBeside(const std::filesystem::path& folder)
{
    for (const auto& [name, bytes] : Snapshot(folder)) {
        if (name.find(".eit-new") != std::string::npos) return true;
    }
    return false;
}

}  // namespace eit::test
