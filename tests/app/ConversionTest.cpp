#include "app/Conversion.h"

#include <gtest/gtest.h>
#include <string>

namespace {

std::string Decoded(const std::string& base64, int* result = nullptr)
{
    CConversion conversion;
    const int code = conversion.FromBase64(base64);
    if (result)
        *result = code;
    std::string bytes(conversion.Size(), '\0');
    std::size_t size = bytes.size();
    conversion.GetData(bytes.data(), size);
    return bytes;
}

std::string Encoded(const std::string& bytes)
{
    CConversion conversion;
    conversion.SetData(bytes.data(), bytes.size());
    return conversion.ToBase64();
}

TEST(ConversionTest, Base64MatchesTheStandardVectorsBothWays)
{
    const std::pair<std::string, std::string> vectors[] = {
        { "", "" },
        { "f", "Zg==" },
        { "fo", "Zm8=" },
        { "foo", "Zm9v" },
        { "foob", "Zm9vYg==" },
        { "fooba", "Zm9vYmE=" },
        { "foobar", "Zm9vYmFy" },
    };
    for (const auto& [bytes, text] : vectors) {
        EXPECT_EQ(Encoded(bytes), text);
        EXPECT_EQ(Decoded(text), bytes);
    }
    std::string all;
    for (int i = 0; i < 256; ++i)
        all.push_back(static_cast<char>(i));
    EXPECT_EQ(Decoded(Encoded(all)), all);
    EXPECT_EQ(Encoded("\xfb\xff"), "+/8=");
}

TEST(ConversionTest, FromBase64StripsForeignCharactersAndRejectsBrokenText)
{
    EXPECT_EQ(Decoded("Zm9v\r\nYm Fy!"), "foobar");
    int result = 0;
    CConversion conversion;
    conversion.SetData("kept", 4);
    EXPECT_EQ(conversion.FromBase64("Zm9vY"), -1); // not whole groups of four
    EXPECT_EQ(conversion.FromBase64("Zg==Zg=="), -1); // padding inside the text
    EXPECT_EQ(conversion.FromBase64("Z==="), -1);
    EXPECT_EQ(conversion.FromBase64("Zm=v"), -1);
    EXPECT_EQ(conversion.Size(), 4u); // a failure keeps the buffer
    Decoded("", &result);
    EXPECT_EQ(result, 0);
}

TEST(ConversionTest, GetDataRefusesATooSmallTarget)
{
    CConversion conversion;
    conversion.SetData("abcdef", 6);
    char target[8] = "-------";
    std::size_t size = 5;
    EXPECT_EQ(conversion.GetData(target, size), -1);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(std::string(target), "-------");
    size = sizeof target;
    EXPECT_EQ(conversion.GetData(target, size), 0);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(std::string(target, 6), "abcdef");
}

TEST(ConversionTest, PasswordIsStoredScrambledWithItsTerminator)
{
    const std::string stored = ScramblePassword("abc");
    ASSERT_EQ(stored.size(), 8u);
    EXPECT_EQ(Decoded(stored), std::string("\xC6\xC5\xC4\0", 4));
    EXPECT_EQ(UnscramblePassword(stored), "abc");

    EXPECT_EQ(ScramblePassword(""), "");
    EXPECT_EQ(UnscramblePassword(""), "");
    // A byte equal to the key scrambles to zero and must not end the password.
    const std::string awkward = "p\xC2\xA7ss w\xC3\xB6rd";
    EXPECT_EQ(UnscramblePassword(ScramblePassword(awkward)), awkward);
}

TEST(ConversionTest, DamagedStoredPasswordsGiveEmptyOrBoundedResults)
{
    EXPECT_EQ(UnscramblePassword("abc"), "");
    EXPECT_EQ(UnscramblePassword("===="), "");
    // Without its terminator the text ends with the buffer.
    EXPECT_EQ(UnscramblePassword(Encoded("\xC6\xC5Z")), "abZ");
}

} // namespace
