#pragma once

#include <cstddef>
#include <memory>

// Base64 (standard alphabet, "=" padding, no line breaks) over two reusable
// buffers. Every result is followed by at least one zero byte, so it can be
// read as a zero-terminated text; login challenges are read that way.
class CBase64Codec {
public:
    CBase64Codec() = default;
    virtual ~CBase64Codec() = default;
    CBase64Codec(const CBase64Codec&) = delete;
    CBase64Codec& operator=(const CBase64Codec&) = delete;

    virtual void EncodeText(const char* text);
    virtual void EncodeBytes(const void* data, std::size_t length);
    virtual void DecodeText(const char* text);
    virtual void DecodeBytes(const char* characters, std::size_t length);

    // Never null: an empty result is an empty text.
    virtual const unsigned char* DecodedData() const;
    virtual const char* EncodedText() const;
    virtual std::size_t DecodedLength() const { return m_decodedLength; }
    virtual std::size_t EncodedLength() const { return m_encodedLength; }

protected:
    virtual void ReserveEncoded(std::size_t size);
    virtual void ReserveDecoded(std::size_t size);
    virtual void LoadEncoded(const char* characters, std::size_t length);
    virtual void LoadDecoded(const void* data, std::size_t length);
    virtual void EncodeGroup(const unsigned char* bytes, std::size_t count, char* out);
    virtual void DecodeGroup(const unsigned char values[4], unsigned char* out);
    virtual void SplitBytes(const unsigned char bytes[3], unsigned char values[4]);
    virtual void JoinValues(const unsigned char values[4], unsigned char bytes[3]);
    virtual bool IsWhiteSpace(char c) const;

private:
    bool IsOwnBuffer(const void* data) const;
    static void Reserve(std::unique_ptr<char[]>& buffer, std::size_t& capacity, std::size_t size);

    std::unique_ptr<char[]> m_decoded;
    std::unique_ptr<char[]> m_encoded;
    std::size_t m_decodedCapacity = 0;
    std::size_t m_encodedCapacity = 0;
    std::size_t m_decodedLength = 0;
    std::size_t m_encodedLength = 0;
};
