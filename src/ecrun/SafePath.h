#pragma once
#include <string>

// Guards on the names the host writes to. Bin IDs come from documents, so a
// bin list can name a bin "../../etc/x"; such IDs must never steer a write
// outside the output folder.
class SafePath {
public:
    // Why a bin ID cannot become part of a file name ("" when it can): empty,
    // holding a path separator, "..", or a control character.
    static std::string BinIdProblem(const std::string& id);
};
