#include "ecrun/RunSummary.h"

#include <algorithm>
#include <cmath>
#include <cctype>
#include <ostream>
#include <sstream>

#include "ecinterop/SafeText.h"
#include "ecinterop/ecDatasetRecordings.h"
#include "ecinterop/ecTextTable.h"
#include "ecsafewrite/ecSafeWriter.h"

RunSummary::RunSummary(std::vector<RecordingResult> results) : m_results(std::move(results)) {}

const std::vector<RecordingResult>& RunSummary::Results() const
{
    return m_results;
}

int RunSummary::Failed() const
{
    return static_cast<int>(std::count_if(m_results.begin(), m_results.end(),
                                          [](const RecordingResult& r) { return !r.ok; }));
}

std::vector<std::string> RunSummary::RtHeaders() const
{
    std::vector<std::string> factors;
    for (const RecordingResult& r : m_results)
        if (factors.empty())
            factors = r.rtFactors;
    std::vector<std::string> headers;
    for (const std::string& f : factors) {
        const std::string suffix = factors.size() == 1 ? "" : "_" + f;
        headers.push_back("rt_mean" + suffix);
        headers.push_back("rt_median" + suffix);
    }
    return headers;
}

std::vector<std::string> RunSummary::RtCells(const RecordingResult::Bin& bin, int decimals, const char* none)
{
    std::vector<std::string> cells;
    for (size_t f = 0; f < bin.rtMean.size() && f < bin.rtMedian.size(); ++f)
        for (double v : {bin.rtMean[f], bin.rtMedian[f]})
            cells.push_back(std::isfinite(v) ? ecTextTable::Fixed(v, decimals) : none);
    return cells;
}

void RunSummary::PrintTable(std::ostream& out, bool withRecording) const
{
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> header;
    if (withRecording)
        header.push_back("recording");
    for (const char* h : {"bin", "epoch", "events", "first_sample", "last_sample"})
        header.push_back(h);
    const std::vector<std::string> rtHeaders = RtHeaders();
    header.insert(header.end(), rtHeaders.begin(), rtHeaders.end());
    rows.push_back(header);
    for (const RecordingResult& r : m_results) {
        if (!r.ok)
            continue;
        for (const RecordingResult::Bin& b : r.bins) {
            std::vector<std::string> row;
            if (withRecording)
                row.push_back(SafeText::Printable(r.recording));
            row.push_back(SafeText::Printable(b.id));
            row.push_back(SafeText::Printable(b.epoch));
            row.push_back(std::to_string(b.events));
            row.push_back(b.events ? std::to_string(b.firstSample) : "-");
            row.push_back(b.events ? std::to_string(b.lastSample) : "-");
            for (const std::string& cell : RtCells(b, 3, "n/a"))
                row.push_back(cell);
            row.resize(header.size(), "n/a");
            rows.push_back(row);
        }
    }
    std::vector<size_t> width(header.size(), 0);
    for (const auto& row : rows)
        for (size_t c = 0; c < row.size(); ++c)
            width[c] = std::max(width[c], SafeText::Columns(row[c]));
    const size_t numeric = withRecording ? 3 : 2;
    for (const auto& row : rows) {
        std::string line;
        for (size_t c = 0; c < row.size(); ++c) {
            std::string pad(width[c] - SafeText::Columns(row[c]), ' ');
            if (c > 0)
                line += "  ";
            line += c >= numeric ? pad + row[c] : row[c] + (c + 1 < row.size() ? pad : "");
        }
        out << line << "\n";
    }
}

std::vector<std::string> RunSummary::EntityKeys() const
{
    std::vector<std::string> keys;
    for (const std::string& key : ecDatasetRecordings::EntityKeys()) {
        const bool any = std::any_of(m_results.begin(), m_results.end(), [&](const RecordingResult& r) {
            return std::any_of(r.entities.begin(), r.entities.end(), [&](const auto& e) { return e.first == key; });
        });
        if (any)
            keys.push_back(key);
    }
    return keys;
}

std::vector<std::string> RunSummary::Header() const
{
    std::vector<std::string> header{"recording"};
    const std::vector<std::string> keys = EntityKeys();
    header.insert(header.end(), keys.begin(), keys.end());
    for (const char* h : {"bin", "epoch", "n_events", "n_excluded", "first_sample", "last_sample", "tmin", "tmax"})
        header.push_back(h);
    const std::vector<std::string> rt = RtHeaders();
    header.insert(header.end(), rt.begin(), rt.end());
    header.push_back("status");
    return header;
}

