#include "mail/Base64Codec.h"
#include "mail/HmacMd5.h"
#include "mail/QuotedPrintable.h"

#include <gtest/gtest.h>
#include <random>
#include <string>

namespace {

std::string Encode(const std::string& bytes)
{
    CBase64Codec codec;
    codec.EncodeBytes(bytes.data(), bytes.size());
    return std::string(codec.EncodedText(), codec.EncodedLength());
}

std::string Hex(const std::array<unsigned char, 16>& digest)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (const unsigned char byte : digest) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 15];
    }
    return text;
}

// A strict quoted-printable decoder written apart from the encoder: "="
// must be followed by CR LF (a soft break) or two upper-case hexadecimal
// digits; anything else is a broken escape and fails the decode.
bool DecodeQuotedPrintable(const std::string& text, std::string& bytes)
{
    static const std::string kDigits = "0123456789ABCDEF";
    bytes.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '=') {
            bytes += text[i];
            continue;
        }
        if (text.compare(i + 1, 2, "\r\n") == 0) {
            i += 2;
            continue;
        }
        if (i + 2 >= text.size())
            return false;
        const auto high = kDigits.find(text[i + 1]);
        const auto low = kDigits.find(text[i + 2]);
        if (high == std::string::npos || low == std::string::npos)
            return false;
        bytes += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}

} // namespace

TEST(Base64Codec, EncodesWithPadding)
{
    EXPECT_EQ(Encode("abc"), "YWJj");
    EXPECT_EQ(Encode("a"), "YQ==");
    EXPECT_EQ(Encode("ab"), "YWI=");
    CBase64Codec codec;
    codec.EncodeText("a");
    EXPECT_EQ(codec.EncodedLength(), 4u);
    EXPECT_STREQ(codec.EncodedText(), "YQ==");
}

TEST(Base64Codec, DecodingPaddedGroupCountsThreeBytes)
{
    CBase64Codec codec;
    codec.DecodeText("YQ==");
    ASSERT_EQ(codec.DecodedLength(), 3u);
    EXPECT_EQ(codec.DecodedData()[0], 'a');
    EXPECT_EQ(codec.DecodedData()[1], 0);
    EXPECT_EQ(codec.DecodedData()[2], 0);
    EXPECT_STREQ(reinterpret_cast<const char*>(codec.DecodedData()), "a");
}

TEST(Base64Codec, DecodingIgnoresWhiteSpaceAndKeepsShortTail)
{
    CBase64Codec codec;
    codec.DecodeText("VXNl\r\ncm5h bWU6\t");
    EXPECT_STREQ(reinterpret_cast<const char*>(codec.DecodedData()), "Username:");
    // Two characters left over: joined as a padded group, counted as two.
    codec.DecodeText("YWJjYQ");
    EXPECT_EQ(codec.DecodedLength(), 5u);
    EXPECT_STREQ(reinterpret_cast<const char*>(codec.DecodedData()), "abca");
}

TEST(Base64Codec, RoundTripsEveryLengthAndReusesBuffers)
{
    std::mt19937 random(7);
    CBase64Codec codec;
    for (std::size_t length = 0; length < 9000; length += (length < 300 ? 1 : 997)) {
        std::string bytes(length, '\0');
        for (auto& byte : bytes)
            byte = static_cast<char>(random());
        codec.EncodeBytes(bytes.data(), bytes.size());
        const std::string encoded(codec.EncodedText());
        ASSERT_EQ(encoded.size(), (length + 2) / 3 * 4) << length;
        codec.DecodeText(encoded.c_str());
        ASSERT_GE(codec.DecodedLength(), length);
        ASSERT_EQ(std::string(reinterpret_cast<const char*>(codec.DecodedData()), length), bytes) << length;
    }
}

TEST(Base64Codec, EmptyAndForeignInputGiveUsableResults)
{
    CBase64Codec codec;
    EXPECT_STREQ(codec.EncodedText(), "");
    codec.EncodeBytes("", 0);
    EXPECT_STREQ(codec.EncodedText(), "");
    EXPECT_EQ(codec.EncodedLength(), 0u);
    codec.DecodeText(nullptr);
    codec.DecodeText("!!**\xff\x80");
    EXPECT_EQ(codec.DecodedLength(), 5u);
}

TEST(QuotedPrintable, EscapesUnsafeBytesOnly)
{
    EXPECT_EQ(EncodeQuotedPrintable("a=b"), "a=3Db");
    EXPECT_EQ(EncodeQuotedPrintable("caf\xe9"), "caf=E9");
    EXPECT_EQ(EncodeQuotedPrintable("a\tb c\r\nd"), "a\tb c\r\nd");
    EXPECT_EQ(EncodeQuotedPrintable(std::string("\0\x7f", 2)), "=00=7F");
}

