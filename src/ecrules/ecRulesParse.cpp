// Reading a rules file: every value is checked where it stands, and a wrong
// one is reported as FILE:LINE:COL: key.path: expected ..., got ...
#include "ecrules/ecRules.h"

#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include <yaml-cpp/yaml.h>

namespace ecRules {
namespace {

// Longest value shown after "got"; a whole mapping would swamp the line.
const size_t kShownLength = 60;
// Window edges beyond this are surely a mistake (and the open end of a
// window is written as this many seconds).
const double kLongestWindow = 100000.0;

std::string Shown(const YAML::Node& node)
{
    std::string text;
    if (!node.IsDefined() || node.IsNull()) {
        text = "nothing";
    } else if (node.IsScalar()) {
        text = node.Scalar();
        if (text.empty())
            text = "\"\"";
    } else {
        YAML::Emitter e;
        e.SetMapFormat(YAML::Flow);
        e.SetSeqFormat(YAML::Flow);
        e << node;
        text = e.c_str();
    }
    for (char& c : text)
        if (c == '\n' || c == '\r')
            c = ' ';
    if (text.size() > kShownLength)
        text = text.substr(0, kShownLength - 3) + "...";
    return text;
}

size_t Distance(const std::string& a, const std::string& b)
{
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t up = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = up;
        }
    }
    return row[b.size()];
}

std::string Nearest(const std::string& word, const std::vector<std::string>& known)
{
    std::string best;
    size_t bestDistance = SIZE_MAX;
    for (const std::string& k : known) {
        const size_t d = Distance(word, k);
        if (d < bestDistance) {
            best = k;
            bestDistance = d;
        }
    }
    return best;
}

class Reader {
public:
    explicit Reader(std::string path) : m_path(std::move(path)) {}

    [[noreturn]] void Fail(const YAML::Mark& mark, const std::string& keyPath, const std::string& what) const
    {
        std::ostringstream line;
        line << m_path;
        if (mark.line >= 0)
            line << ":" << mark.line + 1 << ":" << mark.column + 1;
        line << ": ";
        if (!keyPath.empty())
            line << keyPath << ": ";
        line << what;
        // Keys and YAML's own messages may carry line breaks or control
        // characters; the message stays one line.
        std::string one;
        for (const char c : line.str()) {
            const unsigned char u = static_cast<unsigned char>(c);
            if (u < 0x20 || u == 0x7f) {
                static const char hex[] = "0123456789abcdef";
                one += "\\x";
                one += hex[u >> 4];
                one += hex[u & 15];
            } else {
                one += c;
            }
        }
        throw Error(one);
    }

    [[noreturn]] void Expected(const YAML::Node& node, const std::string& keyPath, const std::string& what) const
    {
        Fail(node.Mark(), keyPath, "expected " + what + ", got " + Shown(node));
    }

    // The entries of a mapping, checked for duplicate and unknown keys.
    std::vector<std::pair<YAML::Node, YAML::Node>> Map(const YAML::Node& node, const std::string& keyPath,
                                                       const std::string& what,
                                                       const std::vector<std::string>* known = nullptr) const
    {
        if (!node.IsMap())
            Expected(node, keyPath, what);
        std::vector<std::pair<YAML::Node, YAML::Node>> entries;
        std::map<std::string, YAML::Mark> seen;
        for (auto it = node.begin(); it != node.end(); ++it) {
            const YAML::Node key = it->first;
            if (!key.IsScalar())
                Expected(key, keyPath, "a name as key");
            const std::string name = key.Scalar();
            const std::string at = Join(keyPath, name);
            auto first = seen.find(name);
            if (first != seen.end())
                Fail(key.Mark(), at, "duplicate key (first at line " + std::to_string(first->second.line + 1) + ")");
            seen.emplace(name, key.Mark());
            if (known && std::find(known->begin(), known->end(), name) == known->end())
                Fail(key.Mark(), at, "unknown key, did you mean " + Nearest(name, *known) + "?");
            entries.push_back({key, it->second});
        }
        return entries;
    }

