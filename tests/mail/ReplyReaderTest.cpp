#include "RecordingConnection.h"

#include <cerrno>
#include <deque>
#include <gtest/gtest.h>

namespace {

// Hands out prepared chunks; an empty queue reads as a server that is silent.
class ChunkSocket : public CMailSocket {
public:
    explicit ChunkSocket(std::deque<std::string>& chunks, std::vector<std::size_t>& asked)
        : m_chunks(chunks)
        , m_asked(asked)
    {
    }
    bool WaitReadable(unsigned, bool& readable) override
    {
        readable = !m_chunks.empty();
        return true;
    }
    long Receive(char* buffer, std::size_t length) override
    {
        m_asked.push_back(length);
        std::string& chunk = m_chunks.front();
        const std::size_t count = std::min(length, chunk.size());
        chunk.copy(buffer, count);
        chunk.erase(0, count);
        if (chunk.empty())
            m_chunks.pop_front();
        return static_cast<long>(count);
    }

private:
    std::deque<std::string>& m_chunks;
    std::vector<std::size_t>& m_asked;
};

class ReplyReader : public ::testing::Test {
protected:
    RecordingConnection& Reader() { return m_connection; }

    std::deque<std::string> chunks;
    std::vector<std::size_t> asked;

private:
    RecordingConnection m_connection { std::make_unique<ChunkSocket>(chunks, asked) };
};

} // namespace

TEST_F(ReplyReader, BufferGrowsInSteps)
{
    chunks = { "250 " + std::string(8000, 'a') + "\r\n" };
    EXPECT_TRUE(Reader().AwaitReply(250, false));
    // 256 bytes less the terminator, then 4352 and 8448 bytes as it fills.
    EXPECT_EQ(asked, (std::vector<std::size_t> { 255, 4096, 4096 }));
    EXPECT_EQ(Reader().LastReplyText().size(), 8004u);
}

TEST_F(ReplyReader, OnlyEhloWaitsForTheFinalLine)
{
    chunks = { "250-one\r\n", "250 two\r\n" };
    EXPECT_TRUE(Reader().AwaitReply(250, true));
    EXPECT_EQ(Reader().LastReplyText(), "250-one\r\n250 two");
    EXPECT_TRUE(chunks.empty());

    chunks = { "250-one\r\n", "250 two\r\n" };
    EXPECT_TRUE(Reader().AwaitReply(250, false));
    EXPECT_EQ(Reader().LastReplyText(), "250-one");
}

TEST_F(ReplyReader, WrongCodeKeepsTheLastLine)
{
    chunks = { "451-busy\r\n452 full\r\n" };
    EXPECT_FALSE(Reader().AwaitReply(250, false));
    EXPECT_EQ(Reader().LastError(), EPROTONOSUPPORT);
    EXPECT_EQ(Reader().LastReplyCode(), 452);
    EXPECT_EQ(Reader().LastReplyText(), "452 full");

    chunks = { "ok\r\n" };
    EXPECT_FALSE(Reader().AwaitReply(250, false));
    EXPECT_EQ(Reader().LastReplyCode(), 0);
}

TEST_F(ReplyReader, SilenceKeepsWhatCameSoFar)
{
    chunks = { "220 partial" };
    EXPECT_FALSE(Reader().AwaitReply(220, false));
    EXPECT_EQ(Reader().LastError(), ETIMEDOUT);
    EXPECT_EQ(Reader().LastReplyText(), "220 partial");
}

TEST_F(ReplyReader, OversizedReplyIsRefused)
{
    chunks = { std::string(CMailConnection::kMaxReplyBytes + 10, 'z') };
    EXPECT_FALSE(Reader().AwaitReply(220, false));
    EXPECT_EQ(Reader().LastError(), EMSGSIZE);
    EXPECT_TRUE(Reader().Reported("too long"));
}
