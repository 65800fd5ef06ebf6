#include "ecinterop/ecBinWalk.h"

#include "ecevents/foundation/ecError.h"
#include "ecevents/logic/ecBinResultList.h"
#include "ecutil/ecXml.h"

void ecBinWalk::Run(const std::string& binResultsText, ecEventList& list, const Visit& visit)
{
    ecBinResultList results;
    results.SetpEvents(&list);
    ecXml xml;
    xml.SetText(binResultsText);
    results.ReadXml(xml);
    results.ResetForPreselection();
    for (std::string id = results.PreselectNextBin(); !id.empty(); id = results.PreselectNextBin()) {
        const ecBinResult* result = results.GetpPreselected();
        if (!result)
            throw ecError("[ecBinWalk::Run] Technical error (no preselected bin)");
        visit(Bin{id, *result, results});
    }
}
