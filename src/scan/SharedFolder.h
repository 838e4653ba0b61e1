#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The path of one scanned folder, held once for every record found in it.
// Records are copied into other lists and read on other threads (the
// copy-ahead, the folder statistics), so the count is atomic; the path
// never changes once made.
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

    // path: the whole folder, ending in '/' (or empty); its first rootLength
    // bytes are the scanned folder that record paths are relative to.
    static Ref Make(std::string_view path, std::size_t rootLength);

    std::string_view Path() const { return m_path; }
    std::string_view Root() const { return std::string_view(m_path).substr(0, m_rootLength); }
    std::string_view BelowRoot() const { return std::string_view(m_path).substr(m_rootLength); }

private:
    CSharedFolder(std::string_view path, std::size_t rootLength);

    std::atomic<std::uint32_t> m_count { 1 };
    std::uint32_t m_rootLength = 0;
    const std::string m_path;
};
