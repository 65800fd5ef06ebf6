#include "ecinterop/ecEventFormats.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "ecevents/events/ecEventList.h"
#include "ecinterop/ecBidsEvents.h"
#include "ecinterop/ecBidsSidecar.h"
#include "ecinterop/ecFormatError.h"
#include "ecinterop/ecMneEvents.h"
#include "ecinterop/ecTextTable.h"
#include "ecsafewrite/ecSafeWriter.h"
#include "ecutil/ecXmlWriter.h"

namespace fs = std::filesystem;

namespace {

const char* const kPreXmlMagic = "4b4f5641";

// Enough of a file to tell its format: the pre-XML magic and format code,
// or the root element of a document behind its prolog and comments.
const std::streamsize kHeadBytes = 64 * 1024;

// The tables are known by their names; Auto for anything else.
ecEventFormats::Format TableByName(const std::string& path)
{
    std::string ext = fs::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext == ".tsv" ? ecEventFormats::Bids : ext == ".eve" ? ecEventFormats::Mne : ecEventFormats::Auto;
}

// The first two blank-separated tokens (magic and format code of a pre-XML
// file).
void FirstTokens(const std::string& head, std::string& first, std::string& second)
{
    std::istringstream in(head);
    first.clear();
    second.clear();
    in >> first >> second;
}

struct Head {
    ecEventFormats::Format format = ecEventFormats::Auto;
    // The first bytes, read only when the format is told by them.
    std::string bytes;
};

Head Sniff(const std::string& path, ecEventFormats::Format forced)
{
    Head head;
    head.format = forced == ecEventFormats::Auto ? TableByName(path) : forced;
    if (head.format != ecEventFormats::Auto && head.format != ecEventFormats::Document &&
        head.format != ecEventFormats::PreXml)
        return head;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw ecFormatError(path, "cannot open (missing or unreadable)");
    head.bytes.resize(static_cast<std::size_t>(kHeadBytes));
    in.read(&head.bytes[0], kHeadBytes);
    head.bytes.resize(static_cast<std::size_t>(in.gcount()));
    if (head.format == ecEventFormats::Auto) {
        std::string magic, code;
        FirstTokens(head.bytes, magic, code);
        head.format = magic == kPreXmlMagic ? ecEventFormats::PreXml : ecEventFormats::Document;
    }
    return head;
}

// Only ever sets the rejected bit: a status read from the file that already
// rejects an event stays, and the library then counts it as an exclusion of
// level 0, which is also what a BAD_ stretch becomes.
void MarkExclusions(ecEventList& list)
{
    for (ecEvent& e : list)
        if (ecEventFormats::IsExclusionName(e))
            e.SetRejectedOn();
}

} // namespace

ecEventFormats::Format ecEventFormats::ParseFormat(const std::string& word)
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
    throw ecFormatError("", "unknown event format \"" + word + "\" (use evt, prexml, bids or eve)");
}

std::string ecEventFormats::FormatName(Format format)
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

ecEventFormats::Format ecEventFormats::InputFormat(const std::string& path, Format forced)
{
    return Sniff(path, forced).format;
}

ecEventFormats::Format ecEventFormats::OutputFormat(const std::string& path, Format forced)
{
    Format f = forced == Auto ? TableByName(path) : forced;
    if (f == Auto)
        f = Document;
    if (f == PreXml)
        throw ecFormatError(path, "the pre-XML event file can be read but not written");
    return f;
}

ecEventFormats::Rate ecEventFormats::FindRate(const std::string& path, const ecFormatOptions& options)
{
    Rate found;
    if (options.rate > 0.0f) {
        found.rate = options.rate;
        found.source = "--rate";
    } else if (ecBidsSidecar::FindRate(path, found.rate, found.sidecar)) {
        found.source = found.sidecar;
    } else {
        found.rate = 0.0f;
        found.sidecar.clear();
    }
    return found;
}

