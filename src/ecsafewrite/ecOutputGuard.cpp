#include "ecsafewrite/ecOutputGuard.h"

#include <filesystem>
#include <system_error>

#include <sys/stat.h>

#include "ecsafewrite/ecSafeWriter.h"

namespace fs = std::filesystem;

namespace {

std::string Inode(const struct stat& st)
{
    return std::to_string(static_cast<unsigned long long>(st.st_dev)) + ":" +
           std::to_string(static_cast<unsigned long long>(st.st_ino));
}

// The folder entry a name stands for: its nearest existing folder by
// identity, and the names below it as written.
std::string FolderEntry(const std::string& path)
{
    std::error_code ec;
    fs::path full = fs::absolute(path, ec);
    if (ec)
        full = path;
    full = full.lexically_normal();
    if (full.filename().empty())
        full = full.parent_path();
    std::string below;
    for (fs::path at = full.parent_path();; at = at.parent_path()) {
        struct stat st;
        if (::stat(at.c_str(), &st) == 0)
            return Inode(st) + below + "/" + full.filename().string();
        if (at == at.parent_path())
            return full.string();
        below = "/" + at.filename().string() + below;
    }
}

} // namespace

std::vector<std::string> ecOutputGuard::Identities(const std::string& path)
{
    std::vector<std::string> ids;
    struct stat st;
    if (::stat(path.c_str(), &st) == 0)
        ids.push_back(Inode(st));
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
        ids.push_back(Inode(st));
    ids.push_back("entry " + FolderEntry(path));
    return ids;
}

bool ecOutputGuard::Overlap(const std::vector<std::string>& a, const std::vector<std::string>& b)
{
    for (const std::string& x : a)
        for (const std::string& y : b)
            if (x == y)
                return true;
    return false;
}

bool ecOutputGuard::SameFile(const std::string& a, const std::string& b)
{
    return Overlap(Identities(a), Identities(b));
}

void ecOutputGuard::AddInput(const std::string& path)
{
    if (path.empty())
        return;
    Entry entry{path, Identities(path)};
    std::lock_guard<std::mutex> lock(m_mutex);
    m_inputs.push_back(std::move(entry));
}

void ecOutputGuard::Claim(const std::string& path)
{
    if (ecSafeWriter::IsStandardOutput(path))
        return;
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
        return;
    Entry entry{path, Identities(path)};
    auto also = [&](const std::string& other) { return other == path ? std::string() : " (" + other + ")"; };
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const Entry& input : m_inputs)
        if (Overlap(entry.ids, input.ids))
            throw ecWriteError(path, "refusing to overwrite an input file of this run" + also(input.path));
    for (const Entry& output : m_outputs)
        if (Overlap(entry.ids, output.ids))
            throw ecWriteError(path, "refusing to overwrite another output of this run" + also(output.path));
    m_outputs.push_back(std::move(entry));
}
