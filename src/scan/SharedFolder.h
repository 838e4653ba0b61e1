#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// One scanned folder's path and the names of the records found in it, held
// in one allocation for all of them. Records are copied into other lists
// and read on other threads (the copy-ahead, the replacement placer, the
// folder statistics, the windows' lists), so the count is atomic; bytes
// that a record refers to never change once written.
//
// A folder may keep room for names added later (AddName). Each name goes
// into room no record refers to yet, claimed atomically, so a record read
// on another thread never sees a byte written after it was made.
//
// A folder of text holds a path given whole (no scan behind it): no root,
// no folder part, the text as its one name.
class CSharedFolder {
public:
    // A counted handle of one pointer: records hold it instead of their
    // folder's text.
    class Ref {
    public:
        Ref() = default;
        Ref(const Ref& other) noexcept;
        Ref(Ref&& other) noexcept;
        Ref& operator=(const Ref& other) noexcept;
        Ref& operator=(Ref&& other) noexcept;
        ~Ref();

        const CSharedFolder* get() const { return m_folder; }
        const CSharedFolder* operator->() const { return m_folder; }
        explicit operator bool() const { return m_folder != nullptr; }
        void reset() noexcept;

    private:
        friend class CSharedFolder;
        explicit Ref(CSharedFolder* folder)
            : m_folder(folder)
        {
        }
        CSharedFolder* m_folder = nullptr;
    };

    // Where a name lies in the folder's bytes.
    struct NameSpan {
        std::uint32_t Offset = 0;
        std::uint32_t Length = 0;
    };

    // path: the whole folder, ending in '/' (or empty); its first rootLength
    // bytes are the scanned folder that record paths are relative to.
    // nameRoom: bytes kept for the names AddName adds.
    static Ref Make(std::string_view path, std::size_t rootLength, std::size_t nameRoom = 0);
    // A folder of text holding first + second as its one name.
    static Ref MakeText(std::string_view first, std::string_view second, NameSpan& span);

    // Copies name into the room left; false, and nothing added, when it does
    // not fit.
    bool AddName(std::string_view name, NameSpan& span) const;

    std::string_view Path() const { return std::string_view(Bytes(), m_pathLength); }
    std::string_view Root() const { return std::string_view(Bytes(), m_rootLength); }
    std::string_view BelowRoot() const { return std::string_view(Bytes() + m_rootLength, m_pathLength - m_rootLength); }
    std::string_view Name(NameSpan span) const { return std::string_view(Bytes() + span.Offset, span.Length); }
    bool IsText() const { return m_isText; }
    // Bytes kept for names, used or not.
    std::size_t NameRoom() const { return m_size - m_pathLength; }

private:
    CSharedFolder(std::size_t pathLength, std::size_t rootLength, std::size_t size, bool isText);
    static CSharedFolder* Allocate(std::size_t pathLength, std::size_t rootLength, std::size_t size, bool isText);
    void Release() noexcept;
    const char* Bytes() const { return reinterpret_cast<const char*>(this + 1); }
    char* Bytes() { return reinterpret_cast<char*>(this + 1); }

    std::atomic<std::uint32_t> m_count { 1 };
    const std::uint32_t m_rootLength;
    const std::uint32_t m_pathLength;
    const std::uint32_t m_size; // bytes after the header: path and name room
    // End of the bytes handed out; only AddName moves it.
    mutable std::atomic<std::uint32_t> m_used;
    const bool m_isText;
};
