// Feeds the update check's reading of a server answer from fuzz bytes: the
// first ten lines, the version between the LATEST tags and the comparison
// with the running version. Whatever the page, a version found is short,
// printable and without surrounding blanks, so the offer shown to the user
// can never carry the server's control characters.
#include "web/WebForms.h"

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string answer(reinterpret_cast<const char*>(data), size);
    const std::string lines = WebForms::FirstTenLines(answer);
    if (lines.size() > answer.size() + 20)
        std::abort();
    const auto version = WebForms::LatestVersion(lines);
    if (!version)
        return 0;
    if (version->empty() || version->size() > 32 || std::isspace(static_cast<unsigned char>(version->front()))
        || std::isspace(static_cast<unsigned char>(version->back())))
        std::abort();
    for (unsigned char c : *version) {
        if (c < 0x20 || c >= 0x7F || std::islower(c))
            std::abort();
    }
    WebForms::IsOtherVersion(*version);
    return 0;
}
