#pragma once
// XML in and out of objects as text, for tests that compare documents.
#include <sstream>
#include <string>

#include "ecutil/ecXml.h"

// A reader holding the document text.
inline ecXml XmlOf(const std::string& text)
{
    ecXml xml;
    xml.SetText(text);
    return xml;
}

// What object.WriteXml writes.
template <class T>
std::string Written(T& object)
{
    std::ostringstream out;
    object.WriteXml(out);
    return out.str();
}
