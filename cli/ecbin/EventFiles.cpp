#include "ecbin/EventFiles.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "ecbin/BidsEvents.h"
#include "ecbin/BidsSidecar.h"
#include "ecbin/HostError.h"
#include "ecbin/MneEvents.h"
#include "ecbin/ReadNotes.h"
#include "ecbin/TextTable.h"
#include "ecevents/events/ecEventList.h"
#include "ecevents/foundation/ecError.h"
#include "ecsafewrite/ecSafeWriter.h"

namespace fs = std::filesystem;

namespace {

const char* const kPreXmlMagic = "4b4f5641";

std::string Extension(const std::string& path)
{
    std::string ext = fs::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

// The first two blank-separated tokens of a file (magic and format code of
// a pre-XML file).
void FirstTokens(const std::string& path, std::string& first, std::string& second)
{
    std::ifstream in(path, std::ios::binary);
    first.clear();
    second.clear();
    if (in)
        in >> first >> second;
}

} // namespace

EventFiles::Format EventFiles::ParseFormat(const std::string& word)
{
    std::string w = word;
    std::transform(w.begin(), w.end(), w.begin(), [](unsigned char c) { return std::tolower(c); });
    if (w.empty() || w == "auto")
        return Auto;
    if (w == "evt" || w == "xml" || w == "document")
        return Document;
    if (w == "prexml" || w == "pre-xml")
        return PreXml;
    if (w == "bids" || w == "tsv")
        return Bids;
    if (w == "eve" || w == "mne")
        return Mne;
    throw HostError("unknown event format \"" + word + "\" (use evt, prexml, bids or eve)");
}

std::string EventFiles::FormatName(Format format)
{
    switch (format) {
    case Document:
        return "event-list document";
    case PreXml:
        return "pre-XML event file";
    case Bids:
        return "BIDS events table";
    case Mne:
        return "MNE event file";
    case Auto:
        break;
    }
    return "unknown";
}

EventFiles::Format EventFiles::InputFormat(const std::string& path, Format forced)
{
    if (forced != Auto)
        return forced;
    const std::string ext = Extension(path);
    if (ext == ".tsv")
        return Bids;
    if (ext == ".eve")
        return Mne;
    std::string magic, code;
    FirstTokens(path, magic, code);
    return magic == kPreXmlMagic ? PreXml : Document;
}

EventFiles::Format EventFiles::OutputFormat(const std::string& path, Format forced)
{
    Format f = forced;
    if (f == Auto) {
        const std::string ext = Extension(path);
        f = ext == ".tsv" ? Bids : ext == ".eve" ? Mne : Document;
    }
    if (f == PreXml)
        throw HostError(path, "the pre-XML event file can be read but not written");
    return f;
}

EventFiles::Loaded EventFiles::Read(const std::string& path, const EventOptions& options, ecEventList& list)
{
    std::error_code ec;
    if (!fs::exists(path, ec))
        throw HostError(path, "no such file");
    if (fs::is_directory(path, ec))
        throw HostError(path, "is a folder, not an event file");

    Loaded loaded;
    loaded.format = InputFormat(path, ParseFormat(options.inputFormat));
    float rate = options.rate;
    if (rate > 0.0f) {
        loaded.rateSource = "--rate";
    } else {
        std::string sidecar;
        if (BidsSidecar::FindRate(path, rate, sidecar))
            loaded.rateSource = sidecar;
        else
            rate = 0.0f;
    }
    list.Clear();
    list.SetSamplingRate(rate);

    // The list reports to found while this read lasts, and never after.
    std::vector<ecReadDiagnostic> found;
    struct Diagnosing {
        ecEventList& list;
        ~Diagnosing() { list.SetReadDiagnostics(nullptr); }
    } diagnosing{list};
    list.SetReadDiagnostics(&found);
    try {
        switch (loaded.format) {
        case Bids:
            BidsEvents::Read(path, options, list);
            break;
        case Mne: {
            double estimate = 0.0;
            MneEvents::Read(path, options, list, rate > 0.0f ? nullptr : &estimate);
            if (estimate > 0.0) {
                list.SetSamplingRate(static_cast<float>(estimate));
                loaded.rateSource = "estimated from the time column";
            }
            break;
        }
        case PreXml: {
            std::string magic, code;
            FirstTokens(path, magic, code);
            if (magic != kPreXmlMagic)
                throw HostError(path, "not a pre-XML event file (it does not start with " + std::string(kPreXmlMagic) + ")");
            if (code != "4" && !(rate > 0.0f))
                throw HostError(path, "this pre-XML event file holds times in seconds: give --rate to place them");
            if (!list.ReadEventFilePreXml(path.c_str(), false))
                throw HostError(found.empty() ? HostError::Format(path, "pre-XML event file without a readable record")
                                              : ReadNotes::Line(path, found[0]));
            break;
        }
        case Document: {
            const std::string text = TextTable::ReadFile(path);
            if (text.find("<KOVA_Event_List") == std::string::npos)
                throw HostError(path, "not an event file: expected an event-list document (<KOVA_Event_List>), a "
                                      "pre-XML event file, a BIDS *_events.tsv or an MNE .eve");
            if (!list.ReadEventFileXml(path.c_str(), false) && text.find("<Event>") != std::string::npos)
                throw HostError(path, "the event-list document has no readable <Event>");
            list.SetSamplingRate(rate);
            break;
        }
        case Auto:
            break;
        }
        MarkExclusions(list);
    } catch (const HostError&) {
        throw;
    } catch (const ecError& e) {
        throw HostError(path, e.what());
    } catch (const std::exception& e) {
        throw HostError(path, e.what());
    }
    ReadNotes notes(options.lenient);
    notes.Settle(path, found);
    loaded.warnings = notes.Warnings();
    return loaded;
}

std::string EventFiles::EscapeText(const std::string& text)
{
    if (text.find_first_of("&<>") == std::string::npos)
        return text;
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

void EventFiles::WriteDocument(const ecEventList& list, const std::string& path)
{
    ecEventList copy(list);
    for (ecEvent& e : copy) {
        e.m_sName = EscapeText(e.m_sName);
        for (std::string& t : e.m_vTags)
            t = EscapeText(t);
    }
    copy.SetAnnotation(EscapeText(copy.GetAnnotation()));
    // The library's Write cannot report a failed write, so the document goes
    // through WriteXml into the checked stream, with Write's sort and
    // dirty-flag reset around it.
    ecSafeWriter::Write(path, [&](std::ostream& out) {
        try {
            copy.SortEventListInTimelyOrder("");
            copy.WriteXml(out);
            copy.SetDirty(false);
        } catch (const ecError& e) {
            throw HostError(path, e.what());
        }
    });
}

void EventFiles::Write(ecEventList& list, const std::string& path, const EventOptions& options, Format format)
{
    switch (OutputFormat(path, format == Auto ? ParseFormat(options.outputFormat) : format)) {
    case Bids:
        BidsEvents::Write(list, path);
        break;
    case Mne:
        MneEvents::Write(list, options, path);
        break;
    default:
        WriteDocument(list, path);
        break;
    }
}

bool EventFiles::IsExclusionName(const ecEvent& e)
{
    if (e.ExclusionLevelNameOnly() >= 0)
        return true;
    static const char kBad[] = "BAD_";
    const std::string& name = e.m_sName;
    if (name.size() < sizeof kBad - 1)
        return false;
    for (size_t i = 0; i + 1 < sizeof kBad; ++i)
        if (std::toupper(static_cast<unsigned char>(name[i])) != kBad[i])
            return false;
    return true;
}

void EventFiles::MarkExclusions(ecEventList& list)
{
    // Only ever sets the rejected bit: a status read from the file that
    // already rejects an event stays, and the library then counts it as an
    // exclusion of level 0, which is also what a BAD_ stretch becomes.
    for (ecEvent& e : list)
        if (IsExclusionName(e))
            e.SetRejectedOn();
}

void EventFiles::AddRead(ecEventList& list, ecEvent& e)
{
    e.SetRejectedOff();
    e.m_nLoadCount = 1;
    list.push_back(e);
    list.AddUniqueEventName(e.m_sName);
}
