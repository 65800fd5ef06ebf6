// Every word of a tag rule on generated lists: the rule is compiled, the list
// tagged by the library, and the tagged events compared with what the words
// say.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "../support/event_builders.h"
#include "ecevents/events/ecEventList.h"
#include "ecevents/specs/ecPar_BinDesc.h"
#include "ecrules/ecRules.h"
#include "ecutil/ecXml.h"

namespace {

const char* kEpochsAndBins = "epochs: {E: {tmin: -0.1, tmax: 0.1}}\nbins: {B: {names: [x], epoch: E}}\n";

// "name@seconds ..." at 1000 Hz, in that order.
ecEventList List(const std::string& events)
{
    ecEventList list;
    list.SetSamplingRate(1000.0f);
    std::istringstream in(events);
    for (std::string word; in >> word;) {
        const size_t at = word.find('@');
        const int sample = static_cast<int>(std::stod(word.substr(at + 1)) * 1000.0 + 0.5);
        list.AppendOneEvent(MakeEvent(word.substr(0, at), sample));
    }
    return list;
}

// The indices of the events that the rule tags F:V.
std::string Tagged(const std::string& events, const std::string& rule)
{
    ecEventList list = List(events);
    const ecRules::Rules rules = ecRules::Parse(std::string(kEpochsAndBins) + "tags:\n  \"F:V\": " + rule + "\n", "w.yaml");
    std::vector<std::string> names;
    for (const ecEvent& e : list)
        if (std::find(names.begin(), names.end(), e.m_sName) == names.end())
            names.push_back(e.m_sName);
    const ecRules::Compiled compiled = ecRules::Compile(rules, &names);
    ecXml xml;
    xml.SetText(compiled.binDesc);
    ecPar_BinDesc desc;
    desc.ReadXml(xml, false);
    list.SetBinDescAttributes(desc);
    std::string tagged;
    for (size_t i = 0; i < list.size(); ++i)
        for (const std::string& t : list[i].m_vTags)
            if (t == "F:V")
                tagged += (tagged.empty() ? "" : " ") + std::to_string(i);
    return tagged;
}

struct Case {
    std::string what;
    std::string rule;
    std::string events;
    std::string tagged; // indices of the tagged events
};

TEST(RuleWords, TagExactlyWhatTheySay)
{
    const std::string follows = "{target: t, followed_by: r, within: [0.2, 1.0]";
    const std::string precedes = "{target: t, preceded_by: p, within: [0.5, 1.0]";
    const Case cases[] = {
        {"next event, any time", "{target: t, followed_by: r, immediately: true}", "t@1 r@9 t@10 x@10.1 r@10.2", "0"},
        {"window, just after", (follows + ", immediately: true}"), "t@1 r@1.5", "0"},
        {"window, on its edges", (follows + ", immediately: true}"), "t@1 r@1.2 t@3 r@4", "0 2"},
        {"window, outside", (follows + ", immediately: true}"), "t@1 r@1.1 t@3 r@4.1", ""},
        {"window, another between, immediately", (follows + ", immediately: true}"), "t@1 x@1.3 r@1.5", ""},
        {"window, another between", (follows + "}"), "t@1 x@1.3 r@1.5 t@3 x@3.1 r@4.5", "0"},
        {"not followed", "{target: t, not_followed_by: r, within: [0, 1]}", "t@1 x@1.3 r@1.5 t@3 r@4.5", "3"},
        {"not followed immediately", "{target: t, not_followed_by: r, immediately: true}", "t@1 x@1.1 r@1.2 t@3 r@3.1", "0"},
        {"just before", "{target: t, preceded_by: p, immediately: true}", "p@1 t@2 x@3", "1"},
        {"two before, immediately", "{target: t, preceded_by: p, immediately: true}", "p@1 x@1.5 t@2 x@3", ""},
        {"two before", "{target: t, preceded_by: p}", "p@1 x@1.5 t@2 x@3", "2"},
        {"the last event is never tagged by looking back", "{target: t, preceded_by: p}", "p@1 t@2", ""},
        {"preceded, window, just before", (precedes + "}"), "p@1 t@1.7 x@3 p@5 t@5.3 x@6", "1"},
        {"preceded, window, two before", (precedes + "}"), "p@1 x@1.5 t@1.7 x@3 p@4 x@4.5 t@5.2 x@6", "2"},
        {"preceded, window, edges", (precedes + "}"), "p@1 t@1.5 x@2 p@3 t@4 x@5 p@6 t@7.01 x@8", "1 4"},
        {"preceded, window, immediately", (precedes + ", immediately: true}"),
         "p@1 t@1.7 x@3 p@4 x@4.5 t@4.7 x@6", "1"},
        {"not preceded immediately", "{target: t, not_preceded_by: p, immediately: true}", "p@1 t@2 x@2.5 t@3 x@4", "3"},
        {"not preceded in a window", "{target: t, not_preceded_by: p, within: [0, 1]}", "p@1 x@1.2 t@1.5 p@3 t@4.5 x@5",
         "4"},
        {"several names per target and condition", "{target: [t, u], followed_by: [r, s], immediately: true}",
         "t@1 s@1.1 u@2 r@2.1 u@3 x@3.1", "0 2"},
        {"a condition from an earlier one",
         "{target: t, followed_by: r, as: resp, and: [{followed_by: f, from: resp, within: [0, 0.5]}]}",
         "t@1 r@1.5 f@1.8 t@3 r@3.5 f@4.5", "0"},
        {"target flags", "{target: t, target_flags: [{has: 1}]}", "t@1 x@2", ""},
        {"condition flags: each cue counts once", "{target: t, preceded_by: p, flags: [{lacks: 1, set: 1}]}",
         "p@1 t@2 t@3 x@4", "1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Tagged(c.events, c.rule), c.tagged) << c.what;
}

TEST(RuleWords, ResponseTimesNameTheConditionalOfEverySpec)
{
    const ecRules::Rules rules = ecRules::Parse(std::string(kEpochsAndBins) +
                                                    "tags:\n"
                                                    "  \"A:1\": {target: t, followed_by: r, rt: true}\n"
                                                    "  \"B:1\": {target: t, preceded_by: p, within: [0.5, 1], as: cue, rt: true}\n"
                                                    "  \"C:1\": {target: t, followed_by: r}\n",
                                                "w.yaml");
    const std::vector<std::string> names{"t", "r", "p"};
    const ecRules::Compiled compiled = ecRules::Compile(rules, &names);
    const auto& rt = ecRules::ResponseTimes(compiled);
    ASSERT_EQ(rt.size(), 3u);
    EXPECT_EQ(rt[0].spec, 0);
    EXPECT_EQ(rt[0].factor, "A");
    EXPECT_EQ(rt[0].conditional, "C1");
    // A window that starts after the target takes two specs.
    EXPECT_EQ(rt[1].spec, 1);
    EXPECT_EQ(rt[2].spec, 2);
    EXPECT_EQ(rt[2].factor, "B");
    EXPECT_EQ(rt[2].conditional, "cue");
}

} // namespace
