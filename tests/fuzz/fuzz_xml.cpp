// Feeds arbitrary text to the XML parser, then walks, reads and writes the
// parsed document: nothing may read outside the text, hang or crash.
#include "core/XmlDocument.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

// Visits the elements in document order through the navigation calls alone,
// reading what a session reader would read.
void Walk(CXmlDocument& doc)
{
    for (std::size_t budget = 100000; budget > 0; --budget) {
        if (doc.SeekChild()) {
            doc.ReadChildText();
            doc.ElementName(doc.CurrentChildIndex());
            doc.StepIn();
            doc.ReadAttribute("version");
            continue;
        }
        if (!doc.StepOut())
            return;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    CXmlDocument doc;
    const bool parsed = doc.ParseText(text);
    if (!parsed && doc.SeekElement())
        __builtin_trap(); // a failed parse leaves nothing to find
    doc.ResetPosition();
    Walk(doc);
    for (int index = -2; index < 40; ++index)
        doc.ElementName(index);

    // Writing into whatever was parsed must keep every offset inside the text.
    doc.ResetPosition();
    if (doc.SeekElement()) {
        doc.WriteAttribute("a", "<&'\">");
        doc.WriteChild("W", size % 2 ? "" : "x&y");
        doc.StepIn();
        doc.WriteChild("V", "v");
        doc.ReadChildText();
        doc.StepOut();
        doc.ReadChildText();
        CXmlDocument again;
        again.ParseText(doc.GetText());
    } else {
        doc.WriteElement("R", text.substr(0, 16));
        doc.WriteChild("C");
    }
    return 0;
}
