#pragma once
// Internal to the event and attribute spec classes: the capped walks over
// repeated children that all their readers share. Not part of the public
// interface.
#include <cstddef>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "ecevents/foundation/ecError.h"
#include "ecutil/ecXml.h"

// Readers keep at most this many entries per list; one more throws.
constexpr std::size_t kSpecListLimit = 9999;

// Appends successive texts of the tag until one reads as empty.
inline void ecReadTextList(ecXml& xml, const std::string& tag, std::vector<std::string>& list,
                           const char* limitMessage)
{
    for (std::string text = xml.CharacterDataNext(tag); !text.empty(); text = xml.CharacterDataNext(tag)) {
        if (list.size() >= kSpecListLimit)
            throw ecError(limitMessage);
        list.push_back(text);
    }
}

// Appends owned children for as long as a fresh child reads one more element.
template <class T>
void ecReadOwnedList(ecXml& xml, std::vector<T*>& list, const char* limitMessage)
{
    for (;;) {
        auto item = std::make_unique<T>();
        if (!item->ReadXml(xml))
            return;
        if (list.size() >= kSpecListLimit)
            throw ecError(limitMessage);
        list.push_back(item.release());
    }
}

template <class T>
void ecDeleteOwned(std::vector<T*>& list)
{
    for (T* item : list)
        delete item;
    list.clear();
}

template <class T>
void ecCopyOwned(const std::vector<T*>& from, std::vector<T*>& to)
{
    ecDeleteOwned(to);
    to.reserve(from.size());
    for (const T* item : from)
        to.push_back(new T(*item));
}

template <class T>
bool ecIsIndex(const std::vector<T>& list, int i)
{
    return i >= 0 && static_cast<std::size_t>(i) < list.size();
}
