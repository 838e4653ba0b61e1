#include "core/XmlDocument.h"

#include <gtest/gtest.h>

namespace {

// The tree below the current position as "name[attr]=text" lines, read only
// through the navigation calls: two documents with equal dumps read the same.
void Dump(CXmlDocument& doc, std::string& out, int depth)
{
    while (doc.SeekChild()) {
        const int child = doc.CurrentChildIndex();
        out += std::string(static_cast<std::size_t>(depth), ' ') + doc.ElementName(child) + "=" + doc.ReadChildText();
        doc.StepIn();
        out += " [" + doc.ReadAttribute("id") + "]\n";
        Dump(doc, out, depth + 1);
        doc.StepOut();
    }
}

std::string DumpAll(CXmlDocument& doc)
{
    std::string out;
    doc.ResetPosition();
    if (!doc.SeekElement())
        return out;
    out = doc.ElementName(doc.CurrentIndex()) + " [" + doc.ReadAttribute("id") + "]\n";
    Dump(doc, out, 1);
    return out;
}

std::string Nested(int depth, bool closed)
{
    std::string text;
    for (int i = 0; i < depth; ++i)
        text += "<a>";
    if (closed) {
        for (int i = 0; i < depth; ++i)
            text += "</a>";
    }
    return text;
}

std::string ParseError(const std::string& text)
{
    CXmlDocument doc;
    EXPECT_FALSE(doc.ParseText(text)) << text;
    return doc.GetErrorText();
}

} // namespace

TEST(XmlDocument, RootWithAttributeAndChildIsThreeLines)
{
    CXmlDocument doc;
    ASSERT_TRUE(doc.WriteElement("SESSION"));
    ASSERT_TRUE(doc.WriteAttribute("version", "003"));
    ASSERT_TRUE(doc.WriteChild("ACTIVESET", "0"));
    EXPECT_EQ(doc.GetText(), "<SESSION version=\"003\">\r\n<ACTIVESET>0</ACTIVESET>\r\n</SESSION>\r\n");
}

TEST(XmlDocument, EmptyTextIsWrittenAsEmptyElementAndReadsEmpty)
{
    CXmlDocument doc;
    doc.WriteElement("ROOT");
    doc.WriteChild("EMAIL", "");
    EXPECT_EQ(doc.GetText(), "<ROOT>\r\n<EMAIL/>\r\n</ROOT>\r\n");
    CXmlDocument read;
    ASSERT_TRUE(read.ParseText(doc.GetText()));
    ASSERT_TRUE(read.SeekChild("EMAIL"));
    EXPECT_EQ(read.ReadChildText(), "");
}

TEST(XmlDocument, EscapesTextAndAttributesAndReadsThemBack)
{
    CXmlDocument doc;
    doc.WriteElement("R");
    doc.WriteAttribute("id", "it's \"<&>\"");
    doc.WriteChild("T", "a & b <c> it's \"q\"");
    EXPECT_EQ(doc.GetText(),
        "<R id=\"it&apos;s &quot;&lt;&amp;&gt;&quot;\">\r\n"
        "<T>a &amp; b &lt;c&gt; it's \"q\"</T>\r\n</R>\r\n");
    CXmlDocument read;
    ASSERT_TRUE(read.ParseText(doc.GetText()));
    ASSERT_TRUE(read.SeekElement("R"));
    EXPECT_EQ(read.ReadAttribute("id"), "it's \"<&>\"");
    ASSERT_TRUE(read.SeekChild("T"));
    EXPECT_EQ(read.ReadChildText(), "a & b <c> it's \"q\"");
}

TEST(XmlDocument, UnknownAndNumericReferencesStayAsTheyAre)
{
    EXPECT_EQ(CXmlDocument::UnescapeText("&#38; &#x26; &nbsp; & &amp &lt;&gt;&apos;&quot;&amp;lt;"),
        "&#38; &#x26; &nbsp; & &amp <>'\"&lt;");
    EXPECT_EQ(CXmlDocument::UnescapeText("trailing &"), "trailing &");
}

TEST(XmlDocument, SeekChildForAbsentNameKeepsThePreviousChild)
{
    CXmlDocument doc;
    ASSERT_TRUE(doc.ParseText("<S><A>1</A><B>2</B><C>3</C></S>"));
    ASSERT_TRUE(doc.SeekChild("B"));
    EXPECT_FALSE(doc.SeekChild("MISSING"));
    EXPECT_EQ(doc.ReadChildText(), "2");
    // The search goes forward only: A lies behind B now.
    EXPECT_FALSE(doc.SeekChild("A"));
    EXPECT_TRUE(doc.SeekChild("C"));
    EXPECT_EQ(doc.ReadChildText(), "3");
}

