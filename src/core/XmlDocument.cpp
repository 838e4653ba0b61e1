#include "core/XmlDocument.h"

#include <algorithm>
#include <limits>

namespace {

// Characters that end a token (and are tokens of their own), and white space.
constexpr std::string_view kSpecialChars = "<>=\\/?!";

struct CharClasses {
    bool special[256] = {};
    bool space[256] = {};
    constexpr CharClasses()
    {
        for (const char c : kSpecialChars)
            special[static_cast<unsigned char>(c)] = true;
        for (const char c : std::string_view(" \t\n\r"))
            space[static_cast<unsigned char>(c)] = true;
    }
};
constexpr CharClasses kClasses;

bool IsSpecial(char c)
{
    return kClasses.special[static_cast<unsigned char>(c)];
}

// Offsets are 32-bit; a text that would not fit them is refused.
constexpr std::size_t kMaxDocument = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()) - 64;

// The first index allocation; later growth is by half, so a huge text does not
// reserve its whole estimate before a single element was found.
constexpr std::size_t kMaxInitialSlots = 1 << 16;

bool IsSpace(char c)
{
    return kClasses.space[static_cast<unsigned char>(c)];
}

std::int32_t Offset(std::size_t value)
{
    return static_cast<std::int32_t>(value);
}

struct Entity {
    char character;
    std::string_view name; // the text after "&"
};

constexpr Entity kEntities[] = {
    { '<', "lt;" },
    { '&', "amp;" },
    { '>', "gt;" },
    { '\'', "apos;" },
    { '"', "quot;" },
};

} // namespace

CXmlDocument::CXmlDocument()
{
    Reset();
}

void CXmlDocument::Reset()
{
    Document.clear();
    ErrorText.clear();
    Positions.assign(1, ElemPos {});
    Current = 0;
    CurrentChild = 0;
    Depth = 0;
    FreeSlot = 1;
}

std::string CXmlDocument::EscapeText(std::string_view text, bool attribute)
{
    if (text.find_first_of(attribute ? "<&>'\"" : "<&>") == std::string_view::npos)
        return std::string(text);
    std::string result;
    result.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '<':
            result += "&lt;";
            break;
        case '&':
            result += "&amp;";
            break;
        case '>':
            result += "&gt;";
            break;
        case '\'':
            result += attribute ? "&apos;" : "'";
            break;
        case '"':
            result += attribute ? "&quot;" : "\"";
            break;
        default:
            result += c;
        }
    }
    return result;
}

std::string CXmlDocument::UnescapeText(std::string_view text)
{
    if (text.find('&') == std::string_view::npos)
        return std::string(text);
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            result += text[i];
            continue;
        }
        const std::string_view rest = text.substr(i + 1);
        const auto match = std::find_if(
            std::begin(kEntities), std::end(kEntities), [&](const Entity& e) { return rest.starts_with(e.name); });
        if (match == std::end(kEntities)) {
            result += '&';
            continue;
        }
        result += match->character;
        i += match->name.size();
    }
    return result;
}

CXmlDocument::Token CXmlDocument::NextToken(std::size_t pos) const
{
    Token token;
    const std::size_t size = Document.size();
    while (pos < size && IsSpace(Document[pos]))
        ++pos;
    if (pos >= size)
        return token;
    token.found = true;
    if (Document[pos] == '"') {
        token.quoted = true;
        token.start = pos + 1;
        const std::size_t quote = Document.find('"', token.start);
        token.end = quote == std::string::npos ? size : quote;
        token.next = quote == std::string::npos ? size : quote + 1;
        return token;
    }
    token.start = pos;
    if (IsSpecial(Document[pos])) {
        token.end = token.next = pos + 1;
        return token;
    }
    std::size_t end = pos;
    while (end < size && !IsSpace(Document[end]) && !IsSpecial(Document[end]))
        ++end;
    token.end = token.next = end;
    return token;
}

std::string_view CXmlDocument::TokenText(const Token& token) const
{
    if (!token.found)
        return {};
    return std::string_view(Document).substr(token.start, token.end - token.start);
}

