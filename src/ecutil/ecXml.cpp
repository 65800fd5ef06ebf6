// Placeholder: the reader is being written.
#include "ecutil/ecXml.h"

#include <ostream>

ecXml::ecXml() = default;
ecXml::~ecXml() = default;
ecXml::ecXml(const ecXml& other) { NewCopy(other); }
ecXml::ecXml(ecXml&& other) noexcept = default;
ecXml& ecXml::operator=(const ecXml& other) { NewCopy(other); return *this; }
ecXml& ecXml::operator=(ecXml&& other) noexcept = default;
bool ecXml::Read(const std::string&) { return false; }
void ecXml::SetText(const std::string&) {}
std::string ecXml::GetText() const { return {}; }
ecXml ecXml::Sub(const std::string&) { return {}; }
std::string ecXml::CharacterData(const std::string&) { return {}; }
std::string ecXml::CharacterData(char*, const std::string&) { return {}; }
std::string ecXml::CharacterDataNext(const std::string&) { return {}; }
bool ecXml::TagExists(const std::string&) { return false; }
int ecXml::GetInt(const std::string&) { return 0; }
float ecXml::GetFloat(const std::string&) { return 0.0f; }
bool ecXml::GetBool(const std::string&) { return false; }
bool ecXml::GetBeginEnd(int&, int&, const std::string&) { return false; }
void ecXml::Free() {}
bool ecXml::IsEmpty() const { return true; }
void ecXml::Reset() {}
void ecXml::Write(std::ostream&) {}
void ecXml::NewCopy(const ecXml&) {}
void ecXml::SetTextPtr(char*) {}
char* ecXml::GetTextPtr() { return nullptr; }
bool ecXml::IsFullFledged() const { return m_bFullFledged; }
void ecXml::SetFullFledged(bool full) { m_bFullFledged = full; }
