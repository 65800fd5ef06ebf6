#include "ecinterop/ecDatasetRecordings.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "ecinterop/ecFormatError.h"

namespace fs = std::filesystem;

namespace {

bool EndsWith(const std::string& s, const std::string& suffix)
{
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool SkippedFolder(const std::string& name)
{
    return name.empty() || name[0] == '.' || name == "derivatives" || name == "sourcedata";
}

} // namespace

std::string ecDatasetRecordings::Stem(const std::string& path)
{
    std::string stem = fs::path(path).stem().string();
    if (EndsWith(stem, "_events"))
        stem.resize(stem.size() - 7);
    return stem;
}

std::vector<ecDatasetRecordings::Recording> ecDatasetRecordings::Find(const std::string& dataset)
{
    std::vector<Recording> found;
    std::error_code ec;
    fs::recursive_directory_iterator it(dataset, fs::directory_options::skip_permission_denied, ec), end;
    if (ec)
        throw ecFormatError(dataset, "cannot list the folder (" + ec.message() + ")");
    for (; it != end; it.increment(ec)) {
        if (ec)
            throw ecFormatError(dataset, "cannot list the folder (" + ec.message() + ")");
        const std::string name = it->path().filename().string();
        if (it->is_directory(ec)) {
            if (SkippedFolder(name))
                it.disable_recursion_pending();
            continue;
        }
        if (EndsWith(name, "_events.tsv") && it->is_regular_file(ec))
            found.push_back({it->path().string(), it->path().parent_path().lexically_relative(dataset).string()});
    }
    if (found.empty())
        throw ecFormatError(dataset, "the folder holds no *_events.tsv file");
    std::sort(found.begin(), found.end(), [](const Recording& a, const Recording& b) { return a.events < b.events; });
    return found;
}

const std::vector<std::string>& ecDatasetRecordings::EntityKeys()
{
    static const std::vector<std::string> keys{"sub", "ses", "task", "run", "acq"};
    return keys;
}

std::vector<std::pair<std::string, std::string>> ecDatasetRecordings::Entities(const std::string& path)
{
    const std::string stem = Stem(path);
    std::vector<std::pair<std::string, std::string>> found;
    for (const std::string& key : EntityKeys()) {
        for (std::size_t at = 0; at < stem.size();) {
            std::size_t end = stem.find('_', at);
            if (end == std::string::npos)
                end = stem.size();
            const std::string part = stem.substr(at, end - at);
            if (part.size() > key.size() + 1 && part.compare(0, key.size() + 1, key + "-") == 0) {
                found.emplace_back(key, part.substr(key.size() + 1));
                break;
            }
            at = end + 1;
        }
    }
    return found;
}
