#pragma once
// Shared helpers of the event-logic tests: event lists built in code, bin
// results documents assembled from operator snippets, and a probe into the
// private stack of the machine.
#include <string>
#include <vector>

#include "ecevents/ecevents.h"

namespace logictest {

inline ecEvent MakeEvent(const std::string& name, int start, int stop = -1,
                         const std::vector<std::string>& tags = {})
{
    ecEvent e;
    e.m_sName = name;
    e.m_iStart = start;
    e.m_iStop = stop < 0 ? start : stop;
    e.m_vTags = tags;
    return e;
}

// Events named as given, one second apart from second 10 on (rate 1000).
inline ecEventList MakeList(const std::vector<std::string>& names, float rate = 1000.0f)
{
    ecEventList list;
    list.SetSamplingRate(rate);
    int start = 10000;
    for (const std::string& name : names) {
        list.push_back(MakeEvent(name, start));
        start += 1000;
    }
    return list;
}

inline std::string Epoch(const std::string& id, float start = -0.2f, float stop = 0.8f)
{
    return "<epoch><sID>" + id + "</sID><fStart>" + std::to_string(start) + "</fStart><fStop>"
        + std::to_string(stop) + "</fStop></epoch>";
}

inline std::string Op(const std::string& id, const std::string& params = "")
{
    return "<op><id>" + id + "</id>" + params + "</op>";
}

inline std::string S(const std::string& value)
{
    return "<s>" + value + "</s>";
}

inline std::string Seq(const std::string& ops)
{
    return "<bin_ops>" + ops + "</bin_ops>";
}

inline std::string Doc(const std::string& body, const std::string& epochs = Epoch("Stim"))
{
    return "<bin_results>" + epochs + body + "</bin_results>";
}

inline ecXml Xml(const std::string& text)
{
    ecXml xml;
    xml.SetText(text);
    return xml;
}

// Runs a document over the list and returns the message it failed with,
// or "" when it ran through.
inline std::string RunDoc(ecBinResultList& results, ecEventList& list, const std::string& doc)
{
    results.SetpEvents(&list);
    ecXml xml = Xml(doc);
    try {
        results.ReadXml(xml);
    } catch (const ecError& e) {
        return e.what();
    }
    return "";
}

// The selection of a saved bin as a vector of indices.
inline std::vector<int> Selected(const ecBinResult& r)
{
    std::vector<int> out;
    for (int i = 0; i < r.m_nItems; ++i)
        if (r.R1[i])
            out.push_back(i);
    return out;
}

inline std::vector<int> SavedBin(ecBinResultList& results, const std::string& id)
{
    ecBinResult* r = results.GetpResult(id, true);
    return Selected(*r);
}

} // namespace logictest

// Reaches into the machine for the tests of its stack operations.
class ecEventLogicProbe {
public:
    explicit ecEventLogicProbe(ecEventLogic& logic)
        : m(logic)
    {
    }
    ecBinResult* Push(ecBinResult* p) { return m.Push(p); }
    void Pop(int n) { m.Pop(n); }
    void PopNamed(const std::string& id, bool bThrow) { m.PopNamed(id, bThrow); }
    ecBinResult* GetpResult(int n) { return m.GetpResult(n); }
    ecBinResult* GetpResultNamed(const std::string& id, bool bThrow) { return m.GetpResultNamed(id, bThrow); }
    ecBinResult* GetpLocalDomain() { return m.GetpLocalDomain(); }
    int GetStackSize() { return m.GetStackSize(); }
    void DiagnoseStackRemap() { m.DiagnoseStackRemap(); }
    void SetResultID(ecBinResult* p, const std::string& id) { m.SetResultID(p, id); }
    std::size_t NumResults() const { return m.m_vResults.size(); }
    const ecBinResult& Result(std::size_t i) const { return m.m_vResults[i]; }
    ecEventRelatedEpoch* CurrentEpoch() const { return m.m_pEpoch; }
    bool Exclude() const { return m.m_bExclude; }
    bool AutoSave() const { return m.m_bAutoSaveBin; }
    std::vector<int> Walk()
    {
        std::vector<int> visited;
        m.ResetNextEvent();
        while (m.GetpNextEvent())
            visited.push_back(m.m_iNextEvent);
        return visited;
    }

private:
    ecEventLogic& m;
};
