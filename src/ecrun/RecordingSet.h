#pragma once
#include <string>
#include <vector>

class ecOutputGuard;

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

    // Whether inputs and out can make a derivatives dataset: out is given,
    // every input is a dataset folder (its folders are what out mirrors),
    // and out's dataset description is none of theirs, which the guard then
    // keeps from being written. option: what the caller asked for them
    // with, for the messages. Throws HostError.
    static void CheckDerivatives(const std::vector<std::string>& inputs, const std::string& out,
                                 const std::string& option, ecOutputGuard& guard);
};