    static std::string Join(const std::string& keyPath, const std::string& key)
    {
        return keyPath.empty() ? key : keyPath + "." + key;
    }

    double Number(const YAML::Node& node, const std::string& keyPath, const std::string& what) const
    {
        if (!node.IsScalar() || node.Tag() == "!")
            Expected(node, keyPath, what);
        const std::string& text = node.Scalar();
        errno = 0;
        char* end = nullptr;
        const double v = std::strtod(text.c_str(), &end);
        if (text.empty() || end != text.c_str() + text.size() || errno == ERANGE || !std::isfinite(v) ||
            std::fabs(v) > FLT_MAX || text.find_first_of("xXnNiI") != std::string::npos)
            Expected(node, keyPath, what);
        return v;
    }

    int Whole(const YAML::Node& node, const std::string& keyPath, const std::string& what, long low, long high) const
    {
        if (!node.IsScalar() || node.Tag() == "!")
            Expected(node, keyPath, what);
        const std::string& text = node.Scalar();
        errno = 0;
        char* end = nullptr;
        const long v = std::strtol(text.c_str(), &end, 10);
        if (text.empty() || end != text.c_str() + text.size() || errno == ERANGE || v < low || v > high)
            Expected(node, keyPath, what);
        return static_cast<int>(v);
    }

    unsigned int Bits(const YAML::Node& node, const std::string& keyPath) const
    {
        const std::string what = "a code word from 1 to 4294967295";
        if (!node.IsScalar() || node.Tag() == "!")
            Expected(node, keyPath, what);
        const std::string& text = node.Scalar();
        errno = 0;
        char* end = nullptr;
        const unsigned long long v = std::strtoull(text.c_str(), &end, 0);
        if (text.empty() || text[0] == '-' || end != text.c_str() + text.size() || errno == ERANGE || v < 1 ||
            v > 0xFFFFFFFFull)
            Expected(node, keyPath, what);
        return static_cast<unsigned int>(v);
    }

    bool Bool(const YAML::Node& node, const std::string& keyPath) const
    {
        if (node.IsScalar() && node.Tag() != "!") {
            const std::string& t = node.Scalar();
            if (t == "true" || t == "True" || t == "TRUE" || t == "yes")
                return true;
            if (t == "false" || t == "False" || t == "FALSE" || t == "no")
                return false;
        }
        Expected(node, keyPath, "true or false");
    }

    std::string Text(const YAML::Node& node, const std::string& keyPath, const std::string& what) const
    {
        if (!node.IsScalar() || node.Scalar().empty())
            Expected(node, keyPath, what);
        return node.Scalar();
    }

    // A name or a list of names, each once.
    std::vector<std::string> Names(const YAML::Node& node, const std::string& keyPath) const
    {
        const std::string what = "an event name or a list of event names";
        std::vector<std::string> names;
        if (node.IsScalar()) {
            names.push_back(Text(node, keyPath, what));
            return names;
        }
        if (!node.IsSequence() || node.size() == 0)
            Expected(node, keyPath, what);
        for (const YAML::Node& item : node) {
            std::string name = Text(item, keyPath, "an event name");
            if (std::find(names.begin(), names.end(), name) != names.end())
                Fail(item.Mark(), keyPath, "event name " + name + " is listed twice");
            names.push_back(name);
        }
        return names;
    }

    // Two numbers [a, b] with a <= b (each at least low).
    std::pair<double, double> Range(const YAML::Node& node, const std::string& keyPath, const std::string& what,
                                    double low, double high) const
    {
        if (!node.IsSequence() || node.size() != 2)
            Expected(node, keyPath, what);
        const double a = Number(node[0], keyPath, what);
        const double b = Number(node[1], keyPath, what);
        if (a < low || b > high || a > b)
            Expected(node, keyPath, what);
        return {a, b};
    }

private:
    std::string m_path;
};