std::vector<std::vector<std::string>> RunSummary::Rows() const
{
    const std::vector<std::string> keys = EntityKeys();
    const size_t rtColumns = RtHeaders().size();
    std::vector<std::vector<std::string>> rows;
    for (const RecordingResult& r : m_results) {
        std::vector<std::string> lead{r.recording};
        for (const std::string& key : keys) {
            std::string value = "n/a";
            for (const auto& e : r.entities)
                if (e.first == key)
                    value = e.second;
            lead.push_back(value);
        }
        if (!r.ok) {
            std::vector<std::string> row = lead;
            row.resize(lead.size() + 8 + rtColumns, "n/a");
            row.push_back(r.error);
            rows.push_back(row);
            continue;
        }
        for (const RecordingResult::Bin& b : r.bins) {
            std::vector<std::string> row = lead;
            for (const std::string& cell :
                 {b.id, b.epoch.empty() ? std::string("n/a") : b.epoch, std::to_string(b.events),
                  std::to_string(b.excluded), b.events ? std::to_string(b.firstSample) : "n/a",
                  b.events ? std::to_string(b.lastSample) : "n/a", ecTextTable::ShortFloat(b.tmin),
                  ecTextTable::ShortFloat(b.tmax)})
                row.push_back(cell);
            std::vector<std::string> rt = RtCells(b, 6, "n/a");
            rt.resize(rtColumns, "n/a");
            row.insert(row.end(), rt.begin(), rt.end());
            row.push_back("");
            rows.push_back(row);
        }
    }
    return rows;
}

std::string RunSummary::Tsv() const
{
    std::ostringstream out;
    auto line = [&out](const std::vector<std::string>& cells) {
        for (size_t c = 0; c < cells.size(); ++c)
            out << (c ? "\t" : "") << SafeText::Printable(cells[c]);
        out << "\n";
    };
    line(Header());
    for (const std::vector<std::string>& row : Rows())
        line(row);
    return out.str();
}

std::string RunSummary::JsonString(const std::string& text)
{
    return SafeText::Json(text);
}

std::string RunSummary::Json() const
{
    const std::vector<std::string> rtHeaders = RtHeaders();
    std::ostringstream out;
    out << "{\n  \"recordings\": [";
    for (size_t i = 0; i < m_results.size(); ++i) {
        const RecordingResult& r = m_results[i];
        out << (i ? "," : "") << "\n    {\n      \"recording\": " << JsonString(r.recording) << ",\n";
        for (const auto& e : r.entities)
            out << "      " << JsonString(e.first) << ": " << JsonString(e.second) << ",\n";
        out << "      \"status\": " << JsonString(r.ok ? "" : r.error) << ",\n";
        out << "      \"bins\": [";
        for (size_t k = 0; k < r.bins.size(); ++k) {
            const RecordingResult::Bin& b = r.bins[k];
            out << (k ? "," : "") << "\n        {\"bin\": " << JsonString(b.id) << ", \"epoch\": " << JsonString(b.epoch)
                << ", \"n_events\": " << b.events << ", \"n_excluded\": " << b.excluded << ", \"first_sample\": "
                << (b.events ? std::to_string(b.firstSample) : "null")
                << ", \"last_sample\": " << (b.events ? std::to_string(b.lastSample) : "null")
                << ", \"tmin\": " << ecTextTable::ShortFloat(b.tmin) << ", \"tmax\": " << ecTextTable::ShortFloat(b.tmax);
            const std::vector<std::string> rt = RtCells(b, 6, "null");
            for (size_t c = 0; c < rt.size() && c < rtHeaders.size(); ++c)
                out << ", " << JsonString(rtHeaders[c]) << ": " << rt[c];
            out << "}";
        }
        out << (r.bins.empty() ? "]\n" : "\n      ]\n") << "    }";
    }
    out << (m_results.empty() ? "],\n" : "\n  ],\n");
    out << "  \"failed\": " << Failed() << "\n}\n";
    return out.str();
}

void RunSummary::Write(const std::string& path) const
{
    std::string lower = path;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    const bool json = lower.size() >= 5 && lower.compare(lower.size() - 5, 5, ".json") == 0;
    ecSafeWriter::WriteText(path, json ? Json() : Tsv());
}
