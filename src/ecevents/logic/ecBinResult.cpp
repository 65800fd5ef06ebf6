#include "ecevents/logic/ecBinResult.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <utility>

#include "ecevents/foundation/ecError.h"
#include "ecutil/ecArray.h"

ecBinResult::ecBinResult()
{
    BasicConstruct();
}

ecBinResult::ecBinResult(const ecBinResult& other)
{
    BasicConstruct();
    *this = other;
}

ecBinResult::ecBinResult(ecBinResult&& other) noexcept
{
    BasicConstruct();
    *this = std::move(other);
}

ecBinResult::~ecBinResult()
{
    Free();
}

void ecBinResult::BasicConstruct()
{
    m_nOrder = 0;
    m_nItems = 0;
    m_sID.clear();
    m_bPopped = false;
    m_bHidden = false;
    R0 = false;
    R1 = nullptr;
    R2 = nullptr;
    m_bInitialized = false;
    m_nTag = 1;
    m_vExcluded.clear();
}

void ecBinResult::Free()
{
    R0 = false;
    ecArray::Free(R1);
    ecArray::Free(R2);
    m_nOrder = 0;
    m_nItems = 0;
    m_bInitialized = false;
}

void ecBinResult::Initialize(int nOrder, int nItems, ecEventRelatedEpoch epoch, int nTag)
{
    static const std::string prefix = "[ecBinResult::Initialize] ";
    Free();
    if (nOrder < 0 || nOrder > 2)
        throw ecError(prefix + "Technical error (nOrder<0 || nOrder>2)");
    if (nOrder > 0 && nItems <= 0)
        throw ecError(prefix + "Technical error nOrder>0 && nItems<=0)");
    m_nOrder = nOrder;
    m_nItems = nItems;
    m_Epoch = epoch;
    const std::string problem = m_Epoch.CheckIntegrity();
    if (!problem.empty()) {
        Free();
        throw ecError(prefix + problem);
    }
    if (nOrder == 1 && !ecArray::Alloc(R1, nItems)) {
        Free();
        throw ecError(prefix + "Memory allocation failed (R1)");
    }
    if (nOrder == 2 && !ecArray::Alloc(R2, nItems, nItems)) {
        Free();
        throw ecError(prefix + "Memory allocation failed (R2)");
    }
    m_nTag = nTag;
    m_bInitialized = true;
}

int ecBinResult::Excluded() const
{
    return static_cast<int>(std::count(m_vExcluded.begin(), m_vExcluded.end(), 1));
}

ecBinResult& ecBinResult::operator=(const ecBinResult& other)
{
    if (this == &other)
        return *this;
    Free();
    m_bHidden = other.m_bHidden;
    m_sID = other.m_sID;
    m_bPopped = other.m_bPopped;
    m_Epoch = other.m_Epoch;
    m_nTag = other.m_nTag;
    m_vExcluded = other.m_vExcluded;
    if (!other.m_bInitialized)
        return *this;
    Initialize(other.m_nOrder, other.m_nItems, other.m_Epoch, other.m_nTag);
    const std::size_t n = static_cast<std::size_t>(m_nItems);
    switch (m_nOrder) {
    case 0:
        R0 = other.R0;
        break;
    case 1:
        if (other.R1)
            std::memcpy(R1, other.R1, n);
        break;
    case 2:
        if (other.R2)
            for (std::size_t row = 0; row < n; ++row)
                std::memcpy(R2[row], other.R2[row], n);
        break;
    default:
        throw ecError("[ecBinResult::operator=] Order>2 unimplemented");
    }
    return *this;
}

ecBinResult& ecBinResult::operator=(ecBinResult&& other) noexcept
{
    if (this == &other)
        return *this;
    Free();
    m_Epoch = other.m_Epoch;
    m_sID.swap(other.m_sID);
    std::swap(m_nOrder, other.m_nOrder);
    std::swap(m_nItems, other.m_nItems);
    std::swap(m_bPopped, other.m_bPopped);
    std::swap(m_bHidden, other.m_bHidden);
    std::swap(R0, other.R0);
    std::swap(R1, other.R1);
    std::swap(R2, other.R2);
    std::swap(m_bInitialized, other.m_bInitialized);
    std::swap(m_nTag, other.m_nTag);
    m_vExcluded.swap(other.m_vExcluded);
    return *this;
}
