#pragma once
// What a call threw: the one way the tests ask for a library error's text.
#include <string>

#include "ecevents/foundation/ecError.h"

// The message of the ecError that the call throws; "" when it throws none.
template <class Call>
std::string EcErrorOf(Call&& call)
{
    try {
        call();
    } catch (const ecError& e) {
        return e.what();
    }
    return std::string();
}
