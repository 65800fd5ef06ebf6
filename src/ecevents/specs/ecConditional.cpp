#include "ecevents/specs/ecConditional.h"

#include <ostream>

#include "ecevents/specs/ecSpecReading.h"
#include "ecutil/ecXml.h"
#include "ecutil/ecXmlWriter.h"

ecConditional::ecConditional() = default;
ecConditional::ecConditional(const ecConditional& other) = default;

ecConditional& ecConditional::operator=(const ecConditional& other)
{
    if (this != &other) {
        ecEventSpecBase::operator=(other);
        m_vEventNames = other.m_vEventNames;
        m_TimeAnchorPre = other.m_TimeAnchorPre;
        m_TimeAnchorPost = other.m_TimeAnchorPost;
    }
    return *this;
}

ecConditional::~ecConditional() = default;

void ecConditional::AddEvent(const std::string& name) { m_vEventNames.push_back(name); }
int ecConditional::GetNumEvents() const { return static_cast<int>(m_vEventNames.size()); }
std::vector<std::string>* ecConditional::GetpEventNames() { return &m_vEventNames; }

void ecConditional::SetPermeable() { SetOptionFlag(kPermeable); }
void ecConditional::SetImpermeable() { ClearOptionFlag(kPermeable); }
bool ecConditional::IsPermeable() const { return (GetOption() & kPermeable) != 0; }
bool ecConditional::IsNegated() const { return (GetOption() & kNegated) != 0; }
bool ecConditional::HasWindow() const { return (GetOption() & kWindow) != 0; }
ecTimeAnchor* ecConditional::GetpTimeAnchorPre() { return &m_TimeAnchorPre; }
ecTimeAnchor* ecConditional::GetpTimeAnchorPost() { return &m_TimeAnchorPost; }
bool ecConditional::IsBeforeT0() const { return m_TimeAnchorPre.IsMinus(); }

void ecConditional::SetProperties(ecTimeAnchor pre, ecTimeAnchor post, unsigned int option)
{
    m_TimeAnchorPre = pre;
    m_TimeAnchorPost = post;
    SetOption(static_cast<long>(option));
}

void ecConditional::SwapTimeAnchors()
{
    // Assignment moves everything but the display coordinates and the tab
    // depth, which stay with their slot.
    const ecTimeAnchor pre(m_TimeAnchorPre);
    m_TimeAnchorPre = m_TimeAnchorPost;
    m_TimeAnchorPost = pre;
}

void ecConditional::ConsistencyCheck()
{
    if (!HasWindow() || m_TimeAnchorPre.GetName() != m_TimeAnchorPost.GetName())
        return;
    if (m_TimeAnchorPre.IsMinus() != m_TimeAnchorPost.IsMinus())
        return;
    if (m_TimeAnchorPre.GetLatencyWRTSpecifier() > m_TimeAnchorPost.GetLatencyWRTSpecifier())
        SwapTimeAnchors();
}

void ecConditional::ResetRuntimeParameters()
{
    m_TimeAnchor.ResetRuntimeParameters();
    m_TimeAnchorPre.ResetRuntimeParameters();
    m_TimeAnchorPost.ResetRuntimeParameters();
}

bool ecConditional::ReadXml(ecXml& xml)
{
    ecXml cond = xml.Sub("conditional");
    if (cond.IsEmpty())
        return false;
    m_sName = cond.CharacterData("name");
    SetOption(cond.GetInt("option"));
    // The reader keeps a search position per tag, so reading mode ahead of
    // the anchors and names costs them nothing.
    if (cond.CharacterData("mode") == "impermeable")
        SetImpermeable();
    else
        SetPermeable();
    ecXml pre = cond.Sub("pre");
    if (!pre.IsEmpty())
        m_TimeAnchorPre.ReadXml(pre);
    ecXml post = cond.Sub("post");
    if (!post.IsEmpty())
        m_TimeAnchorPost.ReadXml(post);
    ecReadTextList(cond, "event", m_vEventNames, "[ecConditional::ReadXml] Event limit exceeded.");
    // The second reading decides: only the text "permeable" makes it so.
    if (cond.CharacterData("mode") == "permeable")
        SetPermeable();
    else
        SetImpermeable();
    ReadFlags(cond, "[ecConditional::ReadXml] Flag limit exceeded.");
    return true;
}

void ecConditional::WriteXml(std::ostream& out)
{
    ecXmlWriter xml(out);
    const int d = m_iTabDepth;
    xml.OpenLine(d, "conditional");
    xml.Line(d + 1, "name", m_sName);
    xml.Line(d + 1, "option", GetOption());
    xml.OpenLine(d + 1, "pre");
    m_TimeAnchorPre.SetTabDepth(d + 2);
    m_TimeAnchorPre.WriteXml(out);
    xml.CloseLine(d + 1, "pre");
    xml.OpenLine(d + 1, "post");
    m_TimeAnchorPost.SetTabDepth(d + 2);
    m_TimeAnchorPost.WriteXml(out);
    xml.CloseLine(d + 1, "post");
    for (const std::string& name : m_vEventNames)
        xml.Line(d + 1, "event", name);
    xml.Line(d + 1, "mode", (IsPermeable() ? "permeable" : "impermeable"));
    WriteFlags(out, d + 1);
    xml.CloseLine(d, "conditional");
}
