// Plain sentences for the documents. The constructions the compiler writes
// (the next event and a walk back from it, a companion for the near edge of
// a window) are recognised and told as the words they came from; anything
// else is told conditional by conditional.
#include "ecrules/ecRulesExplain.h"

#include <algorithm>
#include <map>
#include <sstream>
#include <vector>

#include "ecevents/binlist/ecBinList.h"
#include "ecevents/epochs/ecEventRelatedEpoch.h"
#include "ecevents/specs/ecPar_BinDesc.h"
#include "ecrules/ecRules.h"
#include "ecutil/ecXml.h"

namespace ecRules {
namespace {

const char* kMinus = "\xE2\x88\x92";    // U+2212
const char* kEllipsis = "\xE2\x80\xA6"; // U+2026

std::string Number(double v)
{
    std::ostringstream s;
    s << static_cast<float>(v);
    std::string text = s.str();
    if (!text.empty() && text[0] == '-')
        text = kMinus + text.substr(1);
    return text;
}

std::string Range(double a, double b)
{
    return Number(a) + kEllipsis + Number(b) + " s";
}

std::string Joined(const std::vector<std::string>& words, const std::string& with)
{
    std::string text;
    for (size_t i = 0; i < words.size(); ++i)
        text += (i ? with : "") + words[i];
    return text;
}

bool Has(const std::string& text, const std::string& tag)
{
    ecXml xml;
    xml.SetText(text);
    return !xml.Sub(tag).IsEmpty();
}

std::string Hex(unsigned int v)
{
    std::ostringstream s;
    s << "0x" << std::hex << v;
    return s.str();
}

std::string FlagsText(std::vector<ecCondEventFlag*>& flags)
{
    std::vector<std::string> parts;
    for (ecCondEventFlag* f : flags) {
        std::string p = ((f->GetOption() & ecCondEventFlag::kInvert) ? "code word lacks " : "code word has ") + Hex(f->GetCode());
        if (f->GetOption() & ecCondEventFlag::kSet)
            p += ", then sets " + Hex(f->GetSetCode());
        if (f->GetOption() & ecCondEventFlag::kClear)
            p += ", then clears " + Hex(f->GetClearCode());
        parts.push_back(p);
    }
    return parts.empty() ? "" : " [" + Joined(parts, "; ") + "]";
}

bool OpenEnd(float latency)
{
    return latency >= static_cast<float>(kOpenEnd);
}

bool SameAnchor(ecTimeAnchor* a, const std::string& specifier, bool minus, float latency)
{
    return a->GetName() == specifier && a->IsMinus() == minus && a->GetLatencyWRTSpecifier() == latency;
}

// One attribute spec in words.
std::string DescribeSpec(ecAttribSpec& spec, const std::vector<std::string>& uniqueEvents, bool& looksBack)
{
    ecEventSpecs* specs = spec.GetpEventSpecs();
    std::string text;
    std::string targetName = "T";
    if (specs->GetNumTargets() == 0)
        return "no event (the rule has no target)";
    ecTarget* target = specs->GetpTarget(0);
    targetName = target->GetName();
    text = Joined(*target->GetpEventNames(), " or ") + " events" + FlagsText(*target->GetpvFlags());
    for (int t = 1; t < specs->GetNumTargets(); ++t) {
        ecTarget* other = specs->GetpTarget(t);
        text += " (or " + Joined(*other->GetpEventNames(), " or ") + " events" + FlagsText(*other->GetpvFlags()) + ")";
    }

    // The "next event" conditionals and the references they stand for.
    std::map<std::string, std::string> next;
    std::vector<std::string> clauses;
    const int count = specs->GetNumConditionals();
    for (int i = 0; i < count; ++i) {
        ecConditional* c = specs->GetpConditional(i);
        ecTimeAnchor* pre = c->GetpTimeAnchorPre();
        ecTimeAnchor* post = c->GetpTimeAnchorPost();
        const long option = c->GetOption() & 7;
        const std::string name = c->GetName();
        const bool negated = option & ecConditional::kNegated;
        const bool permeable = c->IsPermeable();
        const bool window = option & ecConditional::kWindow;
        std::vector<std::string>* names = c->GetpEventNames();

        // The next event of any name, which a walk back starts from.
        if (option == 0 && !permeable && !pre->IsMinus() && SameAnchor(post, pre->GetName(), false, 0.0f) &&
            pre->GetLatencyWRTSpecifier() == 0.0f && !uniqueEvents.empty() && *names == uniqueEvents && i + 1 < count &&
            specs->GetpConditional(i + 1)->GetpTimeAnchorPre()->GetName() == name &&
            specs->GetpConditional(i + 1)->GetpTimeAnchorPre()->IsMinus()) {
            next[name] = pre->GetName();
            continue;
        }

        std::string reference = pre->GetName();
        bool followed = !pre->IsMinus();
        bool fromNext = false;
        if (!followed && next.count(reference)) {
            fromNext = true;
            reference = next[reference];
            looksBack = true;
        }
        bool hasWindow = false;
        float from = 0.0f, to = 0.0f;
        bool plain = true;
        if (followed) {
            if (window) {
                if (post->GetName() != reference || post->IsMinus())
                    plain = false;
                from = pre->GetLatencyWRTSpecifier();
                to = post->GetLatencyWRTSpecifier();
                hasWindow = !(from == 0.0f && OpenEnd(to));
            }
        } else if (fromNext) {
            if (window) {
                if (post->GetName() != reference || !post->IsMinus() || pre->GetLatencyWRTSpecifier() != 0.0f)
                    plain = false;
                to = post->GetLatencyWRTSpecifier();
                hasWindow = !OpenEnd(to);
                // The near edge, on a companion that looks at the same event.
                if (i + 1 < count) {
                    ecConditional* w = specs->GetpConditional(i + 1);
                    if ((w->GetOption() & 7) == ecConditional::kWindow && !w->IsPermeable() &&
                        w->GetpTimeAnchorPre()->GetName() == pre->GetName() && w->GetpTimeAnchorPre()->IsMinus() &&
                        w->GetpTimeAnchorPost()->GetName() == reference && !w->GetpTimeAnchorPost()->IsMinus() &&
                        *w->GetpEventNames() == *names) {
                        from = -w->GetpTimeAnchorPost()->GetLatencyWRTSpecifier();
                        hasWindow = true;
                        ++i;
                    }
                }
            }
        } else {
            if (!window || post->GetName() != reference || !post->IsMinus())
                plain = false;
            from = pre->GetLatencyWRTSpecifier();
            to = post->GetLatencyWRTSpecifier();
            hasWindow = !(from == 0.0f && OpenEnd(to));
        }
        if (window && !plain) {
            clauses.push_back("with conditional " + name + " (" + Joined(*names, " or ") + ", from " + pre->GetName() +
                              (pre->IsMinus() ? " back" : " on") + ", window " + (pre->IsMinus() ? "-" : "+") +
                              Number(pre->GetLatencyWRTSpecifier()) + " s of " + pre->GetName() + " to " +
                              (post->IsMinus() ? "-" : "+") + Number(post->GetLatencyWRTSpecifier()) + " s of " +
                              post->GetName() + (negated ? ", negated" : "") + (permeable ? ", permeable" : "") + ")");
            continue;
        }

        std::string clause;
        if (reference != targetName)
            clause += "its " + reference + " event ";
        clause += std::string(negated ? "not " : "") + (followed ? "followed" : "preceded") +
                  (permeable ? "" : " immediately") + " by " + Joined(*names, " or ");
        if (hasWindow)
            clause += " " + Range(from, to) + (followed ? " later" : " earlier");
        if (!followed && !fromNext)
            clause += ", the event just before not counted";
        clause += FlagsText(*c->GetpvFlags());
        if (!(name.size() > 1 && (name[0] == 'C' || name[0] == 'W') &&
              name.find_first_not_of("0123456789", 1) == std::string::npos))
            clause += " (as " + name + ")";
        clauses.push_back(clause);
    }
    if (!clauses.empty())
        text += " " + Joined(clauses, ", and ");
    return text;
}

std::string EpochText(ecEventRelatedEpoch& e)
{
    std::string text = e.sID + ": " + Range(e.fStart, e.fStop) + ", ";
    if (e.sBaselineDetrend == "None")
        text += "no baseline";
    else if (e.sBaselineDetrend == "PreEvent")
        text += "baseline " + Range(e.fStart, 0.0);
    else if (e.sBaselineDetrend == "PreEventIOF")
        text += "baseline " + Range(e.fStartIOF, 0.0);
    else
        text += "baseline " + Range(e.fDetrendStart, e.fDetrendStop);
    return text;
}

struct BinWords {
    std::string name;
    std::string what;
    std::string epoch;
};

// What a bin list or bin-results document holds, ready to be told.
struct BinsWords {
    std::vector<ecEventRelatedEpoch> epochs;
    std::vector<BinWords> bins;
    int exclude = -1; // 1 on, 0 off, -1 not set by the document
};

// A bin's line after its name.
std::string BinText(std::vector<ecEventRelatedEpoch>& epochs, const BinWords& b)
{
    std::string text = b.what + ", epoch " + b.epoch;
    for (ecEventRelatedEpoch& e : epochs)
        if (e.sID == b.epoch)
            return text + " " + Range(e.fStart, e.fStop);
    return text;
}

std::string ExclusionText(int exclude)
{
    if (exclude == 1)
        return "Events whose epoch overlaps an excluded stretch are left out of every bin.";
    if (exclude == 0)
        return "Excluded stretches are not applied.";
    return "";
}

std::string BinsSection(BinsWords& words)
{
    std::ostringstream out;
    out << "Epochs:\n";
    for (ecEventRelatedEpoch& e : words.epochs)
        out << "  " << EpochText(e) << "\n";
    out << "Bins:\n";
    for (const BinWords& b : words.bins)
        out << "  " << b.name << ": " << BinText(words.epochs, b) << "\n";
    if (words.exclude >= 0)
        out << ExclusionText(words.exclude) << "\n";
    return out.str();
}

std::string LogicWords(const std::string& a, const std::string& op, const std::string& b)
{
    if (op == "AND" || op == "And" || op == "&")
        return "events of " + a + " and of " + b;
    if (op == "ANDNOT" || op == "AndNot" || op == "&~")
        return "events of " + a + " and not of " + b;
    if (op == "OR" || op == "Or" || op == "|")
        return "events of " + a + " or of " + b;
    if (op == "XOR")
        return "events of " + a + " or of " + b + " but not of both";
    return "events of " + a + " " + op + " " + b;
}

BinsWords BinListWords(const std::string& text)
{
    ecXml xml;
    xml.SetText(text);
    ecBinList list;
    list.ReadXml(xml);
    std::vector<BinWords> bins;
    for (ecBinDescription& b : list.vBinList) {
        BinWords w{b.GetBinName(), "", b.GetEpochName()};
        std::vector<std::string> items;
        if (b.GetCase() == "EvtNames") {
            for (int i = 0; i < b.GetNumEvtNames(); ++i)
                items.push_back(b.GetEvtName(i));
            w.what = "events named " + Joined(items, " or ");
        } else if (b.GetCase() == "EvtTags") {
            for (int i = 0; i < b.GetNumEvtTags(); ++i)
                items.push_back(b.GetEvtTag(i));
            w.what = "events tagged " + Joined(items, " and ");
        } else {
            w.what = LogicWords(b.GetOpBin1(), b.GetOperator(), b.GetOpBin2());
        }
        bins.push_back(w);
    }
    return {list.vEpochList, bins, list.bExcludeON ? 1 : 0};
}

std::string Ordinal(int n)
{
    const int tens = n % 100, ones = n % 10;
    const char* suffix = (tens >= 11 && tens <= 13) ? "th" : ones == 1 ? "st" : ones == 2 ? "nd" : ones == 3 ? "rd" : "th";
    return std::to_string(n) + suffix;
}

struct Op {
    std::string id;
    std::vector<std::string> s;
    ecXml xml;
};

BinsWords BinResultsWords(const std::string& text)
{
    ecXml xml;
    xml.SetText(text);
    ecXml root = xml.Sub("bin_results");
    std::vector<ecEventRelatedEpoch> epochs;
    ecEventRelatedEpoch epoch;
    while (epoch.ReadXml(root))
        epochs.push_back(epoch);
    std::vector<BinWords> bins;
    int exclude = -1;
    for (ecXml seq = root.Sub("bin_ops"); !seq.IsEmpty(); seq = root.Sub("bin_ops")) {
        std::vector<Op> ops;
        for (ecXml op = seq.Sub("op"); !op.IsEmpty(); op = seq.Sub("op")) {
            Op o;
            o.id = op.CharacterData("id");
            for (std::string s = op.CharacterDataNext("s"); !s.empty(); s = op.CharacterDataNext("s"))
                o.s.push_back(s);
            o.xml = op;
            ops.push_back(o);
        }
        std::vector<std::string> ids;
        for (const Op& o : ops)
            ids.push_back(o.id);
        if (ops.size() == 1 && (ids[0] == "SetExcludeOn" || ids[0] == "SetExcludeOff")) {
            exclude = ids[0] == "SetExcludeOn" ? 1 : 0;
            continue;
        }
        BinWords w;
        size_t i = 0;
        if (i < ops.size() && ids[i] == "SetEpoch")
            w.epoch = ops[i++].s.empty() ? "" : ops[i - 1].s[0];
        auto at = [&](size_t k, const char* id) { return k < ops.size() && ids[k] == id; };
        if (at(i, "Names")) {
            w.what = "events named " + Joined(ops[i++].s, " or ");
        } else if (at(i, "Attribs")) {
            w.what = "events tagged " + Joined(ops[i++].s, " and ");
        } else if (at(i, "GetBin") && at(i + 1, "GetBin") && i + 2 < ops.size() && !ops[i].s.empty() &&
                   !ops[i + 1].s.empty()) {
            const std::string a = ops[i].s[0], b = ops[i + 1].s[0];
            if (at(i + 2, "Or") && at(i + 3, "GetBin") && at(i + 4, "GetBin") && at(i + 5, "And") && at(i + 6, "AndNot")) {
                w.what = LogicWords(a, "XOR", b);
                i += 7;
            } else {
                w.what = LogicWords(a, ids[i + 2], b);
                i += 3;
            }
        }
        if (at(i, "KeepSector")) {
            w.what += ", the " + Number(ops[i].xml.GetFloat("from")) + kEllipsis + Number(ops[i].xml.GetFloat("to")) +
                      " % range of them";
            ++i;
        }
        if (at(i, "KeepMod")) {
            const int keep = ops[i].xml.GetInt("keep"), mod = ops[i].xml.GetInt("mod");
            w.what += ", every " + Ordinal(mod) + " of them from the " + Ordinal(keep + 1);
            ++i;
        }
        if (!w.what.empty() && at(i, "SaveBin") && i + 1 == ops.size() && !ops[i].s.empty()) {
            w.name = ops[i].s[0];
        } else {
            w.name = "(sequence)";
            w.what = "the operations " + Joined(ids, ", ");
        }
        bins.push_back(w);
    }
    return {epochs, bins, exclude};
}

BinsWords Words(const std::string& text)
{
    return Has(text, "bin_list") ? BinListWords(text) : BinResultsWords(text);
}

} // namespace

std::string ExplainBinDesc(const std::string& text)
{
    ecXml xml;
    xml.SetText(text);
    ecPar_BinDesc desc;
    desc.ReadXml(xml, false);
    std::ostringstream out;
    out << "Tags:\n";
    std::vector<std::string> unique = *desc.GetpUniqueEventNames();
    std::string lastKey;
    bool looksBack = false;
    for (ecAttribSpec* spec : *desc.GetpAttribSpecList()) {
        std::vector<std::string> tags;
        for (int k = 0; k < spec->GetNumPairs(); ++k)
            tags.push_back(spec->GetOneAttribTag(k));
        const std::string key = Joined(tags, ", ");
        const std::string sentence = DescribeSpec(*spec, unique, looksBack);
        if (key == lastKey)
            out << "    or " << sentence << "\n";
        else
            out << "  " << key << ": " << sentence << "\n";
        lastKey = key;
    }
    if (looksBack)
        out << "Looking back starts from the event after the target, so the last event of the list is never tagged by "
               "preceded_by.\n";
    return out.str();
}

std::string ExplainBins(const std::string& text)
{
    BinsWords words = Words(text);
    return BinsSection(words);
}

std::vector<std::string> ExplainBinsById(const std::string& text, const std::vector<std::string>& ids)
{
    BinsWords words = Words(text);
    const std::string exclusion = ExclusionText(words.exclude);
    std::vector<std::string> sentences;
    for (const std::string& id : ids) {
        const auto named = [&](const std::string& name) {
            return std::find_if(words.bins.begin(), words.bins.end(), [&](const BinWords& b) { return b.name == name; });
        };
        auto bin = named(id);
        if (bin == words.bins.end())
            bin = named("(sequence)");
        if (bin == words.bins.end()) {
            sentences.push_back("the events its sequence saves");
        } else {
            sentences.push_back(BinText(words.epochs, *bin));
            bin->name.clear(); // each told once
        }
        sentences.back() += exclusion.empty() ? "" : ". " + exclusion;
    }
    return sentences;
}

std::string Explain(const std::string& text, const std::string& path)
{
    if (LooksLikeRules(text)) {
        Rules rules = Parse(text, path);
        std::vector<std::string> names = rules.names;
        // Without the recording's names a rule that looks back is told
        // with the names the file itself mentions.
        if (!rules.hasNames) {
            std::vector<std::string> tags;
            WantedNames(rules, names, tags);
        }
        const Compiled compiled = Compile(rules, &names);
        return ExplainBinDesc(compiled.binDesc) + ExplainBins(compiled.bins);
    }
    if (Has(text, "bin_desc"))
        return ExplainBinDesc(text);
    if (Has(text, "bin_list") || Has(text, "bin_results"))
        return ExplainBins(text);
    throw Error(path + ": not a rules file, bin_desc, bin_list or bin_results document");
}

} // namespace ecRules
