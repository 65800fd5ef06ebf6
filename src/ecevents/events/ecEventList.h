#pragma once
#include <iosfwd>
#include <string>
#include <vector>

#include "ecevents/events/ecEvent.h"
#include "ecevents/foundation/ecBase.h"
#include "ecutil/ecReadDiagnostic.h"

#include "ecutil/ecXmlWriter.h"
class ecXml;
class ecPar_BinDesc;
class ecAttribSpec;
class ecConditional;
class ecEventSpecBase;
class ecMatchRecord;

// The events of one recording in stored order, with the sampling rate, an
// annotation, and the unique event names and attribute tag names met on them.
class ecEventList : public std::vector<ecEvent>, public ecBase {
public:
    ecEventList();
    ecEventList(const ecEventList& other);
    ecEventList& operator=(const ecEventList& other);
    ~ecEventList() override;
    using ecBase::operator=;
    using ecBase::operator==;

    // Plain accessors.
    float GetSamplingRate() const;
    void SetSamplingRate(float rate);
    int GetEventFileMFR() const;
    void SetEventFileMFR(int code);
    int GetEventListSource() const;
    void SetEventListSource(int source);
    int GetCurrentEventIndex() const;
    void ResetEventList();
    int GetUniqueEventNameCnt() const;
    int GetUniqueTagNameCnt() const;
    std::string GetAnnotation() const;
    void SetAnnotation(std::string annotation);
    // Off by default. When on, the matching pass, the exclusion test in
    // seconds, "RejectIf" (and the exclusion post-step) and the stimulus
    // delay of documents read afterwards work in whole samples: an event's
    // time is its start sample, and a latency of L seconds from a reference
    // at sample r is the sample r +/- SecondsToSampleExact(L, rate), so that
    // windows stay exact past 2^24 samples, where a float no longer resolves
    // one sample. Copied with the list; Clear() keeps it.
    void SetExactTime(bool exact);
    bool IsExactTime() const;

    // Access by index.
    const ecEvent& GetEvent(int i) const;
    ecEvent* GetEventPointer(int i);
    std::string GetUniqueEventName(int i) const;
    std::string GetUniqueTagName(int i) const;
    int GetUniqueEventCodeFromName(std::string name) const;
    ecEvent* IsEventInRange(int start, int stop);

    // Adding and removing.
    bool AddUniqueEventName(std::string name);
    void AppendOneEvent(const ecEvent& e);
    void DeleteOneEvent(int i);
    void DeleteOneEvent(const ecEvent& e);
    void UnloadOneEvent(int i);
    void UnloadOneEvent(const ecEvent& e);
    void DeleteAllNamedEvents(std::string name);
    void UnloadAllNamedEvents(std::string name);
    void Clear();
    void ClearStatus();

    // Counting.
    int GetEventCnt(bool skipRejected) const;
    int GetEventCnt(std::string name, bool skipRejected) const;
    int GetTagCnt(std::string tag, bool skipRejected) const;

    // Walking with the cursor.
    ecEvent* GetNextEvent(bool acceptedOnly);
    ecEvent* GetNextEvent(std::string name, bool acceptedOnly);

    // Event files.
    // Off (null) by default. When set, the file readers append what they
    // read past without a word: each number of a document that did not fit
    // its field, and the record at which a pre-XML file stopped being read
    // while more of it followed. The events read are the same either way.
    // Not copied with the list.
    void SetReadDiagnostics(std::vector<ecReadDiagnostic>* sink);
    std::vector<ecReadDiagnostic>* GetReadDiagnostics() const;
    bool ReadEventFile(const char* file, bool merge);
    bool ReadEventFilePreXml(const char* file, bool merge);
    bool ReadEventFileXml(const char* file, bool merge);
    bool ReadXml(ecXml& xml, bool merge);
    bool MergeEventFile(const char* file, bool flag);
    bool Write(const char* file);
    bool WriteXml(std::ostream& out);

    // The same document for other tools: with Escaping::Text the annotation,
    // names and tags have their markup characters written as entities, so
    // that any XML reader gets the texts back. WriteXml(out) leaves them as
    // they are.
    bool WriteXml(std::ostream& out, ecXmlWriter::Escaping escaping);
    // Exclusion.
    bool AddExclude(ecEvent& e);
    void ClearExclude(int level);
    int MaxExcludeLevel();
    bool IsOverlappingExclude(int start, int stop, bool acceptedOnly);
    bool IsOverlappingExclude(float start, float stop, bool acceptedOnly);
    bool NearestExcludeBoundaries(int sample, int& first, int& second);
    bool IsSegment(std::string name);

