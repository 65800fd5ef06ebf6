#pragma once
#include <exception>
#include <string>

// The one exception type the library throws. The four integers are carried
// for the host; the library always leaves them at their defaults.
class ecError : public std::exception {
public:
    ecError(const char* message, int value4 = 1, int value1 = 0, int value2 = -1, int value3 = -1);
    ecError(const std::string& message, int value4 = 1, int value1 = 0, int value2 = -1, int value3 = -1);
    ecError(const ecError& other) = default;
    ecError& operator=(const ecError& other) = default;
    ~ecError() override;

    const char* what() const noexcept override;

    int m_iValue1;
    int m_iValue2;
    int m_iValue3;
    int m_iValue4;

private:
    std::string m_sMessage;
};