const std::vector<std::string> kTopKeys = {"epochs", "tags", "bins", "exclude", "names"};
const std::vector<std::string> kEpochKeys = {"tmin", "tmax", "baseline"};
const std::vector<std::string> kDirections = {"followed_by", "preceded_by", "not_followed_by", "not_preceded_by"};
const std::vector<std::string> kConditionKeys = {"followed_by", "preceded_by", "not_followed_by", "not_preceded_by",
                                                 "within", "immediately", "as", "from", "flags"};
const std::vector<std::string> kTagKeys = {"target", "target_flags", "followed_by", "preceded_by", "not_followed_by",
                                           "not_preceded_by", "within", "immediately", "as", "flags", "and",
                                           "also_tags", "rt"};
const std::vector<std::string> kFlagKeys = {"has", "lacks", "set", "clear"};
const std::vector<std::string> kBinKeys = {"names", "tags", "logic", "epoch", "every", "offset", "percent"};

// A factor:value tag: one colon, text on both sides.
bool SplitTag(const std::string& tag, std::string& factor, std::string& value)
{
    const size_t colon = tag.find(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == tag.size() ||
        tag.find(':', colon + 1) != std::string::npos)
        return false;
    factor = tag.substr(0, colon);
    value = tag.substr(colon + 1);
    return true;
}

bool Reserved(const std::string& name)
{
    static const std::regex reserved("T|[CNW][0-9]+");
    return std::regex_match(name, reserved);
}

Where At(const YAML::Mark& mark)
{
    Where w;
    if (mark.line >= 0) {
        w.line = mark.line + 1;
        w.column = mark.column + 1;
    }
    return w;
}

std::vector<Flag> ReadFlags(const Reader& r, const YAML::Node& node, const std::string& keyPath)
{
    std::vector<Flag> flags;
    if (!node.IsSequence() || node.size() == 0)
        r.Expected(node, keyPath, "a list of flags such as {has: 1, set: 2}");
    for (const YAML::Node& item : node) {
        Flag flag;
        bool tested = false;
        for (const auto& kv : r.Map(item, keyPath, "a flag such as {has: 1, set: 2}", &kFlagKeys)) {
            const std::string key = kv.first.Scalar();
            const std::string at = Reader::Join(keyPath, key);
            if (key == "has" || key == "lacks") {
                if (tested)
                    r.Fail(kv.first.Mark(), keyPath, "a flag takes has or lacks, not both");
                tested = true;
                flag.bits = r.Bits(kv.second, at);
                flag.lacks = key == "lacks";
            } else if (key == "set") {
                flag.setOn = true;
                flag.set = r.Bits(kv.second, at);
            } else {
                flag.clearOn = true;
                flag.clear = r.Bits(kv.second, at);
            }
        }
        if (!tested)
            r.Expected(item, keyPath, "a flag with has or lacks");
        flags.push_back(flag);
    }
    return flags;
}

