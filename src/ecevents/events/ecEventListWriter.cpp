#include "ecevents/events/ecEventList.h"

#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include "ecevents/events/ecEventFields.h"

namespace {

// Records are gathered into blocks of about this size: one write to the
// stream per block rather than two per event.
const std::size_t kBlock = 64 * 1024;

} // namespace

bool ecEventList::WriteXml(std::ostream& out) { return WriteXml(out, ecXmlWriter::Escaping::None); }

bool ecEventList::WriteXml(std::ostream& out, ecXmlWriter::Escaping escaping)
{
    ecXmlWriter xml(out, escaping);
    xml.OpenLine(0, "KOVA_Event_List");
    if (!m_sAnnotation.empty())
        xml.OpenLine(0, "Annotation").Text(m_sAnnotation).CloseLine(0, "Annotation");
    const bool escape = escaping != ecXmlWriter::Escaping::None;
    std::string block;
    block.reserve(2 * kBlock);
    ResetEventList();
    while (ecEvent* e = GetNextEvent(false)) {
        ecEventFields::AppendRecord(block, *e, escape);
        block += '\n';
        if (block.size() >= kBlock) {
            xml.Raw(block);
            block.clear();
        }
    }
    xml.Raw(block);
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
