// From documents to bins: an event file and a bin description are read, the
// list is matched, and a bin-results document selects the tagged events with
// "Attribs".
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "ecevents/events/ecEventList.h"
#include "ecevents/logic/ecBinResultList.h"
#include "ecevents/specs/ecPar_BinDesc.h"
#include "ecutil/ecXml.h"

namespace {

const std::string kData = std::string(ECEVENTS_TEST_DATA) + "/specs/";

// At 250 samples per second: Dev at 2 s, 5 s and 8 s, accepted, and one at
// 10 s that is neither accepted nor rejected; Resp 0.5 s after the first Dev,
// 1.8 s after the second, 0.4 s after the third; Std at 1, 4, 5.5 and 9 s.
ecEventList ReadMatchedEvents() {
    ecEventList list;
    list.SetSamplingRate(250.0f);
    EXPECT_TRUE(list.ReadEventFile((kData + "matching_events.xml").c_str(), false));
    ecPar_BinDesc desc;
    desc.Read(kData + "matching_bin_desc.xml");
    EXPECT_EQ(desc.GetNumAttribSpecs(), 3);
    list.SetBinDescAttributes(desc);
    return list;
}

std::map<int, std::vector<std::string>> TagsByStart(const ecEventList& list) {
    std::map<int, std::vector<std::string>> tags;
    for (const ecEvent& e : list)
        if (!e.m_vTags.empty())
            tags[e.m_iStart] = e.m_vTags;
    return tags;
}

TEST(MatchingEndToEnd, DescriptionDocumentTagsTheEvents) {
    ecEventList list = ReadMatchedEvents();
    using Tags = std::vector<std::string>;
    // A Dev answered within [0.2, 1] s is a hit, otherwise a miss; a Std whose
    // event two places back is a Dev follows it.
    const std::map<int, Tags> want{{500, {"Type:Hit"}},       {1000, {"Seq:AfterDev"}}, {1250, {"Type:Miss"}},
                                   {2000, {"Type:Hit"}},      {2250, {"Seq:AfterDev"}}};
    EXPECT_EQ(TagsByStart(list), want);
    ASSERT_EQ(list.GetUniqueTagNameCnt(), 3);
    EXPECT_EQ(list.GetUniqueTagName(0), "Type:Hit");
    EXPECT_EQ(list.GetUniqueTagName(1), "Seq:AfterDev");
    EXPECT_EQ(list.GetUniqueTagName(2), "Type:Miss");
}

TEST(MatchingEndToEnd, AttribsSequencesSelectTheTaggedEvents) {
    ecEventList list = ReadMatchedEvents();
    ecBinResultList results;
    results.SetpEvents(&list);
    ecXml xml;
    ASSERT_TRUE(xml.Read(kData + "matching_bin_results.xml"));
    ASSERT_TRUE(results.ReadXml(xml));

    std::map<std::string, std::vector<int>> bins;
    results.ResetForPreselection();
    for (std::string id = results.PreselectNextBin(); !id.empty(); id = results.PreselectNextBin()) {
        std::vector<int>& starts = bins[id];
        for (const ecEvent& e : list)
            if (e.IsStatusOn())
                starts.push_back(e.m_iStart);
    }
    const std::map<std::string, std::vector<int>> want{
        {"Hits", {500, 2000}}, {"Misses", {1250}}, {"AfterDev", {1000, 2250}}, {"AllDev", {500, 1250, 2000}}};
    EXPECT_EQ(bins, want);
}

}  // namespace