ElemPos& CXmlDocument::At(int index)
{
    return Positions[static_cast<std::size_t>(index)];
}

const ElemPos& CXmlDocument::At(int index) const
{
    return Positions[static_cast<std::size_t>(index)];
}

bool CXmlDocument::IsValid(int index) const
{
    return index > 0 && index < FreeSlot && static_cast<std::size_t>(index) < Positions.size();
}

bool CXmlDocument::IsEmptyElement(int index) const
{
    const ElemPos& e = At(index);
    return e.StartClose == e.EndOpen + 1;
}

bool CXmlDocument::HasChildren(int index) const
{
    return IsValid(index) && At(index).FirstChild != 0;
}

std::string CXmlDocument::ElementName(int index) const
{
    return std::string(NameView(index));
}

std::string_view CXmlDocument::NameView(int index) const
{
    if (!IsValid(index))
        return {};
    const Token token = NextToken(static_cast<std::size_t>(At(index).StartOpen) + 1);
    return TokenText(token);
}

// ---- Parsing ----

int CXmlDocument::NewSlot()
{
    if (static_cast<std::size_t>(FreeSlot) >= Positions.size())
        Positions.resize(Positions.size() + Positions.size() / 2 + 1);
    At(FreeSlot) = ElemPos {};
    return FreeSlot++;
}

bool CXmlDocument::Fail(const char* format, std::string_view name)
{
    ErrorText = format;
    if (const std::size_t at = ErrorText.find("%s"); at != std::string::npos)
        ErrorText.replace(at, 2, name);
    return false;
}

int CXmlDocument::FailAt(const char* text)
{
    Fail(text);
    return -1;
}

// Finds the next start tag from pos, passing declarations, comments, CDATA and
// DOCTYPE. Returns the new record, 0 when an end tag comes first (pos is then
// at its "<"), -1 on error.
int CXmlDocument::ParseStartTag(std::size_t& pos)
{
    for (;;) {
        const std::size_t open = Document.find('<', pos);
        if (open == std::string::npos)
            return FailAt("Element tag not found");
        const Token token = NextToken(open + 1);
        if (!token.found)
            return FailAt("Abrupt end within tag");
        if (token.quoted)
            return FailAt("Tag starts with quote");
        const std::string_view name = TokenText(token);
        if (name == "?" || name == "!") {
            std::string_view terminator = "?>";
            if (name == "!") {
                const char next = token.end < Document.size() ? Document[token.end] : '\0';
                terminator = next == '[' ? "]]>" : next == '-' ? "-->" : ">";
            }
            const std::size_t end = Document.find(terminator, token.end);
            if (end == std::string::npos)
                return FailAt("End of tag not found");
            pos = end + terminator.size();
            continue;
        }
        if (name == "/") {
            pos = open;
            return 0;
        }
        const std::size_t close = Document.find('>', token.start);
        if (close == std::string::npos)
            return FailAt("End of tag not found");
        const int index = NewSlot();
        ElemPos& e = At(index);
        e.StartOpen = Offset(open);
        e.StartClose = Offset(close);
        if (Document[close - 1] == '/') {
            e.EndOpen = Offset(close - 1);
            e.EndClose = Offset(close);
        } else {
            // Not known until the end tag is found; never taken for an empty element.
            e.EndOpen = e.EndClose = -1;
        }
        return index;
    }
}

// Checks the end tag that closes index, starting the search at pos.
bool CXmlDocument::ParseEndTag(int index, std::size_t pos)
{
    const std::string_view name = NameView(index);
    const std::size_t open = Document.find('<', pos);
    if (open == std::string::npos)
        return Fail("End tag of %s element not found", name);
    Token token = NextToken(open + 1);
    if (!token.found || token.quoted || TokenText(token) != "/")
        return Fail("Expecting end tag of element %s", name);
    token = NextToken(token.next);
    if (!token.found || token.quoted || TokenText(token) != name)
        return Fail("End tag does not correspond to %s", name);
    for (;;) {
        token = NextToken(token.next);
        if (!token.found)
            return Fail("End tag not completed for element %s", name);
        if (!token.quoted && TokenText(token) == ">")
            break;
    }
    ElemPos& e = At(index);
    e.EndOpen = Offset(open);
    e.EndClose = Offset(token.start);
    return true;
}

