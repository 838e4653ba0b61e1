#include "app/Conversion.h"

#include <cstring>
#include <new>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr unsigned char kPasswordKey = 0xA7;

// Zeroing through a volatile pointer, so the compiler cannot drop it as a
// store to memory about to be freed.
void Wipe(void* bytes, std::size_t count)
{
    volatile unsigned char* p = static_cast<volatile unsigned char*>(bytes);
    while (count--)
        *p++ = 0;
}

void Wipe(std::string& text)
{
    Wipe(text.data(), text.size());
    text.clear();
}

int SextetOf(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

std::string KeepAlphabet(const std::string& text)
{
    std::string kept;
    kept.reserve(text.size());
    for (char c : text) {
        if (c == '=' || SextetOf(c) >= 0)
            kept.push_back(c);
    }
    return kept;
}

// Decodes one group of four; padding may only end the last group ("xx==",
// "xxx="). Returns the number of bytes written to out, or -1.
int DecodeGroup(const char* group, bool last, unsigned char* out)
{
    const int padding = (group[3] == '=') + (group[2] == '=' && group[3] == '=');
    if (padding > 0 && !last)
        return -1;
    unsigned value = 0;
    for (int i = 0; i < 4 - padding; ++i) {
        const int sextet = SextetOf(group[i]);
        if (sextet < 0)
            return -1;
        value |= static_cast<unsigned>(sextet) << (18 - 6 * i);
    }
    out[0] = static_cast<unsigned char>(value >> 16);
    out[1] = static_cast<unsigned char>(value >> 8);
    out[2] = static_cast<unsigned char>(value);
    return 3 - padding;
}

} // namespace

CConversion::~CConversion()
{
    Replace(nullptr, 0);
}

void CConversion::Replace(unsigned char* bytes, std::size_t count)
{
    if (m_data) {
        Wipe(m_data, m_size);
        delete[] m_data;
    }
    m_data = bytes;
    m_size = count;
}

void CConversion::SetData(const void* bytes, std::size_t count)
{
    unsigned char* copy = count ? new unsigned char[count] : nullptr;
    if (count)
        std::memcpy(copy, bytes, count);
    Replace(copy, count);
}

int CConversion::GetData(void* target, std::size_t& size) const
{
    const std::size_t room = size;
    size = m_size;
    if (room < m_size)
        return -1;
    if (m_size)
        std::memcpy(target, m_data, m_size);
    return 0;
}

int CConversion::FromBase64(const std::string& text)
{
    std::string kept = KeepAlphabet(text);
    if (kept.size() % 4 != 0) {
        Wipe(kept);
        return -1;
    }
    const std::size_t capacity = kept.size() / 4 * 3;
    unsigned char* decoded = capacity ? new unsigned char[capacity] : nullptr;
    std::size_t length = 0;
    for (std::size_t at = 0; at < kept.size(); at += 4) {
        const int got = DecodeGroup(kept.data() + at, at + 4 == kept.size(), decoded + length);
        if (got < 0) {
            Wipe(decoded, capacity);
            delete[] decoded;
            Wipe(kept);
            return -1;
        }
        length += static_cast<std::size_t>(got);
    }
    Wipe(kept);
    Replace(decoded, length);
    return 0;
}

std::string CConversion::ToBase64() const
{
    std::string text;
    text.reserve((m_size + 2) / 3 * 4);
    for (std::size_t at = 0; at < m_size; at += 3) {
        const std::size_t left = m_size - at;
        unsigned value = static_cast<unsigned>(m_data[at]) << 16;
        if (left > 1)
            value |= static_cast<unsigned>(m_data[at + 1]) << 8;
        if (left > 2)
            value |= m_data[at + 2];
        text.push_back(kAlphabet[(value >> 18) & 63]);
        text.push_back(kAlphabet[(value >> 12) & 63]);
        text.push_back(left > 1 ? kAlphabet[(value >> 6) & 63] : '=');
        text.push_back(left > 2 ? kAlphabet[value & 63] : '=');
    }
    return text;
}

std::string ScramblePassword(const std::string& password)
{
    if (password.empty())
        return {};
    std::string bytes = password;
    for (char& c : bytes)
        c = static_cast<char>(static_cast<unsigned char>(c) ^ kPasswordKey);
    bytes.push_back('\0');
    CConversion conversion;
    conversion.SetData(bytes.data(), bytes.size());
    Wipe(bytes);
    return conversion.ToBase64();
}

std::string UnscramblePassword(const std::string& stored)
{
    if (stored.empty())
        return {};
    CConversion conversion;
    if (conversion.FromBase64(stored) != 0 || conversion.Size() == 0)
        return {};
    std::string bytes(conversion.Size(), '\0');
    std::size_t size = bytes.size();
    conversion.GetData(bytes.data(), size);
    // The last byte is the stored terminator and is not combined with the key.
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
        bytes[i] = static_cast<char>(static_cast<unsigned char>(bytes[i]) ^ kPasswordKey);
    // A damaged text may lack its terminator: the password then ends with the buffer.
    const auto zero = bytes.find('\0');
    std::string password = bytes.substr(0, zero);
    Wipe(bytes);
    return password;
}
