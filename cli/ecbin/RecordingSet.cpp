#include "ecbin/RecordingSet.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <system_error>

#include "ecbin/HostError.h"

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

std::string RecordingSet::Stem(const std::string& path)
{
    std::string stem = fs::path(path).stem().string();
    if (EndsWith(stem, "_events"))
        stem.resize(stem.size() - 7);
    return stem;
}

std::vector<RecordingSet::Recording> RecordingSet::Collect(const std::vector<std::string>& inputs,
                                                           const std::string& out, bool& batch)
{
    struct Found {
        std::string path;
        std::string relativeFolder;
    };
    std::vector<Found> found;
    bool anyFolder = false;
    std::error_code ec;
    for (const std::string& input : inputs) {
        if (fs::is_directory(input, ec)) {
            anyFolder = true;
            std::vector<Found> here;
            fs::recursive_directory_iterator it(input, fs::directory_options::skip_permission_denied, ec), end;
            if (ec)
                throw HostError(input, "cannot list the folder (" + ec.message() + ")");
            for (; it != end; it.increment(ec)) {
                if (ec)
                    throw HostError(input, "cannot list the folder (" + ec.message() + ")");
                const std::string name = it->path().filename().string();
                if (it->is_directory(ec)) {
                    if (SkippedFolder(name))
                        it.disable_recursion_pending();
                    continue;
                }
                if (EndsWith(name, "_events.tsv") && it->is_regular_file(ec))
                    here.push_back({it->path().string(), it->path().parent_path().lexically_relative(input).string()});
            }
            if (here.empty())
                throw HostError(input, "the folder holds no *_events.tsv file");
            std::sort(here.begin(), here.end(), [](const Found& a, const Found& b) { return a.path < b.path; });
            found.insert(found.end(), here.begin(), here.end());
        } else if (fs::exists(input, ec)) {
            found.push_back({input, ""});
        } else {
            throw HostError(input, "no such file or folder");
        }
    }
    batch = anyFolder || found.size() > 1;

    std::vector<Recording> recordings;
    std::map<std::string, std::string> owners;
    for (const Found& f : found) {
        Recording r;
        r.events = f.path;
        if (!out.empty()) {
            if (!batch) {
                r.outBase = out;
            } else {
                fs::path base = fs::path(out);
                if (!f.relativeFolder.empty() && f.relativeFolder != ".")
                    base /= f.relativeFolder;
                r.outBase = (base / Stem(f.path)).lexically_normal().string();
            }
            auto owner = owners.find(r.outBase);
            if (owner != owners.end())
                throw HostError(f.path, "would write the same outputs (" + r.outBase + "_*.evt) as " + owner->second +
                                            "; run them separately");
            owners[r.outBase] = f.path;
        }
        recordings.push_back(r);
    }
    return recordings;
}
