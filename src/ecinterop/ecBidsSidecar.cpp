#include "ecinterop/ecBidsSidecar.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char* const kModalities[] = {"_eeg.json", "_meg.json", "_ieeg.json"};

bool EndsWith(const std::string& s, const std::string& suffix)
{
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

using EntityMap = std::map<std::string, std::string>;

// Splits "sub-01_ses-2_task-x" into key/value entities; none when a piece
// is not of the form key-value.
std::optional<EntityMap> Entities(const std::string& stem)
{
    EntityMap out;
    if (stem.empty())
        return out;
    std::stringstream in(stem);
    std::string piece;
    while (std::getline(in, piece, '_')) {
        size_t dash = piece.find('-');
        if (dash == std::string::npos || dash == 0)
            return std::nullopt;
        out[piece.substr(0, dash)] = piece.substr(dash + 1);
    }
    return out;
}

bool IsSubset(const EntityMap& part, const EntityMap& whole)
{
    for (const auto& kv : part) {
        auto w = whole.find(kv.first);
        if (w == whole.end() || w->second != kv.second)
            return false;
    }
    return true;
}

} // namespace

bool ecBidsSidecar::ParseRate(const std::string& json, double& rate)
{
    const std::string key = "\"SamplingFrequency\"";
    size_t at = json.find(key);
    if (at == std::string::npos)
        return false;
    size_t i = at + key.size();
    while (i < json.size() && (json[i] == ' ' || json[i] == '\t' || json[i] == '\r' || json[i] == '\n'))
        ++i;
    if (i >= json.size() || json[i] != ':')
        return false;
    ++i;
    // strtod skips the blanks after the colon itself.
    const char* begin = json.c_str() + i;
    char* end = nullptr;
    double value = std::strtod(begin, &end);
    if (end == begin || !(value > 0.0) || value > 1e9)
        return false;
    rate = value;
    return true;
}

bool ecBidsSidecar::ReadRate(const std::string& jsonFile, float& rate)
{
    std::ifstream in(jsonFile, std::ios::binary);
    if (!in)
        return false;
    std::stringstream text;
    text << in.rdbuf();
    double value = 0.0;
    if (!ParseRate(text.str(), value))
        return false;
    rate = static_cast<float>(value);
    return true;
}

bool ecBidsSidecar::FindRate(const std::string& eventsFile, float& rate, std::string& sidecar)
{
    fs::path file(eventsFile);
    std::string name = file.filename().string();
    size_t dot = name.find('.');
    std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
    if (!EndsWith(stem, "_events"))
        return false;
    stem.resize(stem.size() - std::string("_events").size());
    const std::optional<EntityMap> wanted = Entities(stem);
    if (!wanted)
        return false;

    std::error_code ec;
    fs::path dir = fs::absolute(file, ec).lexically_normal().parent_path();
    if (ec)
        return false;
    // The folders that may hold a sidecar: the events file's own, and those
    // above it up to the dataset root when there is one.
    std::vector<fs::path> folders{dir};
    fs::path up = dir;
    for (int depth = 0; depth < 32; ++depth, up = up.parent_path()) {
        if (fs::exists(up / "dataset_description.json", ec)) {
            for (fs::path p = dir; p != up;) {
                p = p.parent_path();
                folders.push_back(p);
            }
            break;
        }
        if (up == up.root_path() || up.parent_path() == up)
            break;
    }
    struct Candidate {
        size_t entities;
        std::string path;
    };
    for (const fs::path& folder : folders) {
        std::vector<Candidate> candidates;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            std::string n = it->path().filename().string();
            for (const char* suffix : kModalities) {
                if (!EndsWith(n, suffix))
                    continue;
                const std::optional<EntityMap> have = Entities(n.substr(0, n.size() - std::string(suffix).size()));
                if (have && IsSubset(*have, *wanted))
                    candidates.push_back({have->size(), it->path().string()});
            }
        }
        std::sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
            return a.entities != b.entities ? a.entities > b.entities : a.path < b.path;
        });
        for (const Candidate& c : candidates)
            if (ReadRate(c.path, rate)) {
                sidecar = c.path;
                return true;
            }
    }
    return false;
}
