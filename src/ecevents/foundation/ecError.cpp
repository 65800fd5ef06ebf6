#include "ecevents/foundation/ecError.h"

ecError::ecError(const char* message, int value4, int value1, int value2, int value3)
    : m_iValue1(value1), m_iValue2(value2), m_iValue3(value3), m_iValue4(value4),
      m_sMessage(message ? message : "")
{
}

ecError::ecError(const std::string& message, int value4, int value1, int value2, int value3)
    : m_iValue1(value1), m_iValue2(value2), m_iValue3(value3), m_iValue4(value4), m_sMessage(message)
{
}

ecError::~ecError() = default;

const char* ecError::what() const noexcept
{
    return m_sMessage.c_str();
}