    // Comparison.
    bool DoComparison(ecEvent& a, ecEvent& b, int op, int field);
    bool DoComparison(ecEvent& a, float value, int op, int field);
    bool DoComparison(ecEvent& a, int value, int op, int field);
    bool DoComparison(ecEvent& a, std::string value, int op, int field);
    bool DoComparison(ecEvent& a, ecEvent* value, int op, int field);

    // Neighbours and order.
    ecEvent* GetPreceedingEvent(ecEvent& e, bool sameName);
    ecEvent* GetSucceedingEvent(ecEvent& e, bool sameName);
    void SortEventListInTimelyOrder(std::string name);

    // Selection tools.
    void ConvertCodesToBinary(int nBits);
    void KeepMod(std::vector<std::string> names, int keep, int mod);
    void SplitHalfRandom(std::vector<std::string> names, ecEventList& other);

    // Matching against a bin description: tags every accepted event with the
    // factor:value tags of the attribute specs it satisfies.
    void SetBinDescAttributes(ecPar_BinDesc& binDesc);
    // The same pass, also noting in record (emptied first) which event
    // satisfied each conditional of every event a spec tagged. A null record
    // records nothing.
    void SetBinDescAttributes(ecPar_BinDesc& binDesc, ecMatchRecord* record);

    // Seconds to a sample as the library's own operations round them: the
    // product of the two single-precision values is itself single precision,
    // then (int)(product + 0.5) truncates toward zero, held within the range
    // of int (NaN gives 0). The exclusion test, "RejectIf" and the stimulus
    // delay all depend on reproducing this rounding bit for bit. File formats
    // from other tools take the nearest sample in double instead, which
    // differs for negative times; that rule is theirs, not this one.
    static int SecondsToSampleSinglePrecision(float seconds, float rate);
    // Seconds to a sample in exact-time mode: llround(double(seconds) x
    // rate), halves away from zero, so that +L and -L are mirror images. NaN
    // gives 0, and the result is held within +/-2^53 so that adding it to any
    // sample cannot overflow.
    static long long SecondsToSampleExact(float seconds, float rate);
    // A sample of exact arithmetic held within the range of int, where the
    // samples of events live.
    static int ClampToSample(long long sample);

protected:
    void ClearAttributes();
    bool MatchEventToAttribSpecs(ecEvent* ev, ecAttribSpec* spec);
    bool MatchEventToAttribTarget(ecEvent* ev, ecAttribSpec* spec);
    bool MatchEventToAttribConditional(ecEvent* ev, ecAttribSpec* spec);
    bool TestOneConditionalPermeable(ecEvent* ev, ecConditional* cond, ecAttribSpec* spec);
    bool TestOneConditionalImpermeable(ecEvent* ev, ecConditional* cond, ecAttribSpec* spec);
    void SetConditionalWindow(ecAttribSpec* spec, ecConditional* cond);
    bool TestCode(ecEvent* ev, ecEventSpecBase* spec);

private:
    // Bulk entry of events by the readers, with hash indexes so that a read
    // stays linear in the number of events.
    friend class ecEventLoader;

    // ReadXml with room reserved for the events of a document of about
    // textSize characters.
    bool ReadXml(ecXml& xml, bool merge, std::size_t textSize);
    // Reads a document file in the exact layout that WriteXml gives; handled
    // is false, and the list as it was, when the file departs from that
    // layout, so that the general reader takes over.
    // When it is not handled, text holds the file's bytes if the reader had
    // them all at hand, and is empty otherwise.
    bool ReadWriterDocument(const char* file, bool merge, bool& handled, std::string& text);
    // Takes the events and annotation of a whole document read by a fast
    // reader (exclusions already marked), with the general reader's outcome.
    bool TakeDocument(std::vector<ecEvent>& events, bool hasAnnotation, std::string& annotation, bool merge);
    // The list emptied as Clear() does, keeping the sampling rate.
    void ClearForRead();
    // Unique event names rebuilt from the events, in order of first occurrence.
    void RebuildUniqueEventNames();
    // Removes the events whose flag is set, keeping the order of the others,
    // and unlists the names of removed events that no longer occur.
    bool RemoveFlaggedEvents(const std::vector<char>& remove);

    std::vector<std::string> m_vUniqueEventNames;
    int m_iCurrentEventIndex = -1;
    int m_iEventListSource = -1;
    int m_iEventFileMFR = -1;
    float m_fSamplingRate = 0.0f;
    std::string m_sAnnotation;
    std::vector<std::string> m_vUniqueTagNames;
    std::vector<ecReadDiagnostic>* m_pReadDiagnostics = nullptr;
    bool m_bExactTime = false;
    // Set only while a recorded matching pass runs; never copied.
    ecMatchRecord* m_pMatchRecord = nullptr;
};