// The condition keys of one mapping (a tag's own or an "and" item); false
// when it has no direction key (then none of the others may be there).
bool ReadCondition(const Reader& r, const std::vector<std::pair<YAML::Node, YAML::Node>>& entries,
                   const std::string& keyPath, Condition& c, bool inList)
{
    const YAML::Node* direction = nullptr;
    const YAML::Node* other = nullptr;
    for (const auto& kv : entries) {
        const std::string key = kv.first.Scalar();
        if (std::find(kDirections.begin(), kDirections.end(), key) != kDirections.end()) {
            if (direction)
                r.Fail(kv.first.Mark(), keyPath,
                       "one of followed_by, preceded_by, not_followed_by, not_preceded_by per condition; put more "
                       "under and");
            direction = &kv.first;
            const std::string at = Reader::Join(keyPath, key);
            c.followed = key.find("followed") != std::string::npos;
            c.negated = key.compare(0, 4, "not_") == 0;
            c.names = r.Names(kv.second, at);
            c.where = At(kv.first.Mark());
            c.path = at;
        } else if (key == "within" || key == "immediately" || key == "as" || key == "from" || key == "flags") {
            const std::string at = Reader::Join(keyPath, key);
            other = &kv.first;
            if (key == "within") {
                const auto w = r.Range(kv.second, at, "two numbers in seconds", 0.0, kLongestWindow);
                c.hasWindow = true;
                c.from = w.first;
                c.to = w.second;
            } else if (key == "immediately") {
                c.immediately = r.Bool(kv.second, at);
            } else if (key == "as") {
                c.as = r.Text(kv.second, at, "a name for the event found");
                if (Reserved(c.as))
                    r.Expected(kv.second, at, "a name other than T, Cn, Nn or Wn (the compiler's own)");
            } else if (key == "from") {
                c.reference = r.Text(kv.second, at, "the as name of an earlier condition");
            } else {
                c.flags = ReadFlags(r, kv.second, at);
            }
        }
    }
    if (!direction && other)
        r.Fail(other->Mark(), Reader::Join(keyPath, other->Scalar()),
               "expected beside followed_by, preceded_by, not_followed_by or not_preceded_by");
    if (!direction && inList)
        r.Fail(entries.empty() ? YAML::Mark() : entries.front().first.Mark(), keyPath,
               "expected followed_by, preceded_by, not_followed_by or not_preceded_by");
    return direction != nullptr;
}

void CheckCondition(const Reader& r, const YAML::Node& at, const Condition& c, const std::vector<Condition>& earlier)
{
    if (!c.reference.empty()) {
        auto found = std::find_if(earlier.begin(), earlier.end(), [&](const Condition& e) { return e.as == c.reference; });
        if (found == earlier.end())
            r.Fail(at.Mark(), c.path, "from " + c.reference + ": expected the as name of an earlier condition of this tag");
        if (found->negated)
            r.Fail(at.Mark(), c.path, "from " + c.reference + ": a negated condition finds no event to start from");
    }
    for (const Condition& e : earlier)
        if (!c.as.empty() && e.as == c.as)
            r.Fail(at.Mark(), c.path, "as " + c.as + " is used twice in this tag");
    if (c.negated && c.hasWindow && c.immediately)
        r.Fail(at.Mark(), c.path,
               "a negated condition with both within and immediately cannot be compiled; drop one of them");
    if (c.negated && !c.followed && c.hasWindow && c.from > 0.0)
        r.Fail(at.Mark(), c.path, "not_preceded_by takes a window starting at 0 (within: [0, b])");
    if (c.negated && c.immediately && !c.flags.empty())
        r.Fail(at.Mark(), c.path, "a negated immediate condition cannot test flags; drop immediately or flags");
}