TEST(XmlDocument, NavigationStepsInAndOutAndMatchesNamesExactly)
{
    CXmlDocument doc;
    ASSERT_TRUE(
        doc.ParseText("<?xml version=\"1.0\"?>\r\n<!-- c --><!DOCTYPE s>\n<S v=\"7\">\n<X/>\n<SET><N>a</N></SET>\n"
                      "<set><N>b</N></set><SET><N>c</N></SET></S> trailing <ignored>"));
    EXPECT_FALSE(doc.StepOut());
    ASSERT_TRUE(doc.SeekElement("S"));
    EXPECT_EQ(doc.ReadAttribute("v"), "7");
    EXPECT_FALSE(doc.SeekElement()); // one root only
    std::string names;
    while (doc.SeekChild("SET")) {
        ASSERT_TRUE(doc.StepIn());
        EXPECT_EQ(doc.GetDepth(), 1);
        doc.SeekChild("N");
        names += doc.ReadChildText();
        ASSERT_TRUE(doc.StepOut());
    }
    EXPECT_EQ(names, "ac");
}

TEST(XmlDocument, SeekChildFailsOnEmptyElementAndStepInNeedsAChild)
{
    CXmlDocument doc;
    ASSERT_TRUE(doc.ParseText("<R><E/><T>text</T></R>"));
    ASSERT_TRUE(doc.SeekChild("E"));
    ASSERT_TRUE(doc.StepIn());
    EXPECT_FALSE(doc.SeekChild());
    EXPECT_FALSE(doc.StepIn());
    ASSERT_TRUE(doc.StepOut());
    ASSERT_TRUE(doc.SeekChild("T"));
    ASSERT_TRUE(doc.StepIn());
    EXPECT_FALSE(doc.StepIn());
    EXPECT_EQ(doc.ReadChildText(), "");
}

TEST(XmlDocument, ReadsCdataWithoutUnescapingAndWhitespaceAsGiven)
{
    CXmlDocument doc;
    ASSERT_TRUE(
        doc.ParseText("<R><C> <![CDATA[a<b&amp;]]></C><W>  x &amp; y \r\n</W><P><Q/></P><S><![CDATA[]]></S></R>"));
    ASSERT_TRUE(doc.SeekChild("C"));
    EXPECT_EQ(doc.ReadChildText(), "a<b&amp;");
    ASSERT_TRUE(doc.SeekChild("W"));
    EXPECT_EQ(doc.ReadChildText(), "  x & y \r\n");
    ASSERT_TRUE(doc.SeekChild("P"));
    EXPECT_EQ(doc.ReadChildText(), ""); // has a child element
    ASSERT_TRUE(doc.SeekChild("S"));
    EXPECT_EQ(doc.ReadChildText(), "");
}

TEST(XmlDocument, AttributesNeedQuotedValuesAndStopAtTheTagEnd)
{
    CXmlDocument doc;
    ASSERT_TRUE(doc.ParseText("<R a=1 b = \"two\" \"c\" c=\"3\"><d id=\"x\"/></R>"));
    ASSERT_TRUE(doc.SeekElement());
    EXPECT_EQ(doc.ReadAttribute("a"), "");
    EXPECT_EQ(doc.ReadAttribute("b"), "two");
    EXPECT_EQ(doc.ReadAttribute("c"), "3");
    EXPECT_EQ(doc.ReadAttribute("R"), ""); // the tag name is no attribute
    EXPECT_EQ(doc.ReadAttribute("id"), "");
}

TEST(XmlDocument, ParseErrorsNameTheFault)
{
    EXPECT_EQ(ParseError(""), "");
    EXPECT_EQ(ParseError("no tags here"), "Element tag not found");
    EXPECT_EQ(ParseError("text <"), "Abrupt end within tag");
    EXPECT_EQ(ParseError("<\"R\">"), "Tag starts with quote");
    EXPECT_EQ(ParseError("<R><A>1</A"), "End tag not completed for element A");
    EXPECT_EQ(ParseError("<?xml version=\"1.0\"?><R a=\"1\""), "End of tag not found");
    EXPECT_EQ(ParseError("<!-- open comment <R/>"), "End of tag not found");
    EXPECT_EQ(ParseError("<A><B></A>"), "End tag does not correspond to B");
    EXPECT_EQ(ParseError("<A><B></B>"), "Element tag not found");
}

