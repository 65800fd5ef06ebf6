#pragma once
#include "../support/ec_error_of.h"
#include "../support/event_builders.h"
#include "../support/xml_text.h"
// Builders shared by the bin-list tests.
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "ecevents/binlist/ecBinList.h"
#include "ecevents/epochs/ecEventRelatedEpoch.h"
#include "ecevents/foundation/ecError.h"
#include "ecutil/ecXml.h"

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

inline ecBinDescription NamesBin(const std::string& name, const std::vector<std::string>& names = {"1"},
                                 const std::string& epoch = "Stim")
{
    return MakeBin(name, epoch, "EvtNames", names);
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


inline std::string BinResults(ecBinList& list)
{
    std::ostringstream out;
    list.WriteXmlBinResults(out);
    return out.str();
}

inline std::vector<std::string> BinNames(ecBinList& list)
{
    std::vector<std::string> names;
    for (int i = 0; i < list.GetNumBins(); ++i)
        names.push_back(list.GetBinName(i));
    return names;
}
