#pragma once
#include <string>
#include <vector>

// Guards on the names the host writes to. Bin IDs come from documents, so a
// bin list can name a bin "../../etc/x"; such IDs must never steer a write
// outside the output folder, and no output may land on one of the inputs.
class SafePath {
public:
    // Why a bin ID cannot become part of a file name ("" when it can): empty,
    // holding a path separator, "..", or a control character.
    static std::string BinIdProblem(const std::string& id);

    // True when both names refer to the same file (also through links or
    // different spellings of the same path); false when either is missing.
    static bool SameFile(const std::string& a, const std::string& b);

    // Throws HostError when the output would replace one of the inputs.
    static void RefuseInputAsOutput(const std::string& output, const std::vector<std::string>& inputs);
};