TEST(XmlDocument, FailedParseLeavesNothingToFind)
{
    CXmlDocument doc;
    ASSERT_TRUE(doc.ParseText("<R><A>1</A></R>"));
    ASSERT_FALSE(doc.ParseText("<R><A>1</A>"));
    EXPECT_FALSE(doc.SeekElement());
    EXPECT_FALSE(doc.SeekChild());
    EXPECT_FALSE(doc.StepIn());
    EXPECT_EQ(doc.ReadChildText(), "");
    EXPECT_EQ(doc.ReadAttribute("x"), "");
    EXPECT_EQ(doc.ElementName(1), "");
    EXPECT_EQ(doc.ElementName(-5), "");
}

TEST(XmlDocument, DeepNestingNeitherOverflowsNorFailsWrongly)
{
    CXmlDocument doc;
    EXPECT_TRUE(doc.ParseText(Nested(100000, true)));
    int depth = 0;
    while (doc.StepIn())
        ++depth;
    EXPECT_EQ(depth, 99999); // the first step enters the root's child
    EXPECT_FALSE(doc.ParseText(Nested(100000, false)));
    EXPECT_EQ(doc.GetErrorText(), "Element tag not found");
}

TEST(XmlDocument, WriterRefusesWithoutAPlace)
{
    CXmlDocument doc;
    EXPECT_FALSE(doc.WriteChild("A"));
    EXPECT_FALSE(doc.WriteAttribute("a", "1"));
    EXPECT_FALSE(doc.WriteElement(""));
    ASSERT_TRUE(doc.WriteElement("R"));
    EXPECT_FALSE(doc.WriteElement("SECOND")); // the root exists
    ASSERT_TRUE(doc.ParseText("<R/>"));
    EXPECT_FALSE(doc.WriteElement("OTHER"));
}

// Every kind of insertion shifts the offsets behind it; a reparse of the
// written text must read exactly like the document that wrote it.
TEST(XmlDocument, WrittenOffsetsMatchAReparse)
{
    CXmlDocument doc;
    ASSERT_TRUE(doc.WriteElement("R"));
    doc.WriteChild("A", "1");
    doc.WriteChild("B");
    ASSERT_TRUE(doc.StepIn());
    doc.WriteChild("B1", "x&y");
    doc.WriteAttribute("id", "b");
    doc.WriteChild("B2");
    ASSERT_TRUE(doc.StepIn());
    doc.WriteChild("B21", "deep");
    doc.StepOut();
    // A sibling below the root, written after B.
    ASSERT_TRUE(doc.WriteElement("C", "after-b"));
    doc.StepOut();
    // An attribute on the root once it has children moves everything.
    ASSERT_TRUE(doc.WriteAttribute("id", "root"));
    doc.WriteChild("D", "last");

    CXmlDocument read;
    ASSERT_TRUE(read.ParseText(doc.GetText())) << read.GetErrorText();
    const std::string written = DumpAll(doc);
    EXPECT_EQ(written, DumpAll(read));
    EXPECT_EQ(
        written, "R [root]\n A=1 []\n B= [b]\n  B1=x&y []\n  B2= []\n   B21=deep []\n C=after-b []\n D=last []\n");
}

TEST(XmlDocument, ChildrenAddedToAParsedDocumentLandInPlace)
{
    CXmlDocument doc;
    ASSERT_TRUE(doc.ParseText("<?xml?>\r\n<R>\r\n  <A>1</A>\r\n  <E />\r\n  <Z>9</Z>\r\n</R>\r\n"));
    ASSERT_TRUE(doc.SeekChild("E"));
    ASSERT_TRUE(doc.StepIn());
    ASSERT_TRUE(doc.WriteChild("E1", "in"));
    ASSERT_TRUE(doc.StepOut());
    ASSERT_TRUE(doc.SeekChild("Z"));
    ASSERT_TRUE(doc.StepIn());
    ASSERT_TRUE(doc.WriteChild("Z1", "under text"));
    CXmlDocument read;
    ASSERT_TRUE(read.ParseText(doc.GetText())) << doc.GetText();
    EXPECT_EQ(DumpAll(read), "R []\n A=1 []\n E= []\n  E1=in []\n Z= []\n  Z1=under text []\n");
    EXPECT_EQ(DumpAll(doc), DumpAll(read));
}
