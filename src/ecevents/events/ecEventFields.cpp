#include "ecevents/events/ecEventFields.h"

namespace ecEventFields {

Marks::Marks(std::string_view tag)
    : open("<" + std::string(tag) + ">")
    , close("</" + std::string(tag) + ">")
{
}

const std::array<Marks, kFields.size()>& FieldMarks()
{
    static const std::array<Marks, kFields.size()> marks = [] {
        std::array<Marks, kFields.size()> made;
        for (std::size_t k = 0; k < made.size(); ++k)
            made[k] = Marks(kFields[k].tag);
        return made;
    }();
    return marks;
}

const Marks& RecordMarks()
{
    static const Marks marks(kRecord);
    return marks;
}

const Marks& TagMarks()
{
    static const Marks marks(kTag);
    return marks;
}

} // namespace ecEventFields