TEST(QuotedPrintable, CutsLongLinesWithSoftBreaks)
{
    const std::string letters(100, 'x');
    EXPECT_EQ(EncodeQuotedPrintable(letters), std::string(77, 'x') + "=\r\n" + std::string(23, 'x'));

    std::string spaced(120, 'y');
    spaced[50] = ' ';
    EXPECT_EQ(EncodeQuotedPrintable(spaced), spaced.substr(0, 51) + "=\r\n" + spaced.substr(51));
}

TEST(QuotedPrintable, NeverSplitsAnEscapeAndRestartsAtLineEnds)
{
    const std::string text = std::string(75, 'z') + "\xe9\xe9" + std::string(10, 'z');
    const std::string encoded = EncodeQuotedPrintable(text);
    // Cut after the first whole escape, not inside the second.
    EXPECT_EQ(encoded, std::string(75, 'z') + "=E9=\r\n=E9" + std::string(10, 'z'));

    const std::string lines = std::string(70, 'a') + "\r\n" + std::string(70, 'b');
    EXPECT_EQ(EncodeQuotedPrintable(lines), lines);
}

TEST(QuotedPrintable, CutAtTheLimitStepsBackBeforeAnEscape)
{
    // No white space and no whole escape before the limit: the cut would
    // fall between "=" and "3D".
    const std::string text = std::string(76, 'a') + "=";
    EXPECT_EQ(EncodeQuotedPrintable(text), std::string(76, 'a') + "=\r\n=3D");
    std::string decoded;
    ASSERT_TRUE(DecodeQuotedPrintable(EncodeQuotedPrintable(text), decoded));
    EXPECT_EQ(decoded, text);

    // A long set name ending in a non-ASCII letter, as the summary carries it.
    const std::string name = " Set Name: " + std::string(66, 'n') + "\xc3\xa4\n";
    ASSERT_TRUE(DecodeQuotedPrintable(EncodeQuotedPrintable(name), decoded));
    EXPECT_EQ(decoded, name);
}

TEST(QuotedPrintable, RandomLongLinesDecodeBackUnchanged)
{
    std::mt19937 random(11);
    // Mostly letters, with escapes, spaces and line ends sprinkled in at
    // every density, so cuts land on every kind of position.
    const std::string alphabet = "abcXYZ09=\xe9\xff\t .";
    for (int round = 0; round < 2000; ++round) {
        const std::size_t length = 1 + random() % 600;
        const unsigned special = 1 + random() % 40;
        std::string text(length, 'a');
        for (auto& c : text) {
            if (random() % special == 0)
                c = alphabet[random() % alphabet.size()];
            if (random() % 997 == 0)
                c = '\n';
        }
        const std::string encoded = EncodeQuotedPrintable(text);
        std::string decoded;
        ASSERT_TRUE(DecodeQuotedPrintable(encoded, decoded)) << encoded;
        ASSERT_EQ(decoded, text) << encoded;
        // Each line holds at most 78 characters before its soft break.
        std::size_t start = 0;
        while (start < encoded.size()) {
            std::size_t end = encoded.find_first_of("\r\n", start);
            if (end == std::string::npos)
                end = encoded.size();
            ASSERT_LE(end - start, 79u) << encoded;
            start = end + 1;
        }
    }
}

TEST(HmacMd5, FollowsRfc2104Vectors)
{
    EXPECT_EQ(Hex(HmacMd5(std::string(16, '\x0b'), "Hi There")), "9294727a3638bb1c13f48ef8158bfc9d");
    EXPECT_EQ(Hex(HmacMd5("Jefe", "what do ya want for nothing?")), "750c783e6ab0b503eaa86e310a5db738");
    EXPECT_EQ(Hex(HmacMd5(std::string(16, '\xaa'), std::string(50, '\xdd'))), "56be34521d144c88dbb8c733f0e8b3f6");
}

TEST(HmacMd5, HashesKeysLongerThanABlock)
{
    // RFC 2202 test case 6: an 80-byte key is replaced by its MD5 digest.
    EXPECT_EQ(Hex(HmacMd5(std::string(80, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First")),
        "6b1ab7fe4bd7bf8f0b62e6ce61b9d0cd");
    EXPECT_EQ(Hex(HmacMd5("", "")), "74e6f7298a9c2d168935f58c001bad88");
}

TEST(Base64Codec, CodesItsOwnResultsAgain)
{
    CBase64Codec codec;
    codec.EncodeText("Username:");
    codec.DecodeText(codec.EncodedText());
    EXPECT_STREQ(reinterpret_cast<const char*>(codec.DecodedData()), "Username:");
    codec.EncodeBytes(codec.DecodedData(), 9);
    EXPECT_STREQ(codec.EncodedText(), "VXNlcm5hbWU6");
}