Tag ReadTag(const Reader& r, const YAML::Node& key, const YAML::Node& node, const std::string& keyPath)
{
    Tag tag;
    tag.key = key.Scalar();
    tag.where = At(key.Mark());
    std::string factor, value;
    if (!SplitTag(tag.key, factor, value))
        r.Expected(key, "tags", "a tag name factor:value");
    tag.pairs.push_back({factor, value});
    const auto entries = r.Map(node, keyPath, "a tag rule such as {target: deviant, followed_by: response}", &kTagKeys);
    bool hasTarget = false;
    for (const auto& kv : entries) {
        const std::string k = kv.first.Scalar();
        const std::string at = Reader::Join(keyPath, k);
        if (k == "target") {
            tag.targets = r.Names(kv.second, at);
            hasTarget = true;
        } else if (k == "target_flags") {
            tag.targetFlags = ReadFlags(r, kv.second, at);
        } else if (k == "rt") {
            tag.rt = r.Bool(kv.second, at);
        } else if (k == "also_tags") {
            if (!kv.second.IsSequence() || kv.second.size() == 0)
                r.Expected(kv.second, at, "a list of factor:value tags");
            for (const YAML::Node& item : kv.second) {
                std::string f, v;
                if (!item.IsScalar() || !SplitTag(item.Scalar(), f, v))
                    r.Expected(item, at, "a tag name factor:value");
                tag.pairs.push_back({f, v});
            }
        }
    }
    if (!hasTarget)
        r.Fail(key.Mark(), keyPath, "expected a target (the event names to tag), got none");
    Condition own;
    if (ReadCondition(r, entries, keyPath, own, false)) {
        CheckCondition(r, key, own, tag.conditions);
        if (!own.reference.empty())
            r.Fail(key.Mark(), keyPath + ".from", "the tag's own condition starts from the target");
        tag.conditions.push_back(own);
    }
    for (const auto& kv : entries) {
        if (kv.first.Scalar() != "and")
            continue;
        const std::string at = Reader::Join(keyPath, "and");
        if (!kv.second.IsSequence() || kv.second.size() == 0)
            r.Expected(kv.second, at, "a list of conditions");
        for (size_t i = 0; i < kv.second.size(); ++i) {
            const std::string item = at + "[" + std::to_string(i) + "]";
            Condition c;
            ReadCondition(r, r.Map(kv.second[i], item, "a condition such as {followed_by: response}", &kConditionKeys),
                          item, c, true);
            CheckCondition(r, kv.second[i], c, tag.conditions);
            tag.conditions.push_back(c);
        }
    }
    if (tag.rt && (tag.conditions.empty() || tag.conditions.front().negated))
        r.Fail(key.Mark(), keyPath + ".rt", "expected a tag with followed_by or preceded_by, whose event gives the time");
    return tag;
}

Epoch ReadEpoch(const Reader& r, const YAML::Node& key, const YAML::Node& node, const std::string& keyPath)
{
    Epoch e;
    e.id = key.Scalar();
    bool hasMin = false, hasMax = false;
    for (const auto& kv : r.Map(node, keyPath, "an epoch such as {tmin: -0.2, tmax: 0.8}", &kEpochKeys)) {
        const std::string k = kv.first.Scalar();
        const std::string at = Reader::Join(keyPath, k);
        if (k == "tmin") {
            e.tmin = r.Number(kv.second, at, "a number in seconds");
            hasMin = true;
        } else if (k == "tmax") {
            e.tmax = r.Number(kv.second, at, "a number in seconds");
            hasMax = true;
        } else if (kv.second.IsSequence()) {
            const auto b = r.Range(kv.second, at, "pre, post, all, none or two numbers in seconds", -FLT_MAX, FLT_MAX);
            e.baseline = "range";
            e.baselineFrom = b.first;
            e.baselineTo = b.second;
        } else {
            e.baseline = kv.second.IsScalar() ? kv.second.Scalar() : "";
            if (e.baseline != "pre" && e.baseline != "post" && e.baseline != "all" && e.baseline != "none")
                r.Expected(kv.second, at, "pre, post, all, none or two numbers in seconds");
        }
    }
    if (!hasMin || !hasMax)
        r.Fail(key.Mark(), keyPath, std::string("expected tmin and tmax, got no ") + (hasMin ? "tmax" : "tmin"));
    if (!(e.tmin < e.tmax))
        r.Expected(node, keyPath, "tmin before tmax");
    return e;
}

