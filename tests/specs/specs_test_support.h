#pragma once
#include "../support/ec_error_of.h"
#include "../support/event_builders.h"
#include "../support/xml_text.h"
// Builders shared by the tests of this folder: XML readers and writers and
// bin descriptions put together through the public
// interfaces.
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "ecevents/events/ecEvent.h"
#include "ecevents/events/ecEventList.h"
#include "ecevents/specs/ecAttribSpec.h"
#include "ecevents/specs/ecCondEventFlag.h"
#include "ecevents/specs/ecConditional.h"
#include "ecevents/specs/ecEventSpecs.h"
#include "ecevents/specs/ecPar_BinDesc.h"
#include "ecevents/specs/ecTarget.h"
#include "ecevents/specs/ecTimeAnchor.h"
#include "ecevents/foundation/ecError.h"
#include "ecutil/ecXml.h"

namespace specs_test {

using ::XmlOf;
using ::Written;


inline std::string Repeated(const std::string& element, int n) {
    std::string s;
    for (int i = 0; i < n; ++i)
        s += element;
    return s;
}

inline ecTimeAnchor Anchor(bool minus, float latency, const std::string& name) {
    ecTimeAnchor a;
    if (minus)
        a.SetOptionFlag(ecTimeAnchor::kMinus);
    a.SetLatencyWRTSpecifier(latency);
    a.SetName(name);
    return a;
}

inline ecAttribSpec* AddSpec(ecPar_BinDesc& desc, const std::string& factor, const std::string& value) {
    desc.AddOneAttribSpec();
    ecAttribSpec* spec = desc.GetpAttribSpec(desc.GetNumAttribSpecs() - 1);
    spec->AppendOneFactorValuePair(factor, value);
    return spec;
}

inline ecTarget* AddTarget(ecAttribSpec* spec, const std::string& name, std::initializer_list<std::string> events) {
    const int count = spec->CreateTarget(name);
    ecTarget* target = spec->GetpEventSpecs()->GetpTarget(count - 1);
    for (const std::string& e : events)
        target->AddEvent(e);
    return target;
}

struct AnchorDef {
    std::string specifier;
    bool minus;
    float latency;
};

inline void SetAnchor(ecTimeAnchor* anchor, const AnchorDef& def) {
    anchor->SetName(def.specifier);
    anchor->SetLatencyWRTSpecifier(def.latency);
    anchor->SetOption(def.minus ? ecTimeAnchor::kMinus : 0);
}

inline ecConditional* AddConditional(ecAttribSpec* spec, const std::string& name,
                                     std::initializer_list<std::string> events, long option, const AnchorDef& pre,
                                     const AnchorDef& post) {
    const int index = spec->CreateConditional(name);
    ecConditional* cond = spec->GetpEventSpecs()->GetpConditional(index);
    for (const std::string& e : events)
        cond->AddEvent(e);
    cond->SetOption(option);
    SetAnchor(cond->GetpTimeAnchorPre(), pre);
    SetAnchor(cond->GetpTimeAnchorPost(), post);
    return cond;
}

inline ecCondEventFlag* AddFlag(ecEventSpecBase* owner, unsigned int code, long option, unsigned int setCode = 0,
                                unsigned int clearCode = 0) {
    ecCondEventFlag* flag = new ecCondEventFlag();
    flag->SetCode(code);
    flag->SetSetCode(setCode);
    flag->SetClearCode(clearCode);
    flag->SetOption(option);
    owner->GetpvFlags()->push_back(flag);
    return flag;
}

inline std::vector<std::string> UniqueTags(const ecEventList& list) {
    std::vector<std::string> tags;
    for (int i = 0; i < list.GetUniqueTagNameCnt(); ++i)
        tags.push_back(list.GetUniqueTagName(i));
    return tags;
}

}  // namespace specs_test
