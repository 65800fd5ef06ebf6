// The rules file: parsed, compiled for a small recording's names and
// explained. A wrong file must end in the one-line error of the rules
// reader or of the library, whatever the YAML holds.
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "ecevents/foundation/ecError.h"
#include "ecrules/ecRules.h"
#include "ecrules/ecRulesExplain.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    static const std::vector<std::string> names = {"standard", "deviant", "response", "EXCLUDE"};
    try {
        const ecRules::Rules rules = ecRules::Parse(text, "fuzz.yaml");
        const ecRules::Compiled compiled = ecRules::Compile(rules, &names);
        if (!compiled.binDesc.empty())
            ecRules::ExplainBinDesc(compiled.binDesc);
        ecRules::ExplainBins(compiled.bins);
    } catch (const ecRules::Error& e) {
        FUZZ_CHECK(std::string(e.what()).find('\n') == std::string::npos, "a rules error is one line");
    } catch (const ecError&) {
    }
    return 0;
}
