#include "ecrun/NameCheck.h"

#include <algorithm>
#include <string_view>
#include <unordered_set>

#include "ecrun/BinDescFile.h"
#include "ecrun/HostError.h"
#include "ecevents/binlist/ecBinList.h"
#include "ecevents/events/ecEventList.h"
#include "ecevents/foundation/ecError.h"
#include "ecevents/specs/ecEventSpecs.h"
#include "ecevents/specs/ecPar_BinDesc.h"
#include "ecutil/ecXml.h"

namespace {

// The recording's own names are listed only so far: a dataset with
// thousands of distinct names should not fill the screen.
const size_t kShown = 30;

void AddOnce(std::vector<std::string>& to, const std::string& value)
{
    if (std::find(to.begin(), to.end(), value) == to.end())
        to.push_back(value);
}

std::string Quoted(const std::vector<std::string>& values, size_t limit)
{
    std::string text;
    for (size_t i = 0; i < values.size() && i < limit; ++i)
        text += (i ? ", \"" : "\"") + values[i] + "\"";
    if (values.size() > limit)
        text += " and " + std::to_string(values.size() - limit) + " more";
    return text;
}

std::string Message(const std::string& source, const std::string& what, const std::vector<std::string>& missing,
                    const std::string& haveWhat, const std::vector<std::string>& have)
{
    std::string text = source + " " + what + " " + Quoted(missing, missing.size()) + " that no event of the recording carries; ";
    if (have.empty())
        return text + "the recording has no " + haveWhat;
    return text + "the recording's " + haveWhat + " are " + Quoted(have, kShown);
}

} // namespace

NameCheck::Wanted NameCheck::FromBins(const std::string& text, const std::string& path)
{
    Wanted wanted;
    wanted.source = "bin list " + path;
    ecXml xml;
    xml.SetText(text);
    if (xml.Sub("bin_list").IsEmpty())
        return wanted;
    ecBinList bins;
    try {
        ecXml again;
        again.SetText(text);
        bins.ReadXml(again);
    } catch (const ecError&) {
        return wanted;
    }
    for (ecBinDescription& bin : bins.vBinList) {
        for (int i = 0; i < bin.GetNumEvtNames(); ++i)
            AddOnce(wanted.names, bin.GetEvtName(i));
        for (int i = 0; i < bin.GetNumEvtTags(); ++i)
            AddOnce(wanted.tags, bin.GetEvtTag(i));
    }
    return wanted;
}

NameCheck::Wanted NameCheck::FromBinDesc(const std::string& text, const std::string& path)
{
    Wanted wanted;
    wanted.source = "bin description " + path;
    ecPar_BinDesc desc;
    try {
        BinDescFile::Parse(text, path, desc);
    } catch (const HostError&) {
        return wanted;
    }
    for (ecAttribSpec* spec : *desc.GetpAttribSpecList()) {
        ecEventSpecs* specs = spec->GetpEventSpecs();
        for (ecTarget* target : *specs->GetpTargetList())
            for (const std::string& name : *target->GetpEventNames())
                AddOnce(wanted.names, name);
        for (ecConditional* conditional : *specs->GetpConditionalList())
            for (const std::string& name : *conditional->GetpEventNames())
                AddOnce(wanted.names, name);
    }
    return wanted;
}

std::vector<std::string> NameCheck::Missing(const ecEventList& list, const Wanted& wanted)
{
    std::vector<std::string> names, tags;
    // Views of the list's own strings: a long list has few distinct ones.
    std::unordered_set<std::string_view> nameSet, tagSet;
    for (const ecEvent& e : list) {
        if (nameSet.insert(e.m_sName).second)
            names.push_back(e.m_sName);
        for (const std::string& t : e.m_vTags)
            if (tagSet.insert(t).second)
                tags.push_back(t);
    }
    std::vector<std::string> messages;
    std::vector<std::string> missing;
    for (const std::string& n : wanted.names)
        if (!nameSet.count(n))
            missing.push_back(n);
    if (!missing.empty())
        messages.push_back(
            Message(wanted.source, missing.size() == 1 ? "names the event" : "names the events", missing, "event names", names));
    missing.clear();
    for (const std::string& t : wanted.tags)
        if (!tagSet.count(t))
            missing.push_back(t);
    if (!missing.empty())
        messages.push_back(Message(wanted.source, missing.size() == 1 ? "asks for the tag" : "asks for the tags",
                                   missing, "tags", tags));
    return messages;
}
