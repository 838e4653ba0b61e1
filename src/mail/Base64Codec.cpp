#include "mail/Base64Codec.h"

#include <array>
#include <cstring>
#include <functional>
#include <string>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr unsigned char kNotInAlphabet = 254;
constexpr unsigned char kPadding = 255;
constexpr std::size_t kBlock = 4096;

// Characters with the high bit set map like their 7-bit twins, so a text that
// went through an 8-bit channel still decodes. Built at compile time, which
// also makes it safe to use from several threads at once.
constexpr std::array<unsigned char, 256> MakeReverseTable()
{
    std::array<unsigned char, 256> table {};
    for (auto& entry : table)
        entry = kNotInAlphabet;
    for (unsigned i = 0; i < 64; ++i) {
        const auto c = static_cast<unsigned char>(kAlphabet[i]);
        table[c] = static_cast<unsigned char>(i);
        table[c + 128u] = static_cast<unsigned char>(i);
    }
    table['='] = kPadding;
    table['=' + 128] = kPadding;
    return table;
}

constexpr std::array<unsigned char, 256> kReverse = MakeReverseTable();

unsigned char Lookup(char c)
{
    return kReverse[static_cast<unsigned char>(c)];
}

unsigned char PaddingAsZero(unsigned char value)
{
    return value == kPadding ? 0 : value;
}

} // namespace

void CBase64Codec::Reserve(std::unique_ptr<char[]>& buffer, std::size_t& capacity, std::size_t size)
{
    // An absent buffer is allocated even for size 0, so results are never null.
    if (capacity <= size || !buffer) {
        capacity = (size / kBlock + 1) * kBlock;
        buffer = std::make_unique<char[]>(capacity);
    }
    std::memset(buffer.get(), 0, capacity);
}

void CBase64Codec::ReserveEncoded(std::size_t size)
{
    Reserve(m_encoded, m_encodedCapacity, size);
    m_encodedLength = 0;
}

void CBase64Codec::ReserveDecoded(std::size_t size)
{
    Reserve(m_decoded, m_decodedCapacity, size);
    m_decodedLength = 0;
}

bool CBase64Codec::IsWhiteSpace(char c) const
{
    return (c >= 7 && c <= 13) || c == ' ';
}

void CBase64Codec::LoadEncoded(const char* characters, std::size_t length)
{
    ReserveEncoded(length);
    for (std::size_t i = 0; i < length; ++i) {
        if (!IsWhiteSpace(characters[i]))
            m_encoded[m_encodedLength++] = characters[i];
    }
}

void CBase64Codec::LoadDecoded(const void* data, std::size_t length)
{
    ReserveDecoded(length);
    if (length > 0)
        std::memcpy(m_decoded.get(), data, length);
    m_decodedLength = length;
}

void CBase64Codec::SplitBytes(const unsigned char bytes[3], unsigned char values[4])
{
    values[0] = static_cast<unsigned char>(bytes[0] >> 2);
    values[1] = static_cast<unsigned char>(((bytes[0] & 3) << 4) | (bytes[1] >> 4));
    values[2] = static_cast<unsigned char>(((bytes[1] & 15) << 2) | (bytes[2] >> 6));
    values[3] = static_cast<unsigned char>(bytes[2] & 63);
}

void CBase64Codec::JoinValues(const unsigned char values[4], unsigned char bytes[3])
{
    bytes[0] = static_cast<unsigned char>((values[0] << 2) | (values[1] >> 4));
    bytes[1] = static_cast<unsigned char>((values[1] << 4) | (values[2] >> 2));
    bytes[2] = static_cast<unsigned char>((values[2] << 6) | values[3]);
}

void CBase64Codec::EncodeGroup(const unsigned char* bytes, std::size_t count, char* out)
{
    unsigned char group[3] = {};
    std::memcpy(group, bytes, count);
    unsigned char values[4];
    SplitBytes(group, values);
    for (std::size_t i = 0; i < 4; ++i)
        out[i] = i <= count ? kAlphabet[values[i]] : '=';
}

void CBase64Codec::DecodeGroup(const unsigned char values[4], unsigned char* out)
{
    JoinValues(values, out);
}

void CBase64Codec::EncodeText(const char* text)
{
    if (text != nullptr)
        EncodeBytes(text, std::strlen(text));
}

bool CBase64Codec::IsOwnBuffer(const void* data) const
{
    const auto* p = static_cast<const char*>(data);
    const auto inside = [p](const std::unique_ptr<char[]>& buffer, std::size_t capacity) {
        return buffer && std::less_equal<const char*>()(buffer.get(), p)
            && std::less<const char*>()(p, buffer.get() + capacity);
    };
    return inside(m_decoded, m_decodedCapacity) || inside(m_encoded, m_encodedCapacity);
}

void CBase64Codec::EncodeBytes(const void* data, std::size_t length)
{
    // Coding a coder's own result again: reserving would wipe the input.
    if (length > 0 && IsOwnBuffer(data)) {
        const std::string copy(static_cast<const char*>(data), length);
        EncodeBytes(copy.data(), copy.size());
        return;
    }
    LoadDecoded(data, length);
    ReserveEncoded(2 * length);
    const auto* bytes = reinterpret_cast<const unsigned char*>(m_decoded.get());
    std::size_t i = 0;
    for (; i + 3 <= length; i += 3) {
        EncodeGroup(bytes + i, 3, m_encoded.get() + m_encodedLength);
        m_encodedLength += 4;
    }
    if (i < length) {
        EncodeGroup(bytes + i, length - i, m_encoded.get() + m_encodedLength);
        m_encodedLength += 4;
    }
}

void CBase64Codec::DecodeText(const char* text)
{
    if (text != nullptr)
        DecodeBytes(text, std::strlen(text));
}

void CBase64Codec::DecodeBytes(const char* characters, std::size_t length)
{
    if (length > 0 && IsOwnBuffer(characters)) {
        const std::string copy(characters, length);
        DecodeBytes(copy.data(), copy.size());
        return;
    }
    LoadEncoded(characters, length);
    ReserveDecoded(length);
    auto* out = reinterpret_cast<unsigned char*>(m_decoded.get());
    std::size_t i = 0;
    for (; i + 4 <= m_encodedLength; i += 4) {
        unsigned char values[4];
        for (std::size_t k = 0; k < 4; ++k)
            values[k] = Lookup(m_encoded[i + k]);
        // Padding counts as zero only where padding may stand.
        values[2] = PaddingAsZero(values[2]);
        values[3] = PaddingAsZero(values[3]);
        DecodeGroup(values, out + m_decodedLength);
        m_decodedLength += 3;
    }
    const std::size_t rest = m_encodedLength - i;
    if (rest == 0)
        return;
    unsigned char values[4] = {};
    for (std::size_t k = 0; k < rest; ++k)
        values[k] = PaddingAsZero(Lookup(m_encoded[i + k]));
    DecodeGroup(values, out + m_decodedLength);
    m_decodedLength += rest;
}

const unsigned char* CBase64Codec::DecodedData() const
{
    static const unsigned char empty = 0;
    return m_decoded ? reinterpret_cast<const unsigned char*>(m_decoded.get()) : &empty;
}

const char* CBase64Codec::EncodedText() const
{
    return m_encoded ? m_encoded.get() : "";
}
