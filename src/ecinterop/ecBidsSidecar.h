#pragma once
#include <string>

// Finds the sampling rate of a recording from its BIDS sidecar: the
// *_eeg.json, *_meg.json or *_ieeg.json file that belongs to an events file
// by the inheritance rule (same folder or any folder up to the dataset root,
// with entities that are a subset of the events file's entities; the nearest
// and most specific file that states a SamplingFrequency wins).
class ecBidsSidecar {
public:
    // False when the events file name has no "_events" suffix or no sidecar
    // with a sampling frequency is found.
    static bool FindRate(const std::string& eventsFile, float& rate, std::string& sidecar);

    // Reads "SamplingFrequency" from a JSON document; false when the file
    // cannot be read or the value is missing, not a number, or not positive.
    static bool ReadRate(const std::string& jsonFile, float& rate);
    static bool ParseRate(const std::string& json, double& rate);
};
