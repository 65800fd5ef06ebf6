#pragma once
#include <mutex>
#include <string>
#include <vector>

// The files one run reads and writes, so that no output replaces one of its
// inputs or another output of the same run. Files are told apart by what
// they are, not how they are spelled: "./a", "d/../a", hard and symbolic
// links to a, and names in folders that do not exist yet all compare as the
// file they would be. Claims may come from several threads.
class ecOutputGuard {
public:
    void AddInput(const std::string& path);

    // Throws ecWriteError (naming path and the file it collides with) when
    // writing path would replace an input or an output claimed before.
    // Standard output and existing non-regular files are written in place,
    // never replaced, and are not claimed.
    void Claim(const std::string& path);

    // Whether both names would reach the same file.
    static bool SameFile(const std::string& a, const std::string& b);

    // The identities of a name: the file it leads to and the link itself
    // when it exists, and always the folder entry it names (the folder by
    // identity, folders still to be made by name).
    static std::vector<std::string> Identities(const std::string& path);

private:
    struct Entry {
        std::string path;
        std::vector<std::string> ids;
    };
    static bool Overlap(const std::vector<std::string>& a, const std::vector<std::string>& b);

    std::mutex m_mutex;
    std::vector<Entry> m_inputs;
    std::vector<Entry> m_outputs;
};
