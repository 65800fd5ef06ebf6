#pragma once
#include <string>
#include <vector>

// The recordings of one `ecbin run`: event files given by name, and the
// recordings of BIDS dataset folders, each with the base name of its outputs.
class RecordingSet {
public:
    struct Recording {
        std::string events;
        // Outputs are base + "_" + bin + ".evt"; "" when nothing is written.
        std::string outBase;
    };

    // A single event file is a single run and out is the output base as
    // given; anything more (several files, or a folder) is a batch and out
    // is a folder, holding base names that mirror the dataset's folders.
    // Throws HostError on a missing input, a folder without events tables,
    // or two recordings that would write the same outputs.
    static std::vector<Recording> Collect(const std::vector<std::string>& inputs, const std::string& out, bool& batch);
};
