#pragma once
#include <iosfwd>
#include <string>
#include <vector>

class ecXml;

// A list of attribute tags (factor:value) that together describe a bin.
class ecAttribSet {
public:
    ecAttribSet();
    ecAttribSet(const ecAttribSet& other);
    ecAttribSet& operator=(const ecAttribSet& other);
    virtual ~ecAttribSet();

    void SetTabDepth(int depth);
    int GetTabDepth() const;
    void AddAttribTag(const std::string& tag);
    int GetNumAttribTags() const;
    std::vector<std::string>* GetpAttribTags();

    // False when the reader holds no further attrib_set element.
    virtual bool ReadXml(ecXml& xml);
    virtual void WriteXml(std::ostream& out);

private:
    std::vector<std::string> m_vAttribTags;
    int m_iTabDepth = 0;
};