ecEventFormats::Loaded ecEventFormats::Read(const std::string& path, const ecFormatOptions& options, ecEventList& list)
{
    return Read(path, options, FindRate(path, options), list);
}

ecEventFormats::Loaded ecEventFormats::Read(const std::string& path, const ecFormatOptions& options, const Rate& known,
                                            ecEventList& list)
{
    std::error_code ec;
    if (!fs::exists(path, ec))
        throw ecFormatError(path, "no such file");
    if (fs::is_directory(path, ec))
        throw ecFormatError(path, "is a folder, not an event file");

    Loaded loaded;
    const Head head = Sniff(path, ParseFormat(options.inputFormat));
    loaded.format = head.format;
    const float rate = known.rate;
    loaded.rateSource = known.source;
    loaded.sidecar = known.sidecar;
    list.Clear();
    list.SetSamplingRate(rate);
    // Before reading: a document's stimulus delay is taken to samples then.
    if (options.exactTime)
        list.SetExactTime(true);

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
            ecBidsEvents::Read(path, options, list);
            break;
        case Mne: {
            double estimate = 0.0;
            ecMneEvents::Read(path, options, list, rate > 0.0f ? nullptr : &estimate);
            if (estimate > 0.0) {
                list.SetSamplingRate(static_cast<float>(estimate));
                loaded.rateSource = "estimated from the time column";
            }
            break;
        }
        case PreXml: {
            std::string magic, code;
            FirstTokens(head.bytes, magic, code);
            if (magic != kPreXmlMagic)
                throw ecFormatError(path, "not a pre-XML event file (it does not start with " + std::string(kPreXmlMagic) + ")");
            if (code != "4" && !(rate > 0.0f))
                throw ecFormatError(path, "this pre-XML event file holds times in seconds: give --rate to place them");
            if (!list.ReadEventFilePreXml(path.c_str(), false))
                throw ecFormatError(std::vector<std::string>{
                    found.empty() ? ecFormatError::Join(path, "pre-XML event file without a readable record")
                                  : ecFormatError::Line(path, found[0])});
            break;
        }
        case Document: {
            if (head.bytes.find("<KOVA_Event_List") == std::string::npos)
                throw ecFormatError(path, "not an event file: expected an event-list document (<KOVA_Event_List>), a "
                                          "pre-XML event file, a BIDS *_events.tsv or an MNE .eve");
            // A document without events reads as false too; only then is
            // the whole file looked at, to tell an empty one from a broken one.
            if (!list.ReadEventFileXml(path.c_str(), false) &&
                ecTextTable::ReadFile(path).find("<Event>") != std::string::npos)
                throw ecFormatError(path, "the event-list document has no readable <Event>");
            list.SetSamplingRate(rate);
            break;
        }
        case Auto:
            break;
        }
        MarkExclusions(list);
    } catch (const ecFormatError&) {
        throw;
    } catch (const std::exception& e) {
        throw ecFormatError(path, e.what());
    }
    for (const ecReadDiagnostic& d : found)
        loaded.warnings.push_back(ecFormatError::Line(path, d));
    if (!loaded.warnings.empty() && !options.lenient)
        throw ecFormatError(loaded.warnings);
    return loaded;
}

void ecEventFormats::WriteDocument(ecEventList& list, const std::string& path)
{
    list.SortEventListInTimelyOrder("");
    ecSafeWriter::Write(path, [&](std::ostream& out) { list.WriteXml(out, ecXmlWriter::Escaping::Text); });
}

void ecEventFormats::Write(ecEventList& list, const std::string& path, const ecFormatOptions& options, Format format)
{
    switch (OutputFormat(path, format == Auto ? ParseFormat(options.outputFormat) : format)) {
    case Bids:
        ecBidsEvents::Write(list, path);
        break;
    case Mne:
        ecMneEvents::Write(list, options, path);
        break;
    default:
        WriteDocument(list, path);
        break;
    }
}

bool ecEventFormats::IsExclusionName(const ecEvent& e)
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
