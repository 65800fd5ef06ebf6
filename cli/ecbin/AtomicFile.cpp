#include "ecbin/AtomicFile.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <system_error>

#include <unistd.h>

#include "ecbin/HostError.h"

namespace fs = std::filesystem;

std::string AtomicFile::TemporaryName(const std::string& path)
{
    static std::atomic<unsigned long> counter{0};
    fs::path p(path);
    std::string name = "." + p.filename().string() + ".tmp-" + std::to_string(static_cast<long>(::getpid())) + "-" +
                       std::to_string(counter.fetch_add(1));
    return (p.parent_path() / name).string();
}

void AtomicFile::Write(const std::string& path, const std::function<void(const std::string&)>& produce)
{
    fs::path p(path);
    std::error_code ec;
    if (p.filename().empty())
        throw HostError(path, "not a file name");
    if (!p.parent_path().empty()) {
        fs::create_directories(p.parent_path(), ec);
        if (ec)
            throw HostError(p.parent_path().string(), "cannot create folder (" + ec.message() + ")");
    }
    if (fs::is_directory(p, ec))
        throw HostError(path, "is a folder");
    const std::string temporary = TemporaryName(path);
    try {
        produce(temporary);
        if (!fs::is_regular_file(temporary, ec))
            throw HostError(path, "cannot write (the folder may not be writable)");
        fs::rename(temporary, p, ec);
        if (ec)
            throw HostError(path, "cannot rename the written file into place (" + ec.message() + ")");
    } catch (...) {
        fs::remove(temporary, ec);
        throw;
    }
}

void AtomicFile::WriteText(const std::string& path, const std::string& text)
{
    Write(path, [&](const std::string& temporary) {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out)
            throw HostError(path, "cannot open for writing");
        out << text;
        out.close();
        if (!out)
            throw HostError(path, "write failed (disk full?)");
    });
}
