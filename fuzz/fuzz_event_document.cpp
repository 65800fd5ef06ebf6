// The event-list document: the reader that takes the file (with its fast
// path for the writer's own layout) and the general reader over the text
// must leave a list in the same state, and a written list reads back to
// the same document.
#include <string>

#include "FuzzSupport.h"
#include "ecevents/foundation/ecError.h"

namespace {

struct Outcome {
    std::string result; // "true", "false" or the error's message
    ecEventList list;
};

template <class Read>
Outcome Run(const ecEventList& start, Read read)
{
    Outcome o;
    o.list = start;
    o.list.SetSamplingRate(start.GetSamplingRate());
    try {
        o.result = read(o.list) ? "true" : "false";
    } catch (const ecError& e) {
        o.result = std::string("error: ") + e.what();
    }
    return o;
}

bool AllPlain(const ecEventList& list)
{
    if (!fuzz::PlainText(list.GetAnnotation()))
        return false;
    for (const ecEvent& e : list) {
        if (!fuzz::PlainText(e.m_sName))
            return false;
        for (const std::string& t : e.m_vTags)
            if (!fuzz::PlainText(t))
                return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    static const std::string input = fuzz::ScratchPath("input.evt");
    static const std::string written = fuzz::ScratchPath("written.evt");
    fuzz::WriteFile(input, text);

    // Without a rate (a stimulus delay then fails), with one, and merged
    // into a list that already holds events.
    ecEventList empty;
    ecEventList atRate;
    atRate.SetSamplingRate(500.0f);
    static const ecEventList recording = fuzz::SmallRecording(true);
    const ecEventList* starts[] = {&empty, &atRate, &recording};
    ecEventList kept;
    bool haveKept = false;
    for (const ecEventList* start : starts) {
        for (const bool merge : {false, true}) {
            const Outcome fromFile = Run(*start, [&](ecEventList& l) { return l.ReadEventFileXml(input.c_str(), merge); });
            const Outcome fromText = Run(*start, [&](ecEventList& l) {
                ecXml xml;
                xml.SetText(text);
                return l.ReadXml(xml, merge);
            });
            FUZZ_CHECK(fromFile.result == fromText.result, "both readers give the same result");
            FUZZ_CHECK(fuzz::SameList(fromFile.list, fromText.list), "both readers read the same list");
            if (start == &atRate && !merge && fromFile.result == "true") {
                kept = fromFile.list;
                haveKept = true;
            }
        }
    }
    if (!haveKept)
        return 0;

    // A second cycle writes what the first one read back.
    kept.Write(written.c_str());
    const std::string first = fuzz::ReadFile(written);
    ecEventList back;
    back.SetSamplingRate(500.0f);
    const bool read = back.ReadEventFile(written.c_str(), false);
    if (!AllPlain(kept))
        return 0;
    FUZZ_CHECK(read, "a written document reads back");
    FUZZ_CHECK(back.size() == kept.size(), "a written document keeps its events");
    back.Write(written.c_str());
    FUZZ_CHECK(fuzz::ReadFile(written) == first, "a document written, read and written again is unchanged");
    return 0;
}
