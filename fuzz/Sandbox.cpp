#include "Sandbox.h"

#include <fstream>
#include <iterator>
#include <unistd.h>

namespace eit::fuzz {

namespace fs = std::filesystem;

Sandbox::Sandbox()
{
    root_ = fs::temp_directory_path() / ("eit-fuzz-" + std::to_string(::getpid()));
    box_ = root_ / "box";
    fs::remove_all(root_);
    fs::create_directories(box_);
    fs::current_path(box_);
}

Sandbox::~Sandbox()
{
    std::error_code ignored;
    fs::current_path(root_.parent_path(), ignored);
    fs::remove_all(root_, ignored);
}

void Sandbox::Reset()
{
    for (const fs::directory_entry& entry : fs::directory_iterator(box_)) fs::remove_all(entry.path());
}

void Sandbox::Put(const std::string& name, std::string_view bytes) const
{
    std::ofstream out(box_ / name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    Require(out.good(), "cannot write the input file " + name);
}

Bytes Sandbox::Get(const std::string& name) const
{
    std::ifstream in(box_ / name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Sandbox::NameOf(const std::string& path) const
{
    const fs::path name = fs::path(path).lexically_normal().lexically_relative(box_);
    return name.empty() || *name.begin() == ".." ? std::string() : name.string();
}

std::map<std::string, Bytes> Sandbox::Files() const
{
    for (const fs::directory_entry& entry : fs::directory_iterator(root_)) {
        Require(entry.path() == box_, "output outside the target folder: " + entry.path().string());
    }
    std::map<std::string, Bytes> files;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(box_)) {
        const std::string name = fs::relative(entry.path(), box_).string();
        if (entry.is_directory()) continue;
        Require(entry.is_regular_file() && !entry.is_symlink(), "something other than a file or folder: " + name);
        files[name] = Get(name);
    }
    return files;
}

Sandbox& FreshSandbox()
{
    static Sandbox box;
    box.Reset();
    return box;
}

FuzzRun::FuzzRun(const Sandbox& box, const std::string& targetFolder)
{
    ctx.settings.TargetDir = box.Path(targetFolder);
    fs::create_directories(ctx.settings.TargetDir);
}

}  // namespace eit::fuzz
