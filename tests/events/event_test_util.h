#pragma once
#include <string>

#include "ecevents/events/ecEvent.h"

inline ecEvent MakeEvent(const std::string& name, int start, int stop = -2147483647 - 1, unsigned int status = 2)
{
    ecEvent e;
    e.m_sName = name;
    e.m_iStart = start;
    e.m_iStop = stop == -2147483647 - 1 ? start : stop;
    e.m_nStatus = status;
    return e;
}
