#include "ecbin/SampleLocator.h"

#include <filesystem>
#include <system_error>

#include "ecrun/HostError.h"

namespace fs = std::filesystem;

const char* SampleLocator::EventsFile()
{
    return "sub-01_task-oddball_events.evt";
}

const char* SampleLocator::BinDescFile()
{
    return "oddball_bindesc.xml";
}

const char* SampleLocator::BinListFile()
{
    return "oddball_binlist.xml";
}

const char* SampleLocator::RulesFile()
{
    return "oddball_rules.yaml";
}

std::vector<std::string> SampleLocator::Candidates()
{
    std::vector<std::string> folders;
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec)
        folders.push_back((self.parent_path() / ECBIN_INSTALLED_SAMPLE_DIR).lexically_normal().string());
    folders.push_back(ECBIN_SOURCE_SAMPLE_DIR);
    return folders;
}

std::string SampleLocator::Find()
{
    std::string tried;
    std::error_code ec;
    for (const std::string& folder : Candidates()) {
        if (fs::is_regular_file(fs::path(folder) / EventsFile(), ec) &&
            fs::is_regular_file(fs::path(folder) / BinDescFile(), ec) &&
            fs::is_regular_file(fs::path(folder) / BinListFile(), ec))
            return folder;
        tried += (tried.empty() ? "" : ", ") + folder;
    }
    throw HostError("the bundled sample was not found (looked in " + tried + ")");
}
