// The bin-results document: run over a small recording, its bins walked and
// written as event files into the scratch folder.
#include <string>

#include "FuzzBins.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::RunBins(std::string(reinterpret_cast<const char*>(data), size), true);
    fuzz::ClearScratch("");
    return 0;
}
