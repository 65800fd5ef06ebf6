#pragma once
#include <vector>

#include "ecevents/events/ecEvent.h"

// The events of one trial made of several events (a stimulus and its
// responses, say), in the order the host put them.
class ecMultiEventTrial {
public:
    ecMultiEventTrial();
    ecMultiEventTrial(const ecMultiEventTrial& other);
    ecMultiEventTrial& operator=(const ecMultiEventTrial& other);
    virtual ~ecMultiEventTrial();

    std::vector<ecEvent> m_vEvents;
};
