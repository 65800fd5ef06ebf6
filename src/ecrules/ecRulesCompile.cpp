// From a rules file to the documents the library reads. Every condition
// becomes one or more conditionals of an attribute spec; where one spec
// cannot say it, the tag gets several specs that grant the same tags.
#include "ecrules/ecRules.h"

#include <filesystem>
#include <sstream>

#include "ecevents/binlist/ecBinList.h"
#include "ecevents/epochs/ecEventRelatedEpoch.h"
#include "ecevents/specs/ecPar_BinDesc.h"

namespace ecRules {
namespace {

struct Anchor {
    std::string specifier;
    bool minus = false;
    double latency = 0.0;
};

struct Conditional {
    std::string name;
    unsigned int option = 0;
    Anchor pre;
    Anchor post;
    std::vector<std::string> names;
    std::vector<Flag> flags;
};

using Alternative = std::vector<Conditional>;

const unsigned int kNegated = 1, kPermeable = 2, kWindow = 4;

Conditional Make(const std::string& name, unsigned int option, Anchor pre, Anchor post,
                 const std::vector<std::string>& names, const std::vector<Flag>& flags = {})
{
    return Conditional{name, option, std::move(pre), std::move(post), names, flags};
}

// The ways one condition can hold; the tag holds when every condition holds
// in one of its ways.
std::vector<Alternative> Ways(const Condition& c, size_t index, const std::vector<std::string>& recordingNames)
{
    const std::string n = std::to_string(index + 1);
    const std::string own = c.as.empty() ? "C" + n : c.as;
    const std::string ref = c.reference.empty() ? "T" : c.reference;
    const unsigned int negated = c.negated ? kNegated : 0;
    const double from = c.hasWindow ? c.from : 0.0;
    const double to = c.hasWindow ? c.to : kOpenEnd;

    if (c.followed) {
        if (!c.immediately)
            return {{Make(own, kWindow | kPermeable | negated, {ref, false, from}, {ref, false, to}, c.names, c.flags)}};
        // Flags are tested only by a conditional with a window, so an
        // immediate one that tests flags gets an open window.
        if (c.hasWindow || !c.flags.empty())
            return {{Make(own, kWindow, {ref, false, from}, {ref, false, to}, c.names, c.flags)}};
        return {{Make(own, negated, {ref, false, 0.0}, {ref, false, 0.0}, c.names)}};
    }

    // The backward walk never looks at the event just before its reference,
    // so it starts from the event after the reference ("next", any name of
    // the recording) and walks back from there.
    const std::string next = "N" + n;
    const Conditional nextEvent = Make(next, 0, {ref, false, 0.0}, {ref, false, 0.0}, recordingNames);
    // The event just before the reference, in [ref - to, ref - from]: the
    // lower edge on the conditional itself, the upper one on a companion
    // looking at the same event.
    auto justBefore = [&]() {
        Alternative a{nextEvent, Make(own, kWindow, {next, true, 0.0}, {ref, true, to}, c.names, c.flags)};
        if (from > 0.0)
            a.push_back(Make("W" + n, kWindow, {next, true, 0.0}, {ref, false, -from}, c.names));
        return a;
    };
    if (c.immediately) {
        if (c.hasWindow || !c.flags.empty())
            return {justBefore()};
        return {{nextEvent, Make(own, negated, {next, true, 0.0}, {next, true, 0.0}, c.names)}};
    }
    if (from == 0.0)
        return {{nextEvent, Make(own, kWindow | kPermeable | negated, {next, true, 0.0}, {ref, true, to}, c.names, c.flags)}};
    // A window that starts later than the reference: from the reference
    // itself the walk covers every event but the one just before it, which
    // the second way covers.
    return {{Make(own, kWindow | kPermeable, {ref, true, from}, {ref, true, to}, c.names, c.flags)}, justBefore()};
}

void SetAnchor(ecTimeAnchor& anchor, const Anchor& a)
{
    anchor.SetName(a.specifier);
    anchor.SetLatencyWRTSpecifier(static_cast<float>(a.latency));
    if (a.minus)
        anchor.SetOptionFlag(ecTimeAnchor::kMinus);
    else
        anchor.ClearOptionFlag(ecTimeAnchor::kMinus);
}

void AddFlags(std::vector<ecCondEventFlag*>& to, const std::vector<Flag>& flags)
{
    for (const Flag& f : flags) {
        auto* flag = new ecCondEventFlag;
        flag->SetCode(f.bits);
        long option = 0;
        if (f.lacks)
            option |= ecCondEventFlag::kInvert;
        if (f.setOn) {
            option |= ecCondEventFlag::kSet;
            flag->SetSetCode(f.set);
        }
        if (f.clearOn) {
            option |= ecCondEventFlag::kClear;
            flag->SetClearCode(f.clear);
        }
        flag->SetOption(option);
        to.push_back(flag);
    }
}

void AddSpec(ecPar_BinDesc& desc, const Tag& tag, const Alternative& conditionals)
{
    desc.AddOneAttribSpec();
    ecAttribSpec* spec = desc.GetpAttribSpec(desc.GetNumAttribSpecs() - 1);
    for (const auto& p : tag.pairs)
        spec->AppendOneFactorValuePair(p.first, p.second);
    ecEventSpecs* specs = spec->GetpEventSpecs();
    ecTarget* target = specs->AppendTarget("T");
    for (const std::string& name : tag.targets)
        target->AddEvent(name);
    AddFlags(*target->GetpvFlags(), tag.targetFlags);
    for (const Conditional& c : conditionals) {
        ecConditional* conditional = specs->AppendConditional(c.name);
        for (const std::string& name : c.names)
            conditional->AddEvent(name);
        ecTimeAnchor pre, post;
        SetAnchor(pre, c.pre);
        SetAnchor(post, c.post);
        conditional->SetProperties(pre, post, c.option);
        AddFlags(*conditional->GetpvFlags(), c.flags);
    }
}

ecEventRelatedEpoch ToEpoch(const Epoch& e)
{
    ecEventRelatedEpoch epoch;
    epoch.sID = e.id;
    epoch.fStart = static_cast<float>(e.tmin);
    epoch.fStop = static_cast<float>(e.tmax);
    epoch.fThresholdStart = epoch.fStart;
    epoch.fThresholdStop = epoch.fStop;
    if (e.baseline == "pre") {
        epoch.sBaselineDetrend = "PreEvent";
        epoch.fDetrendStart = epoch.fStart;
        epoch.fDetrendStop = 0.0f;
    } else if (e.baseline == "none") {
        epoch.sBaselineDetrend = "None";
    } else {
        epoch.sBaselineDetrend = "Custom";
        epoch.fDetrendStart = e.baseline == "post" ? 0.0f : e.baseline == "all" ? epoch.fStart : static_cast<float>(e.baselineFrom);
        epoch.fDetrendStop = e.baseline == "range" ? static_cast<float>(e.baselineTo) : epoch.fStop;
    }
    return epoch;
}

std::string OperatorWord(const std::string& op)
{
    return op == "and" ? "AND" : op == "or" ? "OR" : op == "xor" ? "XOR" : "ANDNOT";
}

// The thinning of a bin goes right before its SaveBin: the percentile range
// first, then every n-th of what is left.
std::string AddThinning(std::string text, const Bin& bin)
{
    const std::string save = "\t\t\t<op><id>SaveBin</id><s>" + bin.name + "</s></op>";
    const size_t at = text.find(save);
    if (at == std::string::npos)
        throw Error("[ecRules::Compile] Technical error (no SaveBin for " + bin.name + ")");
    std::ostringstream ops;
    if (bin.hasPercent)
        ops << "\t\t\t<op><id>KeepSector</id><from>" << bin.percentFrom << "</from><to>" << bin.percentTo << "</to></op>\n";
    if (bin.every > 0)
        ops << "\t\t\t<op><id>KeepMod</id><keep>" << bin.offset << "</keep><mod>" << bin.every << "</mod></op>\n";
    text.insert(at, ops.str());
    return text;
}

} // namespace

Compiled Compile(const Rules& rules, const std::vector<std::string>* names)
{
    const std::vector<std::string>& recordingNames = names ? *names : rules.names;
    if (rules.NeedsNames() && !names && !rules.hasNames) {
        for (const Tag& t : rules.tags)
            for (const Condition& c : t.conditions)
                if (!c.followed)
                    throw Error(rules.path + ":" + std::to_string(c.where.line) + ":" + std::to_string(c.where.column) +
                                ": " + c.path +
                                ": looking back needs the recording's event names: give --events FILE or a names: list");
    }

    Compiled compiled;
    ecPar_BinDesc desc;
    for (const Tag& tag : rules.tags) {
        std::vector<Alternative> specs{{}};
        for (size_t i = 0; i < tag.conditions.size(); ++i) {
            std::vector<Alternative> combined;
            const std::vector<Alternative> ways = Ways(tag.conditions[i], i, recordingNames);
            for (const Alternative& sofar : specs) {
                for (const Alternative& way : ways) {
                    Alternative both = sofar;
                    both.insert(both.end(), way.begin(), way.end());
                    combined.push_back(both);
                }
            }
            specs = combined;
        }
        for (const Alternative& conditionals : specs) {
            if (tag.rt) {
                const Condition& first = tag.conditions.front();
                compiled.responseTimes.push_back(
                    {desc.GetNumAttribSpecs(), tag.pairs.front().first, first.as.empty() ? "C1" : first.as});
            }
            AddSpec(desc, tag, conditionals);
        }
    }
    *desc.GetpUniqueEventNames() = recordingNames;
    std::ostringstream binDesc;
    desc.WriteXml(binDesc);
    compiled.binDesc = binDesc.str();

    ecBinList list;
    list.bExcludeON = rules.exclude;
    list.sName = std::filesystem::path(rules.path).stem().string();
    for (const Epoch& e : rules.epochs)
        list.AddOneEpoch(ToEpoch(e));
    for (const Bin& b : rules.bins) {
        ecBinDescription bin;
        bin.SetBinName(b.name);
        std::string epoch = b.epoch;
        bin.SetEpochName(epoch);
        if (b.kind == Bin::Names) {
            bin.SetCase("EvtNames");
            for (const std::string& n : b.names)
                bin.AddOneName(n);
        } else if (b.kind == Bin::Tags) {
            bin.SetCase("EvtTags");
            for (const std::string& t : b.tags)
                bin.AddOneTag(t);
        } else {
            bin.SetCase("EvtLogic");
            bin.SetOpBin1(b.left);
            bin.SetOpBin2(b.right);
            bin.SetOperator(OperatorWord(b.op));
        }
        list.AddOneBin(bin);
    }
    std::ostringstream bins;
    compiled.binResults = rules.Thinned();
    if (compiled.binResults) {
        list.WriteXmlBinResults(bins);
        std::string text = bins.str();
        for (const Bin& b : rules.bins)
            if (b.Thinned())
                text = AddThinning(text, b);
        compiled.bins = text;
    } else {
        list.WriteXml(bins);
        compiled.bins = bins.str();
    }
    return compiled;
}

const std::vector<ResponseTimeRequest>& ResponseTimes(const Compiled& compiled)
{
    return compiled.responseTimes;
}

} // namespace ecRules
