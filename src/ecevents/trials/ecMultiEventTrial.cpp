#include "ecevents/trials/ecMultiEventTrial.h"

ecMultiEventTrial::ecMultiEventTrial() = default;

ecMultiEventTrial::ecMultiEventTrial(const ecMultiEventTrial& other) : m_vEvents(other.m_vEvents) {}

ecMultiEventTrial& ecMultiEventTrial::operator=(const ecMultiEventTrial& other)
{
    if (this != &other)
        m_vEvents = other.m_vEvents;
    return *this;
}

ecMultiEventTrial::~ecMultiEventTrial() = default;
