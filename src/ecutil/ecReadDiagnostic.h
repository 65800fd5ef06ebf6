#pragma once
#include <string>

// Something a reader noticed and read past without a word, because its
// documented outcome is to carry on: a number that did not fit its field
// (taken as 0, or wrapped), or the record where a reader stopped while the
// file went on. Readers collect these only when given a place to put them.
struct ecReadDiagnostic {
    // 1-based line of the file or document; 0 when the reader cannot tell.
    int line = 0;
    // 1-based column of the text on that line, in characters (a multi-byte
    // UTF-8 character counts once, a tab once); 0 when unknown.
    int column = 0;
    // The element the text came from ("Start", "latency"); "" for a record
    // of a line-based file.
    std::string element;
    // The text as written, trimmed.
    std::string text;
    // What is wrong with it, as a phrase that follows the text
    // ("does not fit a 32-bit integer").
    std::string problem;
};
