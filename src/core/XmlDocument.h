#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Where one element lies in the document text. Record 0 stands for the
// document level; its FirstChild is the root element.
struct ElemPos {
    std::int32_t StartOpen = 0; // "<" of the start tag
    std::int32_t StartClose = 0; // ">" of the start tag
    std::int32_t EndOpen = 0; // "<" of the end tag; the "/" of an empty element
    std::int32_t EndClose = 0; // ">" of the end tag; StartClose for an empty element
    std::int32_t After = 0; // where the text after the element begins
    std::int32_t Parent = 0;
    std::int32_t FirstChild = 0;
    std::int32_t NextSibling = 0;
};

// A small XML document kept as one text plus an index of element offsets:
// enough for session files (elements with text, double-quoted attributes,
// the five predefined entities, CDATA on reading). Text is handled byte by
// byte; a malformed text never raises, it just parses to an empty index.
class CXmlDocument {
public:
    CXmlDocument();
    virtual ~CXmlDocument() = default;

    // Replaces the document by text and indexes it; true when a root element
    // was parsed. On failure ErrorText names the fault.
    bool ParseText(const std::string& text);
    std::string GetText() const { return Document; }
    const std::string& GetErrorText() const { return ErrorText; }

    // Navigation: an empty name matches any element.
    bool SeekElement(std::string_view name = {});
    bool SeekChild(std::string_view name = {});
    bool StepIn();
    bool StepOut();
    std::string ReadAttribute(std::string_view name) const;
    std::string ReadChildText() const;
    std::string ElementName(int index) const;

    // Back to the document level, as after parsing.
    void ResetPosition();
    int CurrentIndex() const { return Current; }
    int CurrentChildIndex() const { return CurrentChild; }
    int GetDepth() const { return Depth; }
    // True when the element has child elements.
    bool HasChildren(int index) const;

    // Writing: one element per line, lines ending in CR LF.
    bool WriteElement(std::string_view name, std::string_view text = {});
    bool WriteChild(std::string_view name, std::string_view text = {});
    bool WriteAttribute(std::string_view name, std::string_view value);

    static std::string EscapeText(std::string_view text, bool attribute);
    static std::string UnescapeText(std::string_view text);

private:
    struct Token {
        std::size_t start = 0; // first byte of the token (after a quote)
        std::size_t end = 0; // one past its last byte
        std::size_t next = 0; // where the following token search starts
        bool quoted = false;
        bool found = false;
    };

    Token NextToken(std::size_t pos) const;
    std::string_view TokenText(const Token& token) const;
    std::string_view NameView(int index) const;

    void Reset();
    int NewSlot();
    bool Fail(const char* format, std::string_view name = {});
    int FailAt(const char* text);
    int ParseStartTag(std::size_t& pos);
    bool ParseEndTag(int index, std::size_t pos);
    void FinishAfter(int index);
    bool ParseRoot();

    ElemPos& At(int index);
    const ElemPos& At(int index) const;
    bool IsValid(int index) const;
    bool IsEmptyElement(int index) const;
    int LastChild(int parent) const;
    int InsertElement(int parent, int previous, std::string_view name, std::string_view text);
    void OpenEmptyParent(int parent, int child, const std::string& line);
    void ShiftSubtree(int index, std::int32_t delta);
    void ShiftFollowing(int index, std::int32_t delta);

    std::string Document;
    int Depth = 0;
    std::string ErrorText;
    std::vector<ElemPos> Positions;
    int Current = 0;
    int CurrentChild = 0;
    int FreeSlot = 1;
};
