#pragma once
#include "../support/ec_error_of.h"
#include "../support/event_builders.h"
// Shared helpers of the event-logic tests: event lists built in code, bin
// results documents assembled from operator snippets, and a probe into the
// private stack of the machine.
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "ecevents/ecevents.h"

namespace logictest {

using Indices = std::vector<int>;

inline std::string Epoch(const std::string& id, float start = -0.2f, float stop = 0.8f)
{
    return "<epoch><sID>" + id + "</sID><fStart>" + std::to_string(start) + "</fStart><fStop>" + std::to_string(stop)
        + "</fStop></epoch>";
}
inline std::string Op(const std::string& id, const std::string& params = "")
{
    return "<op><id>" + id + "</id>" + params + "</op>";
}

inline std::string S(const std::string& value)
{
    return "<s>" + value + "</s>";
}
inline std::vector<std::string> Split(const std::string& words)
{
    std::vector<std::string> out;
    for (std::size_t at = 0, end = 0; at < words.size(); at = end + 1) {
        end = std::min(words.find(' ', at), words.size());
        out.push_back(words.substr(at, end - at));
    }
    return out;
}
// "Names" over the space-separated names.
inline std::string Names(const std::string& names)
{
    std::string values;
    for (const std::string& name : Split(names))
        values += S(name);
    return Op("Names", values);
}
inline std::string Save(const std::string& id = "R")
{
    return Op("SaveBin", id.empty() ? "" : S(id));
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


inline std::string RunDoc(ecBinResultList& results, ecEventList& list, const std::string& doc)
{
    results.SetpEvents(&list);
    return EcErrorOf([&] {
        ecXml xml = Xml(doc);
        results.ReadXml(xml);
    });
}

inline Indices Selected(const ecBinResult& r)
{
    Indices out;
    for (int i = 0; i < r.m_nItems; ++i)
        if (r.R1[i])
            out.push_back(i);
    return out;
}
inline Indices SavedBin(ecBinResultList& results, const std::string& id)
{
    return Selected(*results.GetpResult(id, true));
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
    void SetResultID(ecBinResult* p, const std::string& id) { m.SetResultID(p, id); }
    std::size_t NumResults() const { return m.m_vResults.size(); }
    const ecBinResult& Result(std::size_t i) const { return m.m_vResults[i]; }
    logictest::Indices Walk()
    {
        logictest::Indices visited;
        m.ResetNextEvent();
        while (m.GetpNextEvent())
            visited.push_back(m.m_iNextEvent);
        return visited;
    }

private:
    ecEventLogic& m;
};

namespace logictest {

// A machine of its own over a result list that offers one epoch.
struct Machine {
    ecEventList list;
    ecBinResultList results;
    ecEventLogic logic;
    ecEventLogicProbe probe {logic};
    explicit Machine(const std::string& names)
        : list(MakeList(names))
    {
        results.SetpEvents(&list);
        results.m_vEpochs.emplace_back();
        logic.SetpParent(&results);
    }
    bool Read(const std::string& text)
    {
        ecXml xml = Xml(text);
        return logic.ReadXml(xml);
    }
    std::string Fail(const std::string& text)
    {
        return EcErrorOf([&] { Read(text); });
    }
};

} // namespace logictest
