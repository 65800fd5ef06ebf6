#include "ecrun/RecordingSet.h"

#include <filesystem>
#include <map>
#include <system_error>

#include "ecrun/HostError.h"
#include "ecinterop/ecBidsDerivatives.h"
#include "ecinterop/ecDatasetRecordings.h"
#include "ecsafewrite/ecOutputGuard.h"

namespace fs = std::filesystem;

std::vector<RecordingSet::Recording> RecordingSet::Collect(const std::vector<std::string>& inputs,
                                                           const std::string& out, bool& batch)
{
    using Found = ecDatasetRecordings::Recording;
    std::vector<Found> found;
    bool anyFolder = false;
    std::error_code ec;
    for (const std::string& input : inputs) {
        if (fs::is_directory(input, ec)) {
            anyFolder = true;
            const std::vector<Found> here = ecDatasetRecordings::Find(input);
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
        r.events = f.events;
        if (!out.empty()) {
            if (!batch) {
                r.outBase = out;
            } else {
                fs::path base = fs::path(out);
                if (!f.folder.empty() && f.folder != ".")
                    base /= f.folder;
                r.outBase = (base / ecDatasetRecordings::Stem(f.events)).lexically_normal().string();
            }
            auto owner = owners.find(r.outBase);
            if (owner != owners.end())
                throw HostError(f.events, "would write the same outputs (" + r.outBase + "_*.evt) as " + owner->second +
                                            "; run them separately");
            owners[r.outBase] = f.events;
        }
        recordings.push_back(r);
    }
    return recordings;
}

void RecordingSet::CheckDerivatives(const std::vector<std::string>& inputs, const std::string& out,
                                    const std::string& option, ecOutputGuard& guard)
{
    if (out.empty())
        throw HostError(option + " writes a derivatives dataset: give its folder as the output");
    std::error_code ec;
    for (const std::string& input : inputs)
        if (fs::exists(input, ec) && !fs::is_directory(input, ec))
            throw HostError(input, option + " mirrors BIDS dataset folders: give the dataset's folder, not its event "
                                            "files");
    // A derivatives dataset goes beside the raw one (or in its derivatives
    // folder), never over it.
    for (const std::string& dataset : inputs)
        guard.AddInput(ecBidsDerivatives::DescriptionName(dataset));
    guard.Claim(ecBidsDerivatives::DescriptionName(out));
}