void CXmlDocument::FinishAfter(int index)
{
    ElemPos& e = At(index);
    const std::size_t next = Document.find('<', static_cast<std::size_t>(e.EndClose));
    e.After = Offset(next == std::string::npos ? Document.size() : next);
}

// Parses the root element with an explicit stack of open elements, so that
// however deep a hostile document nests, the program's stack does not grow.
bool CXmlDocument::ParseRoot()
{
    struct Open {
        int index;
        int lastChild;
    };
    std::size_t pos = 0;
    const int root = ParseStartTag(pos);
    if (root <= 0)
        return false;
    Positions[0].FirstChild = root;
    std::vector<Open> open;
    if (IsEmptyElement(root))
        FinishAfter(root);
    else
        open.push_back({ root, 0 });
    pos = static_cast<std::size_t>(At(root).StartClose) + 1;
    while (!open.empty()) {
        const int child = ParseStartTag(pos);
        if (child < 0)
            return false;
        const int parent = open.back().index;
        if (child == 0) {
            if (!ParseEndTag(parent, pos))
                return false;
            FinishAfter(parent);
            pos = static_cast<std::size_t>(At(parent).EndClose) + 1;
            open.pop_back();
            continue;
        }
        At(child).Parent = parent;
        const int previous = open.back().lastChild;
        if (previous == 0)
            At(parent).FirstChild = child;
        else
            At(previous).NextSibling = child;
        open.back().lastChild = child;
        const ElemPos& c = At(child);
        if (IsEmptyElement(child)) {
            pos = static_cast<std::size_t>(c.EndClose) + 1;
            FinishAfter(child);
        } else {
            pos = static_cast<std::size_t>(c.StartClose) + 1;
            open.push_back({ child, 0 });
        }
    }
    return true;
}

bool CXmlDocument::ParseText(const std::string& text)
{
    Reset();
    Document = text;
    if (text.empty() || text.size() > kMaxDocument) {
        Positions.assign(1, ElemPos {});
        return false;
    }
    Positions.resize(std::min(text.size() / 64 + 8, kMaxInitialSlots));
    if (!ParseRoot()) {
        Positions.assign(1, ElemPos {});
        FreeSlot = 1;
        return false;
    }
    return true;
}

// ---- Navigation and reading ----

bool CXmlDocument::SeekElement(std::string_view name)
{
    const int start = Current == 0 ? Positions[0].FirstChild : At(Current).NextSibling;
    for (int i = start; i != 0; i = At(i).NextSibling) {
        if (name.empty() || NameView(i) == name) {
            Current = i;
            CurrentChild = 0;
            return true;
        }
    }
    return false;
}

bool CXmlDocument::SeekChild(std::string_view name)
{
    if (Current == 0)
        SeekElement();
    if (Current == 0 || IsEmptyElement(Current))
        return false;
    const int start = CurrentChild != 0 ? At(CurrentChild).NextSibling : At(Current).FirstChild;
    for (int i = start; i != 0; i = At(i).NextSibling) {
        if (name.empty() || NameView(i) == name) {
            CurrentChild = i;
            return true;
        }
    }
    return false;
}

void CXmlDocument::ResetPosition()
{
    Current = 0;
    CurrentChild = 0;
    Depth = 0;
}

bool CXmlDocument::StepIn()
{
    if (CurrentChild == 0)
        SeekChild();
    if (CurrentChild == 0)
        return false;
    Current = CurrentChild;
    CurrentChild = 0;
    ++Depth;
    return true;
}

bool CXmlDocument::StepOut()
{
    if (Current == 0 || Depth == 0)
        return false;
    CurrentChild = Current;
    Current = At(Current).Parent;
    --Depth;
    return true;
}

