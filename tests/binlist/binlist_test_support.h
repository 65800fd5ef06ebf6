#pragma once
// Builders shared by the bin-list tests.
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "ecevents/binlist/ecBinDescription.h"
#include "ecevents/epochs/ecEventRelatedEpoch.h"
#include "ecevents/foundation/ecError.h"

// A bin of the given case; the entries become its names or its tags by case.
inline ecBinDescription MakeBin(const std::string& name, const std::string& epoch, const std::string& caseWord,
                                const std::vector<std::string>& entries = {})
{
    ecBinDescription bin;
    bin.SetBinName(name);
    std::string epochName = epoch;
    bin.SetEpochName(epochName);
    bin.SetCase(caseWord);
    for (const std::string& entry : entries) {
        if (caseWord == "EvtTags")
            bin.AddOneTag(entry);
        else
            bin.AddOneName(entry);
    }
    return bin;
}

inline ecBinDescription MakeLogicBin(const std::string& name, const std::string& bin1, const std::string& bin2,
                                     const std::string& word, const std::string& epoch = "Stim")
{
    ecBinDescription bin = MakeBin(name, epoch, "EvtLogic");
    bin.SetOpBin1(bin1);
    bin.SetOpBin2(bin2);
    bin.SetOperator(word);
    return bin;
}

inline ecEventRelatedEpoch MakeEpoch(const std::string& id, float start = -0.2f, float stop = 0.8f)
{
    ecEventRelatedEpoch epoch;
    epoch.sID = id;
    epoch.fStart = start;
    epoch.fStop = stop;
    return epoch;
}

// The message of the ecError that the action throws.
inline std::string ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const ecError& e) {
        return e.what();
    }
    return "(no error)";
}

template <class T>
std::string Written(T& object)
{
    std::ostringstream out;
    object.WriteXml(out);
    return out.str();
}