Bin ReadBin(const Reader& r, const YAML::Node& key, const YAML::Node& node, const std::string& keyPath,
            const Rules& rules, const std::vector<std::string>& granted)
{
    Bin bin;
    bin.name = key.Scalar();
    int ways = 0;
    bool hasOffset = false;
    YAML::Node offsetNode;
    for (const auto& kv : r.Map(node, keyPath, "a bin such as {names: [standard], epoch: Stim}", &kBinKeys)) {
        const std::string k = kv.first.Scalar();
        const std::string at = Reader::Join(keyPath, k);
        if (k == "names" || k == "tags" || k == "logic") {
            if (++ways > 1)
                r.Fail(kv.first.Mark(), keyPath, "one of names, tags or logic per bin");
        }
        if (k == "names") {
            bin.kind = Bin::Names;
            bin.names = r.Names(kv.second, at);
        } else if (k == "tags") {
            bin.kind = Bin::Tags;
            if (!kv.second.IsSequence() || kv.second.size() == 0)
                r.Expected(kv.second, at, "a list of tags");
            for (const YAML::Node& item : kv.second) {
                const std::string tag = r.Text(item, at, "a tag defined under tags");
                if (std::find(granted.begin(), granted.end(), tag) == granted.end())
                    r.Fail(item.Mark(), at,
                           "expected a tag defined under tags, got " + tag +
                               (granted.empty() ? "" : " (did you mean " + Nearest(tag, granted) + "?)"));
                bin.tags.push_back(tag);
            }
        } else if (k == "logic") {
            bin.kind = Bin::Logic;
            const std::string what = "A op B over earlier bins, op one of and, or, and not, xor";
            std::istringstream words(r.Text(kv.second, at, what));
            std::vector<std::string> w;
            for (std::string s; words >> s;)
                w.push_back(s);
            if (w.size() == 4 && w[1] == "and" && w[2] == "not")
                w = {w[0], "and not", w[3]};
            if (w.size() != 3 || (w[1] != "and" && w[1] != "or" && w[1] != "and not" && w[1] != "xor"))
                r.Expected(kv.second, at, what);
            for (const std::string& operand : {w[0], w[2]}) {
                bool earlier = std::any_of(rules.bins.begin(), rules.bins.end(), [&](const Bin& b) { return b.name == operand; });
                if (!earlier)
                    r.Expected(kv.second, at, "bins defined above this one (" + operand + " is not)");
            }
            bin.left = w[0];
            bin.op = w[1];
            bin.right = w[2];
        } else if (k == "epoch") {
            bin.epoch = r.Text(kv.second, at, "an epoch name");
            bool known = std::any_of(rules.epochs.begin(), rules.epochs.end(), [&](const Epoch& e) { return e.id == bin.epoch; });
            if (!known) {
                std::vector<std::string> ids;
                for (const Epoch& e : rules.epochs)
                    ids.push_back(e.id);
                r.Fail(kv.second.Mark(), at,
                       "expected an epoch defined under epochs, got " + bin.epoch + " (did you mean " +
                           Nearest(bin.epoch, ids) + "?)");
            }
        } else if (k == "every") {
            bin.every = r.Whole(kv.second, at, "a whole number from 1 to 1000000", 1, 1000000);
        } else if (k == "offset") {
            hasOffset = true;
            offsetNode = kv.second;
            bin.offset = r.Whole(kv.second, at, "a whole number from 0", 0, 1000000);
        } else if (k == "percent") {
            const auto p = r.Range(kv.second, at, "two percentages [from, to], from below 100", 0.0, 100.0);
            if (!(p.first < 100.0))
                r.Expected(kv.second, at, "two percentages [from, to], from below 100");
            bin.hasPercent = true;
            bin.percentFrom = p.first;
            bin.percentTo = p.second;
        }
    }
    if (ways == 0)
        r.Fail(key.Mark(), keyPath, "expected names, tags or logic, got none");
    if (bin.epoch.empty())
        r.Fail(key.Mark(), keyPath, "expected an epoch, got none");
    if (hasOffset && (bin.every == 0 || bin.offset >= bin.every))
        r.Expected(offsetNode, keyPath + ".offset", "a whole number below every");
    return bin;
}

} // namespace

