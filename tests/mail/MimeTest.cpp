#include "common/FakeClock.h"
#include "common/TempDir.h"
#include "mail/MailMessage.h"
#include "mail/MailText.h"

#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>

namespace {

// Numbered boundaries, so every rendered text is predictable.
CMailMessage::BoundarySource Counter()
{
    return [n = 0]() mutable { return "boundary-" + std::to_string(n++); };
}

class ZoneGuard {
public:
    explicit ZoneGuard(const char* zone)
    {
        if (const char* old = std::getenv("TZ"))
            m_old = old, m_had = true;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ZoneGuard()
    {
        if (m_had)
            setenv("TZ", m_old.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::string m_old;
    bool m_had = false;
};

} // namespace

TEST(MailAddress, ParsesRecipientListsAndSkipsEmptyEntries)
{
    FakeClock clock;
    CMailMessage message(clock, Counter());
    EXPECT_TRUE(message.ParseRecipientList("Backup Admin <admin@example.org>; ops@example.org, ,", RecipientKind::To));
    const auto& to = message.Recipients(RecipientKind::To);
    ASSERT_EQ(to.size(), 2u);
    EXPECT_EQ(to[0].DisplayName, "Backup Admin");
    EXPECT_EQ(to[0].Address, "admin@example.org");
    EXPECT_EQ(to[1].DisplayName, "");
    EXPECT_EQ(to[1].Address, "ops@example.org");
    EXPECT_FALSE(message.ParseRecipientList(" ;, ", RecipientKind::Cc));
    EXPECT_EQ(message.RecipientCount(RecipientKind::Cc), 0u);
    EXPECT_EQ(message.AppendRecipient(CMailAddress("", "x@y"), static_cast<RecipientKind>(7)), -1);
    EXPECT_EQ(message.RecipientCount(static_cast<RecipientKind>(7)), 0u);
}

TEST(MailAddress, TakesMalformedBracketsWhole)
{
    CMailAddress address;
    address.ParseAddress("  Name <>  ");
    EXPECT_EQ(address.Address, "Name <>");
    EXPECT_EQ(address.DisplayName, "");
    address.ParseAddress("a>b<c");
    EXPECT_EQ(address.Address, "a>b<c");
    address.ParseAddress(" <x@y> trailing");
    EXPECT_EQ(address.Address, "x@y");
    EXPECT_EQ(address.FormatForHeader(true, "UTF-8"), "x@y");
}

TEST(HeaderText, EncodesOnlyChunksWithEightBitBytes)
{
    const std::string ascii(150, 'a');
    EXPECT_EQ(EncodeHeaderText(ascii, "iso-8859-1"), ascii);

    std::string subject(100, 'b');
    subject[10] = '\xe9';
    subject[20] = ' ';
    subject[21] = '?';
    const std::string expected = "=?iso-8859-1?q?" + std::string(10, 'b') + "=E9" + std::string(9, 'b') + "_=3F"
        + std::string(48, 'b') + "?=" + std::string(30, 'b');
    EXPECT_EQ(EncodeHeaderText(subject, "iso-8859-1"), expected);

    EXPECT_EQ(EncodeHeaderText("K\xc3\xb6rvane", "utf-8"), "=?utf-8?q?K=C3=B6rvane?=");
    EXPECT_TRUE(IsUtf8Charset("Utf-8"));
    EXPECT_FALSE(IsUtf8Charset("utf8"));
}

TEST(HeaderText, LineBreaksCannotStartNewHeaderLines)
{
    EXPECT_EQ(EncodeHeaderText("Hi\r\nBcc: victim@example.org", "UTF-8"), "Hi  Bcc: victim@example.org");
    CMailAddress address("Eve\r\nX: y", "eve@example.org\r\nX: z");
    EXPECT_EQ(address.FormatForHeader(true, "UTF-8").find_first_of("\r\n"), std::string::npos);
}

TEST(HeaderText, ZoneTextAndEnglishDate)
{
    EXPECT_EQ(FormatZoneText(330), "+0530");
    EXPECT_EQ(FormatZoneText(-300), "-0500");
    EXPECT_EQ(FormatZoneText(0), "+0000");
    EXPECT_EQ(FormatZoneText(-210), "-0330");
    {
        ZoneGuard zone("UTC0");
        EXPECT_EQ(FormatMailDate(1'700'000'000), "Tue, 14 Nov 2023 22:13:20 +0000");
    }
    {
        ZoneGuard zone("NST+3:30");
        EXPECT_EQ(FormatMailDate(1'700'000'000), "Tue, 14 Nov 2023 18:43:20 -0330");
    }
}

TEST(MailBodyPart, StoresTextWithCrLfLineEnds)
{
    CMailBodyPart part("b");
    part.ContentType = "text/html";
    part.StoreText("one\rtwo\nthree\r\nfour");
    EXPECT_EQ(part.Text(), "one\r\ntwo\r\nthree\r\nfour");
    EXPECT_EQ(part.ContentType, "text/plain");
}

TEST(MailBodyPart, DoublesLeadingDotsOnceAfterEncoding)
{
    CMailBodyPart part("b");
    part.StoreText(".first\n..second\nthird.\n.");
    std::string body;
    ASSERT_TRUE(part.RenderPartBody(body));
    EXPECT_EQ(body, "..first\r\n...second\r\nthird.\r\n..");
    part.QuotedPrintable = false;
    ASSERT_TRUE(part.RenderPartBody(body));
    EXPECT_EQ(body, "..first\r\n...second\r\nthird.\r\n..");
}

TEST(MailBodyPart, HeadersNameTheirBoundaries)
{
    CMailBodyPart root("outer");
    CMailBodyPart inner("inner");
    inner.AppendChild(CMailBodyPart("leaf"));
    root.AppendChild(inner);
    const CMailBodyPart& copy = root.Child(0);
    EXPECT_EQ(copy.Parent(), &root);
    EXPECT_EQ(copy.Child(0).Parent(), &copy);
    EXPECT_EQ(copy.RenderPartHeader(),
        "\r\n--outer\r\nContent-Type: text/plain; charset=iso-8859-1; Boundary=\"inner\"\r\n"
        "Content-Transfer-Encoding: quoted-printable\r\n\r\n");
    EXPECT_EQ(copy.Child(0).RenderPartHeader(),
        "\r\n--inner\r\nContent-Type: text/plain; charset=iso-8859-1\r\nContent-Transfer-Encoding: "
        "quoted-printable\r\n\r\n");
    EXPECT_EQ(copy.RenderPartFooter(), "\r\n--inner--");

    CMailBodyPart& leaf = root.Child(0).Child(0);
    leaf.Base64 = true;
    leaf.ContentId = "<id>";
    EXPECT_EQ(leaf.RenderPartHeader(),
        "\r\n--inner\r\nContent-Type: text/plain; charset=iso-8859-1\r\n"
        "Content-Transfer-Encoding: base64\r\nContent-ID: <id>\r\n\r\n");
    leaf.Base64 = leaf.QuotedPrintable = false;
    leaf.ContentId.clear();
    EXPECT_EQ(leaf.RenderPartHeader(), "\r\n--inner\r\nContent-Type: text/plain; charset=iso-8859-1\r\n\r\n");

    // Assigning a part its own child must not free what is being copied.
    root = root.Child(0);
    EXPECT_EQ(root.Boundary(), "inner");
    ASSERT_EQ(root.ChildCount(), 1u);
    EXPECT_EQ(root.Child(0).Parent(), &root);
}

TEST(MailBodyPart, AttachmentsAreBase64InLinesOf76)
{
    TempDir dir;
    const std::string path = dir.Write("report.bin", std::string(100, '\x01'));
    CMailBodyPart root("outer");
    CMailBodyPart attachment("own");
    attachment.AttachmentPath = path;
    attachment.AttachmentTitle = "report.bin";
    attachment.ContentType = "application/octet-stream";
    root.AppendChild(attachment);
    CMailBodyPart& child = root.Child(0);
    EXPECT_EQ(child.RenderPartHeader(),
        "\r\n\r\n--outer\r\nContent-Type: application/octet-stream; charset=iso-8859-1; name=report.bin\r\n"
        "Content-Transfer-Encoding: base64\r\nContent-Disposition: attachment; filename=\"report.bin\"\r\n\r\n");
    std::string body;
    ASSERT_TRUE(child.RenderPartBody(body));
    ASSERT_EQ(body.size(), 136u + 2 * 2);
    EXPECT_EQ(body.find("\r\n"), 76u);
    EXPECT_EQ(body.substr(78, 60 + 2).size(), 62u);

    child.AttachmentPath = dir / "missing.bin";
    EXPECT_FALSE(child.RenderPartBody(body));
    child.AttachmentPath = dir.Path(); // a folder where a file is expected
    EXPECT_FALSE(child.RenderPartBody(body));
}

TEST(MailMessage, MimeModeKeepsOneTextChild)
{
    FakeClock clock;
    CMailMessage message(clock, Counter());
    message.AttachBodyText("plain body");
    message.SetMimeMode(true);
    message.SetMimeMode(true);
    ASSERT_EQ(message.Root.ChildCount(), 1u);
    EXPECT_EQ(message.Root.Child(0).Text(), "plain body");
    message.AttachBodyText("second body");
    ASSERT_EQ(message.Root.ChildCount(), 1u);
    EXPECT_EQ(message.Root.Child(0).Text(), "second body");
    EXPECT_EQ(message.Root.ContentType, "multipart/mixed");

    message.SetMimeMode(false);
    EXPECT_EQ(message.Root.ChildCount(), 0u);
    EXPECT_EQ(message.Root.ContentType, "multipart/mixed");
    EXPECT_EQ(message.Root.Text(), "This is a multi-part message in MIME format");
}

TEST(MailMessage, HeaderBlockInOrder)
{
    ZoneGuard zone("UTC0");
    FakeClock clock(1'700'000'000);
    CMailMessage message(clock, Counter());
    message.Sender = CMailAddress("K\xc3\xb6rvane", "k@example.org");
    message.ParseRecipientList("a@example.org, B <b@example.org>", RecipientKind::To);
    message.ParseRecipientList("c@example.org", RecipientKind::Cc);
    message.ParseRecipientList("hidden@example.org", RecipientKind::Bcc);
    message.Subject = "Hello";
    message.ReplyTo = CMailAddress("", "r@example.org");
    message.ExtraHeaders.push_back("X-Extra: 1");
    EXPECT_EQ(message.BuildHeaderText(),
        "From: =?iso-8859-1?q?K=C3=B6rvane?= <k@example.org>\r\n"
        "To: a@example.org,B <b@example.org>\r\n"
        "Cc: c@example.org\r\n"
        "Subject: Hello\r\n"
        "X-Mailer: Korvane Mailer 1.4\r\n"
        "Content-Type: text/plain;\r\n\tcharset=iso-8859-1\r\n"
        "Reply-To: r@example.org\r\n"
        "Date: Tue, 14 Nov 2023 22:13:20 +0000\r\n"
        "X-Extra: 1\r\n");
    message.SetMimeMode(true);
    message.MailerName.clear();
    const std::string mime = message.BuildHeaderText();
    EXPECT_NE(mime.find("Content-Transfer-Encoding: quoted-printable\r\nMIME-Version: 1.0\r\n"
                        "Content-Type: multipart/mixed\r\n"),
        std::string::npos);
    EXPECT_EQ(mime.find("X-Mailer"), std::string::npos);
    message.AttachBodyText("x");
    EXPECT_NE(message.BuildHeaderText().find("Content-Type: multipart/mixed; boundary=\"boundary-0\"\r\n"),
        std::string::npos);
}
