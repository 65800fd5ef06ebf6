#include "ecevents/events/ecEventList.h"

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <utility>

namespace {

const char* const kDifferentTypes = "[ecEventList::DoComparison]: Unable to compare different typies.";

template <class T>
bool Compare(const T& a, const T& b, int op)
{
    switch (op) {
    case 1:
        return a == b;
    case 2:
        return a < b;
    case 4:
        return b < a;
    case 6:
        return !(a == b);
    default:
        return false;
    }
}

// Addresses of unrelated events are ordered through std::less, which is
// defined for any two pointers.
bool ComparePointers(const ecEvent* a, const ecEvent* b, int op)
{
    switch (op) {
    case 1:
        return a == b;
    case 2:
        return std::less<const ecEvent*>()(a, b);
    case 4:
        return std::less<const ecEvent*>()(b, a);
    case 6:
        return a != b;
    default:
        return false;
    }
}

bool IsOrderOperator(int op) { return op == 1 || op == 2 || op == 4 || op == 6; }
bool IsEqualityOperator(int op) { return op == 1 || op == 6; }

const float* FloatField(const ecEvent& e, int field)
{
    switch (field) {
    case 10:
        return &e.m_fResponseTime;
    case 11:
        return &e.m_fResponseMag;
    case 12:
        return &e.m_fResponseScore;
    default:
        return nullptr;
    }
}

const int* IntField(const ecEvent& e, int field)
{
    switch (field) {
    case 3:
        return &e.m_iStart;
    case 4:
        return &e.m_iStop;
    case 5:
        return &e.m_iAttribute;
    default:
        return nullptr;
    }
}

const std::string* TextField(const ecEvent& e, int field)
{
    switch (field) {
    case 1:
        return &e.m_sName;
    case 6:
        return &e.m_sNotation;
    default:
        return nullptr;
    }
}

// The exchange sort that orders one name's events: unstable, and its order
// among equal starts is part of the list's behaviour.
void ExchangeSort(std::vector<ecEvent>& events)
{
    bool ordered = true;
    for (std::size_t i = 1; i < events.size() && ordered; ++i)
        ordered = events[i - 1].m_iStart <= events[i].m_iStart;
    if (ordered)
        return; // no pass would swap anything

    std::vector<int> starts;
    starts.reserve(events.size());
    for (const ecEvent& e : events)
        starts.push_back(e.m_iStart);
    std::sort(starts.begin(), starts.end());
    if (std::adjacent_find(starts.begin(), starts.end()) == starts.end()) {
        // Without equal starts every correct sort gives the same order.
        std::sort(events.begin(), events.end(),
                  [](const ecEvent& a, const ecEvent& b) { return a.m_iStart < b.m_iStart; });
        return;
    }
    for (std::size_t i = 0; i < events.size(); ++i) {
        for (std::size_t j = i + 1; j < events.size(); ++j) {
            if (events[j].m_iStart < events[i].m_iStart)
                std::swap(events[i], events[j]);
        }
    }
}

} // namespace

bool ecEventList::DoComparison(ecEvent& a, ecEvent& b, int op, int field)
{
    if (!IsOrderOperator(op))
        return false;
    if (field == 2)
        return Compare(a.m_nStatus, b.m_nStatus, op);
    if (field == 7)
        return ComparePointers(a.m_pAssociatedEvent, b.m_pAssociatedEvent, op);
    if (const std::string* text = TextField(a, field))
        return Compare(*text, *TextField(b, field), op);
    if (const int* value = IntField(a, field))
        return Compare(*value, *IntField(b, field), op);
    if (const float* value = FloatField(a, field))
        return Compare(*value, *FloatField(b, field), op);
    return false;
}

bool ecEventList::DoComparison(ecEvent& a, float value, int op, int field)
{
    if (!IsOrderOperator(op))
        return false;
    const float* mine = FloatField(a, field);
    if (!mine)
        throw std::runtime_error(kDifferentTypes);
    return Compare(*mine, value, op);
}

bool ecEventList::DoComparison(ecEvent& a, int value, int op, int field)
{
    if (!IsOrderOperator(op))
        return false;
    if (field == 2)
        return Compare(a.m_nStatus, static_cast<unsigned int>(value), op);
    const int* mine = IntField(a, field);
    if (!mine)
        throw std::runtime_error(kDifferentTypes);
    return Compare(*mine, value, op);
}

