#pragma once
#include <vector>

#include "ecevents/trials/ecMultiEventTrial.h"

// Trials of several events each, in the order the host put them.
class ecMultiEventTrialList {
public:
    ecMultiEventTrialList();
    ecMultiEventTrialList(const ecMultiEventTrialList& other);
    ecMultiEventTrialList& operator=(const ecMultiEventTrialList& other);
    virtual ~ecMultiEventTrialList();

    std::vector<ecMultiEventTrial> m_vTrials;
};
