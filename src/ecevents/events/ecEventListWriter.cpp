#include "ecevents/events/ecEventList.h"

#include <fstream>
#include <ostream>
#include <vector>

#include "ecutil/ecXmlWriter.h"

bool ecEventList::WriteXml(std::ostream& out)
{
    ecXmlWriter xml(out);
    xml.OpenLine(0, "KOVA_Event_List");
    if (!m_sAnnotation.empty())
        xml.OpenLine(0, "Annotation").Text(m_sAnnotation).CloseLine(0, "Annotation");
    ResetEventList();
    while (ecEvent* e = GetNextEvent(false)) {
        e->WriteXml(out);
        xml.Newline();
    }
    xml.CloseLine(0, "KOVA_Event_List");
    return true;
}

bool ecEventList::Write(const char* file)
{
    if (!file)
        return false;
    SortEventListInTimelyOrder("");
    {
        std::vector<char> buffer(1 << 20);
        std::ofstream out;
        out.rdbuf()->pubsetbuf(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        out.open(file, std::ios::out | std::ios::trunc | std::ios::binary);
        if (out)
            WriteXml(out);
    }
    SetDirty(false);
    return true;
}