std::string CXmlDocument::ReadAttribute(std::string_view name) const
{
    if (!IsValid(Current))
        return {};
    Token token = NextToken(static_cast<std::size_t>(At(Current).StartOpen) + 1);
    for (;;) {
        token = NextToken(token.next);
        if (!token.found)
            return {};
        const std::string_view text = TokenText(token);
        if (!token.quoted && (text == ">" || text == "/"))
            return {};
        if (token.quoted || text == "=" || text != name)
            continue;
        const Token equals = NextToken(token.next);
        const Token value = equals.found ? NextToken(equals.next) : Token {};
        if (!value.found || !value.quoted)
            return {};
        return UnescapeText(TokenText(value));
    }
}

std::string CXmlDocument::ReadChildText() const
{
    if (!IsValid(CurrentChild))
        return {};
    const ElemPos& e = At(CurrentChild);
    if (e.FirstChild != 0 || IsEmptyElement(CurrentChild))
        return {};
    const std::size_t contentStart = static_cast<std::size_t>(e.StartClose) + 1;
    const std::size_t endOpen = std::max(static_cast<std::size_t>(e.EndOpen), contentStart);
    const std::string_view document(Document);
    const Token token = NextToken(contentStart);
    if (token.found && !token.quoted && Document[token.start] == '<' && token.start + 11 < endOpen
        && document.substr(token.start + 1, 8) == "![CDATA[") {
        const std::size_t dataStart = token.start + 9;
        const std::size_t close = document.substr(dataStart, endOpen - dataStart).find("]]>");
        if (close != std::string_view::npos)
            return std::string(document.substr(dataStart, close));
    }
    return UnescapeText(document.substr(contentStart, endOpen - contentStart));
}

// ---- Writing ----

int CXmlDocument::LastChild(int parent) const
{
    int last = 0;
    for (int i = At(parent).FirstChild; i != 0; i = At(i).NextSibling)
        last = i;
    return last;
}

void CXmlDocument::ShiftSubtree(int index, std::int32_t delta)
{
    std::vector<int> pending { index };
    bool top = true;
    while (!pending.empty()) {
        const int n = pending.back();
        pending.pop_back();
        ElemPos& e = At(n);
        e.StartOpen += delta;
        e.StartClose += delta;
        e.EndOpen += delta;
        e.EndClose += delta;
        e.After += delta;
        // The element's own siblings are not part of its subtree.
        if (!top && e.NextSibling != 0)
            pending.push_back(e.NextSibling);
        if (e.FirstChild != 0)
            pending.push_back(e.FirstChild);
        top = false;
    }
}

// Moves everything that lies behind index in the text: later siblings of it and
// of each ancestor with their subtrees entirely, and the ancestors' end tags.
// Walking the tree instead of every record keeps appending an element O(depth).
void CXmlDocument::ShiftFollowing(int index, std::int32_t delta)
{
    for (int n = index; n != 0; n = At(n).Parent) {
        for (int s = At(n).NextSibling; s != 0; s = At(s).NextSibling)
            ShiftSubtree(s, delta);
        const int parent = At(n).Parent;
        if (parent == 0)
            continue;
        ElemPos& p = At(parent);
        p.EndOpen += delta;
        p.EndClose += delta;
        p.After += delta;
    }
}

namespace {

void PlaceElement(ElemPos& e, std::size_t offset, std::size_t nameLength, std::size_t textLength, bool empty)
{
    e.StartOpen = Offset(offset);
    if (empty) {
        e.StartClose = Offset(offset + nameLength + 2);
        e.EndOpen = e.StartClose - 1;
        e.EndClose = e.StartClose;
    } else {
        e.StartClose = Offset(offset + nameLength + 1);
        e.EndOpen = e.StartClose + Offset(textLength) + 1;
        e.EndClose = e.EndOpen + Offset(nameLength) + 2;
    }
    e.After = e.EndClose + 3;
}

} // namespace

