#pragma once
#include <iosfwd>
#include <string>
#include <vector>

#include "ecevents/binlist/ecBinDescription.h"
#include "ecevents/epochs/ecEventRelatedEpoch.h"

class ecXml;

// The editing model of a set of bins: bin descriptions and the epochs they
// refer to by name, a current selection in each list and the exclusion
// switch. Stored as a <bin_list> document and turned into a runnable
// bin-results document by WriteXmlBinResults.
class ecBinList {
public:
    ecBinList();
    ecBinList(const ecBinList& other) = default;
    ecBinList& operator=(const ecBinList& other) = default;
    virtual ~ecBinList();

    // Empties both lists and the name; the exclusion switch is kept.
    void ClearAll();

    int GetNumBins();
    int GetNumEpochs();
    int GetEpochCount();

    // "" counts as existing, so an unnamed bin or epoch is never added.
    bool BinNameExists(std::string name);
    // True when a logic bin takes this name as an operand.
    bool BinNameInUse(std::string name);
    bool AddOneBin(ecBinDescription bin);
    bool DelOneBin(std::string name);

    bool EpochNameExists(std::string name);
    bool EpochNameInUse(std::string name);
    bool AddOneEpoch(ecEventRelatedEpoch epoch);
    bool DelOneEpoch(std::string name);
    // Replaces the epoch with the same sID in place, or adds it.
    void SetEpoch(ecEventRelatedEpoch epoch);

    void SetCurSelBin(int i);
    int GetCurSelBin();
    void SetCurSelEpoch(int i);
    int GetCurSelEpoch();

    std::string GetBinName(int i);
    std::string GetEpochName(int i);
    std::string GetCurSelBinName();
    std::string GetCurSelEpochName();

    ecBinDescription GetBin(int i);
    ecEventRelatedEpoch GetEpoch(int i);
    ecEventRelatedEpoch GetEpoch(std::string name);
    ecEventRelatedEpoch GetEpochForBin(int i);

    // Checks and repairs: selections back into range, bin names unique.
    // Returns a message for a list without bins, "" otherwise; throws when an
    // epoch is missing.
    std::string Validate();

    bool ReadXml(ecXml& xml);
    bool WriteXml(std::ostream& out);
    // Writes the bin-results document that the event logic runs.
    bool WriteXmlBinResults(std::ostream& out);

    std::string sName;
    std::vector<ecBinDescription> vBinList;
    int iCurrentSelectedBin;
    std::vector<ecEventRelatedEpoch> vEpochList;
    int iCurrentSelectedEpoch;
    bool bExcludeON;

private:
    void MakeBinNamesUnique();
    const ecEventRelatedEpoch* FindEpoch(const std::string& name) const;
};
