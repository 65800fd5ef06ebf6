#pragma once
// The one way tests make events and event lists.
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "ecevents/events/ecEvent.h"
#include "ecevents/events/ecEventList.h"

// Status words as the event stores them.
constexpr unsigned int kNoStatus = 0u;
constexpr unsigned int kRejected = 1u;
constexpr unsigned int kAccepted = 2u;

constexpr int kAtStart = INT_MIN; // a stop that repeats the start: a point event

inline ecEvent MakeEvent(const std::string& name, int start, int stop = kAtStart, unsigned int status = kAccepted,
                         std::vector<std::string> tags = {})
{
    ecEvent e;
    e.m_sName = name;
    e.m_iStart = start;
    e.m_iStop = stop == kAtStart ? start : stop;
    e.m_nStatus = status;
    e.m_vTags = std::move(tags);
    return e;
}

// A list from words such as "Stim@100 Resp@150..160! Bad@7? Std@9*+cond:a+side:l":
// name@start[..stop], then ! for rejected, ? for no status (accepted
// otherwise), * for the tagged flag and +tag for each tag. A word without
// @start comes 1000 samples after the one before it, the first at 10000.
// Events go straight into the vector, so equal events stay separate and no
// name is registered. A word it cannot read throws, so a slip in a test shows.
inline ecEventList MakeList(const std::string& words, float rate = 1000.0f)
{
    ecEventList list;
    list.SetSamplingRate(rate);
    int next = 10000;
    for (std::size_t at = words.find_first_not_of(' '); at != std::string::npos;
         at = words.find_first_not_of(' ', at)) {
        const std::size_t end = std::min(words.find(' ', at), words.size());
        const std::string word = words.substr(at, end - at);
        at = end;
        std::size_t cut = word.find_first_of("@!?*+");
        ecEvent e = MakeEvent(word.substr(0, cut), next);
        char* rest = nullptr;
        if (cut != std::string::npos && word[cut] == '@') {
            e.m_iStart = e.m_iStop = static_cast<int>(std::strtol(word.c_str() + cut + 1, &rest, 10));
            if (rest == word.c_str() + cut + 1)
                throw std::invalid_argument("MakeList: no start in \"" + word + "\"");
            if (rest[0] == '.' && rest[1] == '.')
                e.m_iStop = static_cast<int>(std::strtol(rest + 2, &rest, 10));
            cut = static_cast<std::size_t>(rest - word.c_str());
        }
        for (; cut < word.size() && word[cut] != '+'; ++cut)
            if (word[cut] == '!')
                e.m_nStatus = kRejected;
            else if (word[cut] == '?')
                e.m_nStatus = kNoStatus;
            else if (word[cut] == '*')
                e.SetTagged();
            else
                throw std::invalid_argument("MakeList: unknown mark in \"" + word + "\"");
        for (std::size_t plus = cut; plus < word.size();) {
            const std::size_t following = std::min(word.find('+', plus + 1), word.size());
            e.m_vTags.push_back(word.substr(plus + 1, following - plus - 1));
            plus = following;
        }
        next = e.m_iStart + 1000;
        list.push_back(std::move(e));
    }
    return list;
}
