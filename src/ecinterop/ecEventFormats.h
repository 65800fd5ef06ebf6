#pragma once
#include <string>
#include <vector>

#include "ecinterop/ecFormatOptions.h"

class ecEvent;
class ecEventList;

// Any event file by name: the formats, chosen by name or by the file's
// first bytes, and where the sampling rate of a recording comes from.
class ecEventFormats {
public:
    enum Format { Auto, Document, PreXml, Bids, Mne };

    // "evt" (also "xml", "document"), "prexml", "bids" (also "tsv"), "eve"
    // (also "mne"); "" gives Auto. Throws ecFormatError for other words.
    static Format ParseFormat(const std::string& word);
    static std::string FormatName(Format format);

    // The format of an existing input: the forced one, else .tsv is BIDS,
    // .eve is MNE, a file starting with the pre-XML magic is pre-XML and
    // anything else an event-list document. Only the first bytes are read.
    static Format InputFormat(const std::string& path, Format forced);
    // The format of an output: the forced one, else .tsv, .eve, or the
    // event-list document. Pre-XML cannot be written.
    static Format OutputFormat(const std::string& path, Format forced);

    struct Loaded {
        Format format = Auto;
        // Where the rate came from: "--rate", the sidecar's path, "estimated
        // from the time column", or "" when the rate is unknown (then 0).
        std::string rateSource;
        // The sidecar the rate was read from, "" when it came from elsewhere.
        std::string sidecar;
        // Under lenient reading, what the reader read past (numbers that did
        // not fit, where a pre-XML file stopped), one line each; otherwise
        // these are errors.
        std::vector<std::string> warnings;
    };

    // Where the sampling rate of path comes from before the file is read:
    // options.rate when given, else the BIDS sidecar beside or above it.
    struct Rate {
        float rate = 0.0f; // 0 when neither gives one
        // "--rate", the sidecar's path, or "".
        std::string source;
        std::string sidecar;
    };
    static Rate FindRate(const std::string& path, const ecFormatOptions& options);

    // Reads path into list (emptied first), setting the list's sampling
    // rate from options.rate, else the BIDS sidecar, else what the format
    // tells, and rejects the exclusion-named events whatever the format.
    // Every failure, the library's included, is an ecFormatError naming path.
    static Loaded Read(const std::string& path, const ecFormatOptions& options, ecEventList& list);
    // The same with the rate looked up already, by a host that has to know
    // the sidecar before reading (to keep outputs off it).
    static Loaded Read(const std::string& path, const ecFormatOptions& options, const Rate& known, ecEventList& list);

    // Writes list to path in the given format (Auto: by the name), durably
    // ("-": standard output). The event-list document is meant for other tools
    // too, so names, tags and the annotation are escaped (they read back to
    // the same text); it puts the list in time order first.
    static void Write(ecEventList& list, const std::string& path, const ecFormatOptions& options, Format format = Auto);
    static void WriteDocument(ecEventList& list, const std::string& path);

    // An exclusion by the library's names (EXCLUDE, REJECT, [EXn], segment
    // boundaries) or by MNE's BAD_ prefix, in any case.
    static bool IsExclusionName(const ecEvent& e);
};
