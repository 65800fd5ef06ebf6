#include "ecevents/trials/ecMultiEventTrialList.h"

ecMultiEventTrialList::ecMultiEventTrialList() = default;

ecMultiEventTrialList::ecMultiEventTrialList(const ecMultiEventTrialList& other) : m_vTrials(other.m_vTrials) {}

ecMultiEventTrialList& ecMultiEventTrialList::operator=(const ecMultiEventTrialList& other)
{
    if (this != &other)
        m_vTrials = other.m_vTrials;
    return *this;
}

ecMultiEventTrialList::~ecMultiEventTrialList() = default;