// An empty parent "<P/>" becomes "<P>", the child's line and "</P>".
void CXmlDocument::OpenEmptyParent(int parent, int child, const std::string& line)
{
    const std::string name = ElementName(parent);
    const std::size_t slash = static_cast<std::size_t>(At(parent).EndOpen);
    const std::string insertion = ">\r\n" + line + "</" + name;
    Document.replace(slash, 1, insertion);
    const std::int32_t delta = Offset(insertion.size() - 1);

    ElemPos& p = At(parent);
    p.StartClose = Offset(slash);
    p.EndOpen = Offset(slash + 3 + line.size());
    p.EndClose = p.EndOpen + Offset(name.size()) + 2;
    p.After += delta;
    p.FirstChild = child;
    ShiftFollowing(parent, delta);
}

int CXmlDocument::InsertElement(int parent, int previous, std::string_view name, std::string_view text)
{
    const std::string escaped = EscapeText(text, false);
    const bool empty = escaped.empty();
    std::string line = "<" + std::string(name);
    line += empty ? "/>\r\n" : ">" + escaped + "</" + std::string(name) + ">\r\n";
    if (name.empty() || Document.size() + line.size() + name.size() + 8 > kMaxDocument)
        return 0;

    const int index = NewSlot();
    const bool openParent = parent != 0 && IsEmptyElement(parent);
    std::size_t offset = 0;
    if (openParent)
        offset = static_cast<std::size_t>(At(parent).EndOpen) + 3;
    else if (previous != 0)
        offset = static_cast<std::size_t>(At(previous).After);
    else if (parent != 0 && At(parent).FirstChild != 0)
        offset = static_cast<std::size_t>(At(At(parent).FirstChild).StartOpen);
    else if (parent != 0)
        offset = static_cast<std::size_t>(At(parent).EndOpen);

    ElemPos& e = At(index);
    PlaceElement(e, offset, name.size(), escaped.size(), empty);
    e.Parent = parent;
    if (openParent) {
        OpenEmptyParent(parent, index, line);
        return index;
    }
    Document.insert(offset, line);
    ElemPos& link = At(previous); // record 0 when first
    if (previous != 0) {
        e.NextSibling = link.NextSibling;
        link.NextSibling = index;
    } else {
        e.NextSibling = At(parent).FirstChild;
        At(parent).FirstChild = index;
    }
    ShiftFollowing(index, Offset(line.size()));
    return index;
}

bool CXmlDocument::WriteElement(std::string_view name, std::string_view text)
{
    const bool documentLevel = Current == 0 || At(Current).Parent == 0;
    if (documentLevel) {
        if (Positions[0].FirstChild != 0)
            return false;
        Reset();
        const int root = InsertElement(0, 0, name, text);
        if (root == 0)
            return false;
        Current = root;
        CurrentChild = 0;
        return true;
    }
    const int element = InsertElement(At(Current).Parent, Current, name, text);
    if (element == 0)
        return false;
    Current = element;
    CurrentChild = 0;
    return true;
}

bool CXmlDocument::WriteChild(std::string_view name, std::string_view text)
{
    if (!IsValid(Current))
        return false;
    if (CurrentChild == 0)
        CurrentChild = LastChild(Current);
    const int child = InsertElement(Current, CurrentChild, name, text);
    if (child == 0)
        return false;
    CurrentChild = child;
    return true;
}

bool CXmlDocument::WriteAttribute(std::string_view name, std::string_view value)
{
    if (!IsValid(Current))
        return false;
    const std::string insertion = " " + std::string(name) + "=\"" + EscapeText(value, true) + "\"";
    if (Document.size() + insertion.size() > kMaxDocument)
        return false;
    ElemPos& e = At(Current);
    const std::size_t offset = static_cast<std::size_t>(IsEmptyElement(Current) ? e.EndOpen : e.StartClose);
    Document.insert(offset, insertion);
    const std::int32_t delta = Offset(insertion.size());
    e.StartClose += delta;
    e.EndOpen += delta;
    e.EndClose += delta;
    e.After += delta;
    for (int c = e.FirstChild; c != 0; c = At(c).NextSibling)
        ShiftSubtree(c, delta);
    ShiftFollowing(Current, delta);
    return true;
}
