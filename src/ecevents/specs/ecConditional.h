#pragma once
#include <iosfwd>
#include <string>
#include <vector>

#include "ecevents/specs/ecEventSpecBase.h"
#include "ecevents/specs/ecTimeAnchor.h"

class ecXml;

// Context events that must (kNegated: must not) stand near a reference event.
// The pre anchor names the reference and, by its sign, the search direction;
// with kWindow the pre and post anchors bound a time window. kPermeable lets
// other events stand between the reference and the context event.
class ecConditional : public ecEventSpecBase {
public:
    enum { kNegated = 1, kPermeable = 2, kWindow = 4 };

    ecConditional();
    ecConditional(const ecConditional& other);
    ecConditional& operator=(const ecConditional& other);
    ~ecConditional() override;
    using ecBase::operator=;
    using ecBase::operator==;

    void AddEvent(const std::string& name);
    int GetNumEvents() const;
    std::vector<std::string>* GetpEventNames();

    void SetPermeable();
    void SetImpermeable();
    bool IsPermeable() const;
    bool IsNegated() const;
    bool HasWindow() const;
    ecTimeAnchor* GetpTimeAnchorPre();
    ecTimeAnchor* GetpTimeAnchorPost();
    // True when the conditional looks at events before its reference.
    bool IsBeforeT0() const;
    void SetProperties(ecTimeAnchor pre, ecTimeAnchor post, unsigned int option);
    void SwapTimeAnchors();
    // Makes the pre anchor the window edge nearer to the reference.
    void ConsistencyCheck();
    void ResetRuntimeParameters();

    // False when the reader holds no further conditional element.
    virtual bool ReadXml(ecXml& xml);
    virtual void WriteXml(std::ostream& out);

private:
    std::vector<std::string> m_vEventNames;
    ecTimeAnchor m_TimeAnchorPre;
    ecTimeAnchor m_TimeAnchorPost;
};