bool ecEventList::DoComparison(ecEvent& a, std::string value, int op, int field)
{
    if (!IsEqualityOperator(op))
        return false;
    const std::string* mine = TextField(a, field);
    if (!mine)
        throw std::runtime_error(kDifferentTypes);
    return Compare(*mine, value, op);
}

bool ecEventList::DoComparison(ecEvent& a, ecEvent* value, int op, int field)
{
    if (!IsEqualityOperator(op))
        return false;
    if (field != 7)
        throw std::runtime_error(kDifferentTypes);
    return ComparePointers(a.m_pAssociatedEvent, value, op);
}

namespace {

// The nearest event within 1 to 27 samples on one side of e; distance gives
// how far a candidate lies in the searched direction.
template <class Distance>
ecEvent* NearestWithinWindow(std::vector<ecEvent>& events, const ecEvent& e, bool sameName, Distance distance)
{
    ecEvent* best = nullptr;
    long long bestDistance = 0;
    for (ecEvent& candidate : events) {
        if (sameName && candidate.m_sName != e.m_sName)
            continue;
        const long long d = distance(candidate);
        if (d < 1 || d > 27)
            continue;
        if (!best || d < bestDistance) {
            best = &candidate;
            bestDistance = d;
        }
    }
    return best;
}

} // namespace

ecEvent* ecEventList::GetPreceedingEvent(ecEvent& e, bool sameName)
{
    const long long start = e.m_iStart;
    return NearestWithinWindow(*this, e, sameName,
                               [start](const ecEvent& c) { return start - static_cast<long long>(c.m_iStart); });
}

ecEvent* ecEventList::GetSucceedingEvent(ecEvent& e, bool sameName)
{
    const long long start = e.m_iStart;
    return NearestWithinWindow(*this, e, sameName,
                               [start](const ecEvent& c) { return static_cast<long long>(c.m_iStart) - start; });
}

void ecEventList::SortEventListInTimelyOrder(std::string name)
{
    if (name.empty()) {
        m_iCurrentEventIndex = -1;
        const auto byStart = [](const ecEvent& a, const ecEvent& b) { return a.m_iStart < b.m_iStart; };
        if (std::is_sorted(begin(), end(), byStart))
            return; // lists are mostly written in time order already
        // Events are large: sort compact (start, index) keys and move each
        // event once. The index breaks ties, which keeps the sort stable.
        std::vector<std::pair<int, size_type>> keys(size());
        for (size_type i = 0; i < keys.size(); ++i)
            keys[i] = {(*this)[i].m_iStart, i};
        std::sort(keys.begin(), keys.end());
        // Follow the permutation's cycles in place: no second buffer of events
        // to allocate and fault in.
        std::vector<bool> placed(size(), false);
        for (size_type i = 0; i < keys.size(); ++i) {
            if (placed[i] || keys[i].second == i)
                continue;
            ecEvent held = std::move((*this)[i]);
            size_type hole = i;
            for (;;) {
                placed[hole] = true;
                const size_type from = keys[hole].second;
                if (from == i)
                    break;
                (*this)[hole] = std::move((*this)[from]);
                hole = from;
            }
            (*this)[hole] = std::move(held);
        }
        return;
    }

    std::vector<ecEvent> named;
    ResetEventList();
    while (const ecEvent* e = GetNextEvent(name, false))
        named.push_back(*e);
    ExchangeSort(named);

    ResetEventList();
    std::size_t k = 0;
    while (ecEvent* e = GetNextEvent(name, false))
        *e = std::move(named[k++]);
}

ecEventList& ecEventList::operator=(const ecEventList& other)
{
    if (this == &other) {
        const ecEventList copy(other);
        return *this = copy;
    }
    Clear();
    ecBase::operator=(other);
    m_sAnnotation = other.m_sAnnotation;
    m_fSamplingRate = other.m_fSamplingRate;
    m_iEventListSource = other.m_iEventListSource;
    m_iEventFileMFR = other.m_iEventFileMFR;
    m_bExactTime = other.m_bExactTime;
    std::vector<ecEvent>::operator=(other);
    RebuildUniqueEventNames();
    m_vUniqueTagNames = other.m_vUniqueTagNames;
    return *this;
}
