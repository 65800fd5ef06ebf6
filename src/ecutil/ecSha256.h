#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// SHA-256 (FIPS 180-4), for fingerprints of the documents a result was made
// with: fed in pieces, read once as lowercase hex.
class ecSha256 {
public:
    ecSha256();
    void Add(const void* data, std::size_t size);
    void Add(const std::string& text) { Add(text.data(), text.size()); }
    // The digest of everything added; the object is spent afterwards.
    std::string Hex();

    static std::string Of(const std::string& text);

private:
    void Block(const unsigned char* block);

    std::uint32_t m_state[8];
    unsigned char m_buffer[64];
    std::size_t m_buffered = 0;
    std::uint64_t m_bytes = 0;
};
