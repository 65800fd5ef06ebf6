#pragma once
#include <iosfwd>
#include <string>
#include <vector>

class ecXml;

// One bin of a bin list in declarative form: its name, the epoch its events
// are cut with, and how the events are chosen (its case): by event names
// ("EvtNames"), by factor:value attribute tags ("EvtTags"), or as a logical
// combination of two other bins ("EvtLogic").
class ecBinDescription {
public:
    ecBinDescription();
    ecBinDescription(const ecBinDescription& other) = default;
    ecBinDescription& operator=(const ecBinDescription& other) = default;
    virtual ~ecBinDescription();

    void ClearAll();

    std::string GetBinName();
    std::string GetEpochName();
    std::string GetCase();
    std::string GetOpBin1();
    std::string GetOpBin2();
    std::string GetOperator();

    void SetBinName(std::string name);
    void SetEpochName(std::string& name);
    void SetCase(std::string caseWord);
    void SetOpBin1(std::string name);
    void SetOpBin2(std::string name);
    void SetOperator(std::string word);

    void AddOneTag(std::string tag);
    void AddOneName(std::string name);
    int GetNumEvtTags();
    int GetNumEvtNames();
    // "" when the index is out of range.
    std::string GetEvtTag(int i);
    std::string GetEvtName(int i);
    // The two halves of tag i when it is exactly factor:value, else "".
    std::string GetFactor(int i);
    std::string GetValue(int i);

    bool IsValidBin();

    // Reads the next <bin> element; false when there is none.
    bool ReadXml(ecXml& xml);
    bool WriteXml(std::ostream& out);

private:
    std::string sBinName;
    std::string sEpochName;
    std::string sCase;
    std::vector<std::string> vEvtTags;
    std::vector<std::string> vEvtNames;
    std::string sBin1;
    std::string sBin2;
    std::string sOperator;
};
