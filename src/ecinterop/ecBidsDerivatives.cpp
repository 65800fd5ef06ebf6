#include "ecinterop/ecBidsDerivatives.h"

#include <algorithm>
#include <filesystem>

#include "ecevents/events/ecEventList.h"
#include "ecinterop/SafeText.h"
#include "ecinterop/ecTextTable.h"
#include "ecsafewrite/ecSafeWriter.h"
#include "ecutil/ecSha256.h"

namespace {

const char* kSuffix = "_desc-bins_events.tsv";
const char* kBinPrefix = "bin_";

// The sidecar entry of one column, "" for a column nothing here writes.
std::string ColumnEntry(const std::string& column, const std::vector<ecBidsDerivatives::Bin>& bins)
{
    const auto described = [](const std::string& text, const std::string& more = "") {
        return "{\"Description\": " + SafeText::Json(text) + more + "}";
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
        sidecar += (i ? ",\n  " : "\n  ") + SafeText::Json(header[i]) + ": " + ColumnEntry(header[i], bins);
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
        rules += std::string(i ? ",\n" : "\n") + "        {\"File\": " + SafeText::Json(documents[i].name) +
                 ", \"SHA256\": " + SafeText::Json(ecSha256::Of(documents[i].text)) + "}";
    return "{\n"
           "  \"Name\": \"Events in bins\",\n"
           "  \"BIDSVersion\": \"1.9.0\",\n"
           "  \"DatasetType\": \"derivative\",\n"
           "  \"GeneratedBy\": [\n"
           "    {\n"
           "      \"Name\": \"ecevents\",\n"
           "      \"Version\": " + SafeText::Json(Version()) + ",\n"
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
