#include "platform/TextCase.h"

#include <gtest/gtest.h>

TEST(TextCase, LowerIgnoresTheLocaleAndKeepsInvalidBytes)
{
    EXPECT_EQ(CTextCase::Lower("ABC.Txt"), "abc.txt");
    EXPECT_EQ(CTextCase::Lower("\xc3\x89T\xc3\x89"), "\xc3\xa9t\xc3\xa9"); // ÉTÉ
    EXPECT_EQ(CTextCase::Lower("\xd0\x9f\xd0\xa0"), "\xd0\xbf\xd1\x80"); // ПР
    EXPECT_EQ(CTextCase::Lower("AB\xff\xfe"), "ab\xff\xfe");
}

TEST(TextCase, UpperFirstOnlyTouchesTheFirstCharacter)
{
    EXPECT_EQ(CTextCase::UpperFirst("march"), "March");
    EXPECT_EQ(CTextCase::UpperFirst("\xc5\x9broda"), "\xc5\x9aroda"); // środa
    EXPECT_EQ(CTextCase::UpperFirst("mARS"), "MARS");
    EXPECT_EQ(CTextCase::UpperFirst(""), "");
}
