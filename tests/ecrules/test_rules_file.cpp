// Reading a rules file: the sample's words, and one line naming the line,
// column and key for every kind of mistake.
#include <gtest/gtest.h>

#include <string>

#include "../support/test_files.h"
#include "ecrules/ecRules.h"
#include "ecrules/ecRulesExplain.h"

namespace {

const std::string kHead = "epochs:\n  Stim: {tmin: -0.2, tmax: 0.8}\n";
const std::string kBin = "bins:\n  B: {names: [x], epoch: Stim}\n";

std::string Problem(const std::string& text)
{
    try {
        ecRules::Parse(text, "r.yaml");
    } catch (const ecRules::Error& e) {
        return e.what();
    }
    return "";
}

TEST(RulesFile, ReadsTheSampleAsWritten)
{
    const ecRules::Rules rules = ecRules::Load(std::string(ECEVENTS_SOURCE_DIR) + "/data/sample/oddball_rules.yaml");
    ASSERT_EQ(rules.epochs.size(), 2u);
    EXPECT_EQ(rules.epochs[1].id, "Resp");
    EXPECT_FLOAT_EQ(rules.epochs[1].tmin, -0.5);
    ASSERT_EQ(rules.tags.size(), 2u);
    const ecRules::Condition& hit = rules.tags[0].conditions.at(0);
    EXPECT_TRUE(hit.followed && hit.immediately && hit.hasWindow);
    EXPECT_DOUBLE_EQ(hit.to, 1.0);
    EXPECT_FALSE(rules.tags[1].conditions.at(0).followed);
    ASSERT_EQ(rules.bins.size(), 6u);
    EXPECT_EQ(rules.bins[3].kind, ecRules::Bin::Logic);
    EXPECT_EQ(rules.bins[3].op, "and not");
    EXPECT_TRUE(rules.NeedsNames());
    EXPECT_FALSE(rules.Thinned());
}

TEST(RulesFile, EveryMistakeIsOneLineWithItsPlace)
{
    const struct {
        std::string text;
        std::string message;
    } cases[] = {
        {kHead + "tags:\n  \"Resp:Hit\": {target: d, followed_by: r, within: [0.2]}\n" + kBin,
         "r.yaml:4:51: tags.Resp:Hit.within: expected two numbers in seconds, got [0.2]"},
        {kHead + "tags:\n  \"A:1\": {target: d, folowed_by: r}\n" + kBin,
         "r.yaml:4:22: tags.A:1.folowed_by: unknown key, did you mean followed_by?"},
        {kHead + "bins:\n  B: {names: [x], epoch: Stim}\n  B: {names: [y], epoch: Stim}\n",
         "r.yaml:5:3: bins.B: duplicate key (first at line 4)"},
        {kHead + "tags:\n  \"A:1\": {target: d, followed_by: r, immediately: yes please}\n" + kBin,
         "tags.A:1.immediately: expected true or false, got yes please"},
        {kHead + "bins:\n  B: {names: [x], epoch: Stimm}\n",
         "r.yaml:4:26: bins.B.epoch: expected an epoch defined under epochs, got Stimm (did you mean Stim?)"},
        {kHead + "bins:\n  B: {logic: A and not C, epoch: Stim}\n", "bins.B.logic: expected bins defined above this one"},
        {kHead + "bins:\n  B: {logic: A nand C, epoch: Stim}\n", "expected A op B over earlier bins"},
        {kHead + "tags:\n  \"A:1\": {target: d}\nbins:\n  B: {tags: [\"A:2\"], epoch: Stim}\n",
         "bins.B.tags: expected a tag defined under tags, got A:2 (did you mean A:1?)"},
        {kHead + "tags:\n  \"A\": {target: d}\n" + kBin, "r.yaml:4:3: tags: expected a tag name factor:value, got A"},
        {kHead + "tags:\n  \"A:1\": {followed_by: r}\n" + kBin, "tags.A:1: expected a target"},
        {kHead + "tags:\n  \"A:1\": {target: d, within: [0, 1]}\n" + kBin,
         "tags.A:1.within: expected beside followed_by, preceded_by"},
        {kHead + "tags:\n  \"A:1\": {target: d, not_followed_by: r, within: [0, 1], immediately: true}\n" + kBin,
         "cannot be compiled; drop one of them"},
        {kHead + "tags:\n  \"A:1\": {target: d, not_preceded_by: r, within: [0.5, 1]}\n" + kBin,
         "not_preceded_by takes a window starting at 0"},
        {kHead + "tags:\n  \"A:1\": {target: d, followed_by: r, and: [{followed_by: f, from: resp}]}\n" + kBin,
         "from resp: expected the as name of an earlier condition"},
        {kHead + "tags:\n  \"A:1\": {target: d, rt: true}\n" + kBin, "tags.A:1.rt: expected a tag with followed_by"},
        {kHead + "tags:\n  \"A:1\": {target: d, target_flags: [{has: 0}]}\n" + kBin,
         "expected a code word from 1 to 4294967295, got 0"},
        {kHead + "bins:\n  B: {names: [x], epoch: Stim, every: 2, offset: 2}\n", "bins.B.offset: expected a whole number below every"},
        {kHead + "bins:\n  B: {names: [x], epoch: Stim, percent: [50, 120]}\n", "bins.B.percent: expected two percentages"},
        {"epochs:\n  Stim: {tmin: 0.8, tmax: -0.2}\n" + kBin, "epochs.Stim: expected tmin before tmax"},
        {"epochs:\n  Stim: {tmin: -0.2, tmax: 0.8, baseline: before}\n" + kBin,
         "epochs.Stim.baseline: expected pre, post, all, none or two numbers in seconds, got before"},
        {kHead + kBin + "exclude: [true\n", "r.yaml:6:1: end of sequence flow not found"},
        {kHead, "bins: expected the bins of the study, got none"},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(testfiles::Contains(Problem(c.text), c.message));
}

TEST(RulesFile, LookingBackNeedsTheRecordingsNames)
{
    const ecRules::Rules rules =
        ecRules::Parse(kHead + "tags:\n  \"A:1\": {target: d, preceded_by: c}\n" + kBin, "r.yaml");
    try {
        ecRules::Compile(rules);
        FAIL() << "compiled without names";
    } catch (const ecRules::Error& e) {
        EXPECT_TRUE(testfiles::Contains(e.what(), "r.yaml:4:22: tags.A:1.preceded_by: looking back needs"));
    }
    const std::vector<std::string> names{"d", "c", "other"};
    EXPECT_TRUE(testfiles::Contains(ecRules::Compile(rules, &names).binDesc, "<event>other</event>"));
}

TEST(RulesFile, ThinnedBinsMakeABinResultsDocument)
{
    const ecRules::Rules rules =
        ecRules::Parse(kHead + "bins:\n  B: {names: [x], epoch: Stim, every: 3, offset: 1, percent: [0, 50]}\n", "r.yaml");
    const ecRules::Compiled compiled = ecRules::Compile(rules);
    ASSERT_TRUE(compiled.binResults);
    EXPECT_TRUE(testfiles::Contains(compiled.bins, "<op><id>KeepSector</id><from>0</from><to>50</to></op>\n"
                                                   "\t\t\t<op><id>KeepMod</id><keep>1</keep><mod>3</mod></op>\n"
                                                   "\t\t\t<op><id>SaveBin</id><s>B</s></op>"));
    EXPECT_TRUE(testfiles::Contains(ecRules::ExplainBins(compiled.bins),
                                    "B: events named x, the 0\xE2\x80\xA6" "50 % range of them, every 3rd of them from "
                                    "the 2nd, epoch Stim"));
}

// Bins are told by ID whatever the order asked; a sequence explain cannot
// name still gets its own words, once.
TEST(RulesFile, BinsToldById)
{
    const std::string text = "<bin_results>\n<epoch><sID>E</sID><fStart>-0.1</fStart><fStop>0.2</fStop></epoch>\n"
                             "<bin_ops><op><id>SetExcludeOn</id></op></bin_ops>\n"
                             "<bin_ops><op><id>Names</id><s>a</s></op><op><id>SaveBin</id><s>A</s></op></bin_ops>\n"
                             "<bin_ops><op><id>Names</id><s>b</s></op><op><id>Or</id></op>"
                             "<op><id>SaveBin</id><s>Odd</s></op></bin_ops>\n</bin_results>\n";
    const std::string excluded = ". Events whose epoch overlaps an excluded stretch are left out of every bin.";
    EXPECT_EQ(ecRules::ExplainBinsById(text, {"Odd", "A", "Z"}),
              (std::vector<std::string>{"the operations Names, Or, SaveBin, epoch " + excluded,
                                        "events named a, epoch " + excluded,
                                        "the events its sequence saves" + excluded}));
}

} // namespace
