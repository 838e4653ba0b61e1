// Opens arbitrary bytes as a session file. Whatever loads must survive a save
// and a second open unchanged, and the second save must give the same bytes.
#include "ScratchFolder.h"
#include "core/Prompter.h"
#include "core/Session.h"
#include "core/SessionFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace {

std::string g_folder;

// Answers every question the way a run without a display does.
class DeclinePrompter : public CPrompter {
public:
    int MessageBox(const std::string&, unsigned style) override
    {
        return (style & MbButtonMask) == MbYesNo ? IdNo : IdCancel;
    }
    bool AskFileName(const FileDialogRequest&, std::string&) override { return false; }
};

void WriteBytes(const std::string& path, const std::string& bytes)
{
    // A fresh file each time: truncating one in place makes ext4 flush it on
    // close, which slowed every run down to milliseconds.
    std::error_code error;
    std::filesystem::remove(path, error);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string DiskBytes(const CSession& session)
{
    return CSessionFile::ToDiskBytes(std::string(CSessionFile::kDeclaration) + CSessionFile::BuildDocument(session));
}

bool SameSession(const CSession& a, const CSession& b)
{
    if (!a.IsSameContent(b) || a.ActiveSet != b.ActiveSet)
        return false;
    for (std::size_t i = 0; i < a.Sets.size(); ++i) {
        if (a.Sets[i].ActiveAction != b.Sets[i].ActiveAction
            || a.Sets[i].LastDestinationFolder != b.Sets[i].LastDestinationFolder)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    g_folder = FuzzScratchFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input = g_folder + "/input.kvf";
    WriteBytes(input, std::string(reinterpret_cast<const char*>(data), size));
    DeclinePrompter prompter;
    CSession working;
    CSession saved;
    working.SavedCopy = &saved;
    working.NewSession(prompter);
    if (working.OpenSession(prompter, &input) != 0)
        return 0;
    // Every set and entry loaded takes at least one byte of the file: a
    // count in the file alone must never make the reader allocate.
    std::size_t items = working.Sets.size();
    for (const CSet& set : working.Sets)
        items += set.Entries.size();
    if (items > size)
        std::abort();
    // A text-format set or entry holds a text or a number after its key,
    // which takes more than a few bytes: blank lines alone hold none.
    const std::string_view given(reinterpret_cast<const char*>(data), size);
    if (given.starts_with("SettingsVersion:") && items * 10 > size)
        std::abort();
    // The round trip below proves nothing more for many items, only slower.
    if (items > 64)
        return 0;

    const std::string bytes = DiskBytes(working);
    const std::string copy = g_folder + "/copy.kvf";
    WriteBytes(copy, bytes);
    CSession reopened;
    CSession reopenedSaved;
    reopened.SavedCopy = &reopenedSaved;
    reopened.NewSession(prompter);
    if (reopened.OpenSession(prompter, &copy) != 0 || !SameSession(working, reopened) || DiskBytes(reopened) != bytes)
        std::abort();
    return 0;
}
