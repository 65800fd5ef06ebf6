#pragma once
#include <string>
#include <utility>
#include <vector>

// The recordings of a BIDS dataset folder: every *_events.tsv below it,
// derivatives, sourcedata and hidden folders left out.
class ecDatasetRecordings {
public:
    struct Recording {
        std::string events;
        // The folder that holds it, relative to the dataset folder ("" or
        // "." at the top).
        std::string folder;
    };

    // In path order. Throws ecFormatError when the folder cannot be listed
    // or holds no events table.
    static std::vector<Recording> Find(const std::string& dataset);

    // The file name without extension and without a trailing "_events".
    static std::string Stem(const std::string& path);

    // The entities a summary reports (sub, ses, task, run, acq), in that
    // order, each that the file name carries as key-value.
    static std::vector<std::pair<std::string, std::string>> Entities(const std::string& path);
    static const std::vector<std::string>& EntityKeys();
};