bool Rules::NeedsNames() const
{
    for (const Tag& t : tags)
        for (const Condition& c : t.conditions)
            if (!c.followed)
                return true;
    return false;
}

bool Rules::Thinned() const
{
    return std::any_of(bins.begin(), bins.end(), [](const Bin& b) { return b.Thinned(); });
}

Rules Parse(const std::string& text, const std::string& path)
{
    Reader r(path);
    YAML::Node root;
    try {
        root = YAML::Load(text);
    } catch (const YAML::ParserException& e) {
        r.Fail(e.mark, "", e.msg);
    }
    Rules rules;
    rules.path = path;
    if (!root.IsMap())
        r.Expected(root, "", "a rules file (a mapping with epochs, tags and bins)");
    const auto top = r.Map(root, "", "a mapping", &kTopKeys);
    // A key that is absent gives an undefined pair.
    auto find = [&](const std::string& name) {
        for (const auto& kv : top)
            if (kv.first.Scalar() == name)
                return kv;
        return std::pair<YAML::Node, YAML::Node>(YAML::Node(YAML::NodeType::Undefined), YAML::Node());
    };
    const auto epochs = find("epochs");
    if (!epochs.first.IsDefined())
        r.Fail(root.Mark(), "epochs", "expected the epochs of the study, got none");
    for (const auto& kv : r.Map(epochs.second, "epochs", "a mapping of epoch names to {tmin, tmax, baseline}"))
        rules.epochs.push_back(ReadEpoch(r, kv.first, kv.second, "epochs." + kv.first.Scalar()));
    std::vector<std::string> granted;
    const auto tags = find("tags");
    if (tags.first.IsDefined()) {
        for (const auto& kv : r.Map(tags.second, "tags", "a mapping of factor:value tags to tag rules")) {
            Tag tag = ReadTag(r, kv.first, kv.second, "tags." + kv.first.Scalar());
            for (const auto& p : tag.pairs) {
                const std::string t = p.first + ":" + p.second;
                if (std::find(granted.begin(), granted.end(), t) == granted.end())
                    granted.push_back(t);
            }
            rules.tags.push_back(tag);
        }
    }
    const auto bins = find("bins");
    if (!bins.first.IsDefined())
        r.Fail(root.Mark(), "bins", "expected the bins of the study, got none");
    for (const auto& kv : r.Map(bins.second, "bins", "a mapping of bin names to bins"))
        rules.bins.push_back(ReadBin(r, kv.first, kv.second, "bins." + kv.first.Scalar(), rules, granted));
    if (rules.bins.empty())
        r.Expected(bins.second, "bins", "at least one bin");
    const auto exclude = find("exclude");
    if (exclude.first.IsDefined())
        rules.exclude = r.Bool(exclude.second, "exclude");
    const auto names = find("names");
    if (names.first.IsDefined()) {
        rules.hasNames = true;
        rules.names = r.Names(names.second, "names");
    }
    return rules;
}

Rules Load(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw Error(path + ": cannot read the rules file");
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad())
        throw Error(path + ": cannot read the rules file");
    return Parse(text.str(), path);
}

bool LooksLikeRules(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t\r\n\xEF\xBB\xBF");
    return first != std::string::npos && text[first] != '<';
}

void WantedNames(const Rules& rules, std::vector<std::string>& names, std::vector<std::string>& tags)
{
    auto add = [](std::vector<std::string>& to, const std::string& v) {
        if (std::find(to.begin(), to.end(), v) == to.end())
            to.push_back(v);
    };
    for (const Tag& t : rules.tags) {
        for (const std::string& n : t.targets)
            add(names, n);
        for (const Condition& c : t.conditions)
            for (const std::string& n : c.names)
                add(names, n);
    }
    for (const Bin& b : rules.bins) {
        for (const std::string& n : b.names)
            add(names, n);
        for (const std::string& t : b.tags)
            add(tags, t);
    }
}

} // namespace ecRules
