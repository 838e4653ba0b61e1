// Feeds the SMTP reply reader from fuzz bytes: the first byte picks the
// expected code and the EHLO rule, the rest arrives in chunks whose sizes
// come from the data too. The reader must neither crash nor hold more than
// its size limit, and the failure reason it gives stays one printable line.
#include "mail/MailConnection.h"
#include "mail/MailSocket.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

namespace {

class ByteSourceSocket : public CMailSocket {
public:
    ByteSourceSocket(const std::uint8_t* data, std::size_t size)
        : m_data(data)
        , m_size(size)
    {
    }
    bool WaitReadable(unsigned, bool& readable) override
    {
        readable = m_position < m_size;
        return true;
    }
    long Receive(char* buffer, std::size_t length) override
    {
        // Chunk size from the next byte, so replies split in odd places.
        const std::size_t want = 1 + m_data[m_position++] % 97;
        const std::size_t count = std::min({ length, want, m_size - m_position });
        std::memcpy(buffer, m_data + m_position, count);
        m_position += count;
        return static_cast<long>(count);
    }
    bool SendRaw(const char*, std::size_t) override { return true; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_position = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    static const int kCodes[] = { 220, 250, 334, 235, 354, 221 };
    const int expected = kCodes[data[0] % 6];
    const bool final250 = (data[0] & 0x80) != 0;
    CMailConnection connection(std::make_unique<ByteSourceSocket>(data + 1, size - 1));
    connection.SetReplyTimeout(0);
    while (connection.AwaitReply(expected, final250)) {
        if (connection.LastReplyText().size() > CMailConnection::kMaxReplyBytes)
            __builtin_trap();
    }
    // The reason goes into the log and onto a terminal: one short line of
    // printable characters, whatever the server sent.
    const std::string& reason = connection.FailureReason();
    if (reason.size() > CMailConnection::kMaxReasonBytes + 3)
        __builtin_trap();
    for (const char c : reason) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            __builtin_trap();
    }
    return 0;
}
