#pragma once

#include <cstddef>
#include <string>

// An owned byte buffer that converts to and from Base64 (RFC 4648 alphabet,
// "=" padding, no line breaks). It carries the SMTP password, so every
// buffer it lets go of is overwritten with zeros first.
class CConversion {
public:
    CConversion() = default;
    virtual ~CConversion();
    CConversion(const CConversion&) = delete;
    CConversion& operator=(const CConversion&) = delete;

    // Replaces the buffer by a copy of count bytes.
    void SetData(const void* bytes, std::size_t count);
    // Copies the buffer to target and returns 0; returns -1 without copying
    // when size (the room at target) is smaller than the buffer. Either way
    // size comes back as the buffer's length.
    int GetData(void* target, std::size_t& size) const;
    std::size_t Size() const { return m_size; }

    // Decodes text into the buffer after removing every character outside
    // the alphabet and "="; -1, leaving the buffer as it was, when the rest
    // is not whole groups of four or is not valid Base64.
    int FromBase64(const std::string& text);
    std::string ToBase64() const;

private:
    void Replace(unsigned char* bytes, std::size_t count);

    unsigned char* m_data = nullptr;
    std::size_t m_size = 0;
};

// The SMTP password as the settings file keeps it: each byte exclusive-or
// 0xA7, a zero byte after it, all in Base64. Not encryption; it keeps the
// password out of plain sight. An empty password is an empty text.
std::string ScramblePassword(const std::string& password);
// The plain password of a stored text; empty for an empty or damaged text.
std::string UnscramblePassword(const std::string& stored);
