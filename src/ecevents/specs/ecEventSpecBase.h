#pragma once
#include <iosfwd>
#include <string>
#include <vector>

#include "ecevents/foundation/ecBase.h"
#include "ecevents/specs/ecCondEventFlag.h"
#include "ecevents/specs/ecTimeAnchor.h"

class ecXml;

// What targets and conditionals share: the name by which time anchors refer
// to them, the anchor where matching records the event found for them, and
// their condition flags (owned).
class ecEventSpecBase : public ecBase {
public:
    ecEventSpecBase();
    ecEventSpecBase(const ecEventSpecBase& other);
    ecEventSpecBase& operator=(const ecEventSpecBase& other);
    ~ecEventSpecBase() override;
    using ecBase::operator=;
    using ecBase::operator==;

    void SetTabDepth(int depth);
    int GetTabDepth() const;
    std::string GetName() const;
    void SetName(const std::string& name);
    ecTimeAnchor* GetpTimeAnchor();
    std::vector<ecCondEventFlag*>* GetpvFlags();
    int GetNumFlags() const;

protected:
    void DeleteFlags();
    void CopyFlags(const ecEventSpecBase& other);
    void WriteFlags(std::ostream& out, int depth);
    // Appends the flags read from the element; limitMessage at the limit.
    void ReadFlags(ecXml& xml, const char* limitMessage);

    std::string m_sName;
    ecTimeAnchor m_TimeAnchor;
    int m_iTabDepth = 0;
    std::vector<ecCondEventFlag*> m_vpFlags;
};
