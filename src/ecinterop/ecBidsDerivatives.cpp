#include "ecinterop/ecBidsDerivatives.h"

#include <algorithm>
#include <filesystem>

#include "ecevents/events/ecEventList.h"
#include "ecinterop/ecTextTable.h"
#include "ecsafewrite/ecSafeWriter.h"
#include "ecutil/ecSha256.h"

namespace {

const char* kSuffix = "_desc-bins_events.tsv";
const char* kBinPrefix = "bin_";

// Bytes that are not well-formed UTF-8 become U+FFFD, so that a file name
// from any file system still gives valid JSON.
size_t Utf8Length(const std::string& text, size_t i)
{
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80)
        return 1;
    size_t length = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
    if (length == 0 || i + length > text.size())
        return 0;
    unsigned long code = c & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
        const unsigned char next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80)
            return 0;
        code = code << 6 | (next & 0x3F);
    }
    const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    if (overlong || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
        return 0;
    return length;
}

std::string Json(const std::string& text)
{
    static const char digits[] = "0123456789abcdef";
    std::string out = "\"";
    for (size_t i = 0; i < text.size();) {
        const size_t length = Utf8Length(text, i);
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (length != 1) {
            out += length == 0 ? std::string("\xEF\xBF\xBD") : text.substr(i, length);
            i += length == 0 ? 1 : length;
            continue;
        }
        ++i;
        if (c == '"' || c == '\\')
            out += std::string("\\") + static_cast<char>(c);
        else if (c < 0x20 || c == 0x7F)
            out += std::string("\\u00") + digits[c >> 4] + digits[c & 0xF];
        else
            out += static_cast<char>(c);
    }
    return out + "\"";
}

// The sidecar entry of one column, "" for a column nothing here writes.
std::string ColumnEntry(const std::string& column, const std::vector<ecBidsDerivatives::Bin>& bins)
{
    const auto described = [](const std::string& text, const std::string& more = "") {
        return "{\"Description\": " + Json(text) + more + "}";
    };
    const std::string seconds = ", \"Units\": \"s\"";
    if (column == "onset")
        return described("Onset of the event from the start of the recording", seconds);
    if (column == "duration")
        return described("Duration of the event (0: a point event)", seconds);
    if (column == "sample")
        return described("Onset of the event in samples");
    if (column == "trial_type")
        return described("The event's name");
    if (column == "tags")
        return described("The attribute tags the tagging gave the event, separated by \";\"");
    if (column.compare(0, 3, "rt_") == 0)
        return described("Response time of the factor " + column.substr(3) +
                             ": for an event tagged with it, the time to the event that ends it; n/a for the others",
                         seconds);
    for (auto b = bins.rbegin(); b != bins.rend(); ++b)
        if (ecBidsDerivatives::ColumnName(b->id) == column)
            return described("Bin " + b->id + ": " + b->description,
                             ", \"Levels\": {\"true\": \"one of the bin's events\", \"false\": \"not one of the bin's "
                             "events\"}");
    return "";
}

} // namespace

std::string ecBidsDerivatives::TableName(const std::string& outBase)
{
    return outBase + kSuffix;
}

std::string ecBidsDerivatives::SidecarName(const std::string& table)
{
    const std::string tsv = ".tsv";
    const bool endsInTsv = table.size() >= tsv.size() && table.compare(table.size() - tsv.size(), tsv.size(), tsv) == 0;
    return (endsInTsv ? table.substr(0, table.size() - tsv.size()) : table) + ".json";
}

std::string ecBidsDerivatives::ColumnName(const std::string& binId)
{
    return kBinPrefix + binId;
}

void ecBidsDerivatives::WriteEvents(const ecEventList& list, const std::vector<Bin>& bins,
                                    const std::vector<ecBidsEvents::SecondsColumn>& rt, const std::string& table)
{
    std::vector<ecBidsEvents::TextColumn> columns;
    for (const Bin& bin : bins) {
        ecBidsEvents::TextColumn column{ColumnName(bin.id), {}};
        for (bool in : bin.events)
            column.values.push_back(in ? "true" : "false");
        auto same = std::find_if(columns.begin(), columns.end(),
                                 [&](const ecBidsEvents::TextColumn& c) { return c.name == column.name; });
        if (same != columns.end())
            *same = std::move(column);
        else
            columns.push_back(std::move(column));
    }
    const std::string text = ecBidsEvents::WriteText(list, table, rt, columns);
    // The sidecar follows the header as written, so that it names exactly
    // the table's columns.
    std::string sidecar = "{";
    const std::vector<std::string> header = ecTextTable::SplitTabs(text.substr(0, text.find('\n')));
    for (size_t i = 0; i < header.size(); ++i)
        sidecar += (i ? ",\n  " : "\n  ") + Json(header[i]) + ": " + ColumnEntry(header[i], bins);
    sidecar += "\n}\n";
    // The sidecar first: a table is never left without its description.
    ecSafeWriter::WriteText(SidecarName(table), sidecar);
    ecSafeWriter::WriteText(table, text);
}

std::string ecBidsDerivatives::DescriptionName(const std::string& folder)
{
    return (std::filesystem::path(folder) / "dataset_description.json").string();
}

std::string ecBidsDerivatives::Version()
{
    return ECINTEROP_VERSION;
}

std::string ecBidsDerivatives::DescriptionText(const std::vector<Document>& documents)
{
    std::string rules;
    for (size_t i = 0; i < documents.size(); ++i)
        rules += std::string(i ? ",\n" : "\n") + "        {\"File\": " + Json(documents[i].name) +
                 ", \"SHA256\": " + Json(ecSha256::Of(documents[i].text)) + "}";
    return "{\n"
           "  \"Name\": \"Events in bins\",\n"
           "  \"BIDSVersion\": \"1.9.0\",\n"
           "  \"DatasetType\": \"derivative\",\n"
           "  \"GeneratedBy\": [\n"
           "    {\n"
           "      \"Name\": \"ecevents\",\n"
           "      \"Version\": " + Json(Version()) + ",\n"
           "      \"Description\": \"Events tagged and sorted into bins; Rules fingerprints the documents used\",\n"
           "      \"Rules\": [" + rules + (documents.empty() ? "]\n" : "\n      ]\n") +
           "    }\n"
           "  ]\n"
           "}\n";
}

void ecBidsDerivatives::WriteDescription(const std::string& folder, const std::vector<Document>& documents)
{
    ecSafeWriter::WriteText(DescriptionName(folder), DescriptionText(documents));
}
