#pragma once

#include <cstdint>
#include <memory>
#include <string>

class QSettings;

// Access masks of CMyRegistry::SetAccess, with the values of the system the
// settings store was first written for.
enum RegistryAccess : std::uint32_t {
    KeyRead = 0x20019,
    KeyAllAccess = 0xF003F,
};

// Result codes of CMyRegistry operations.
enum RegistryResult : long {
    RegSuccess = 0,
    RegNotFound = 2,
    RegAccessDenied = 5,
    RegInvalidHandle = 6,
    RegNoKey = 1010,
    RegSubkeyErrorFlag = 0x0F000000,
};

// The program's settings store: the keys below "Software\Zellik Software\Korvane"
// kept as groups of an INI file, $XDG_CONFIG_HOME/Zellik Software/Korvane.conf
// (mode 0600). A key path such as "Settings\General" (or the full
// "Software\Zellik Software\Korvane\Settings\General") is the group
// "Settings/General". Failures are silent: reads give their defaults, and
// every operation leaves its result code in LastResult().
class CMyRegistry {
public:
    CMyRegistry();
    virtual ~CMyRegistry();
    CMyRegistry(const CMyRegistry&) = delete;
    CMyRegistry& operator=(const CMyRegistry&) = delete;

    // Creates (when missing) and opens a key; the result is 0.
    long CreateKey(const std::string& path);
    // Opens an existing key; 2 (not found) when it has no values or subkeys.
    long OpenKey(const std::string& path);
    // Access for later CreateKey and OpenKey calls (KeyAllAccess by default);
    // a key opened with KeyRead refuses writes with 5 (access denied).
    void SetAccess(std::uint32_t mask) { m_access = mask; }
    // Closes the open key; its changes reach the file now.
    void CloseKey();

    long WriteNumber(const std::string& name, std::uint32_t value);
    // A number that may be negative (a window left of or above the primary
    // screen) is written as such; ReadNumber gives back its 32 bits.
    long WriteSignedNumber(const std::string& name, std::int32_t value);
    std::uint32_t ReadNumber(const std::string& name, std::uint32_t defaultValue);
    long WriteString(const std::string& name, const std::string& text);
    std::string ReadString(const std::string& name, const std::string& defaultValue);
    // Deletes a value and then a subkey of the same name: 0 when both were
    // there, the value's error, or 2 | 0x0F000000 when only the value was.
    long DeleteValue(const std::string& name);
    // Deletes a subkey of the open key (or, when underOwnKey is false, a key
    // path from the top) with everything below it; an empty name returns
    // 1010 without doing anything.
    long DeleteTree(const std::string& subkey, bool underOwnKey = true);

    long LastResult() const { return m_result; }

    // Full path of the settings file, following XDG_CONFIG_HOME and HOME.
    static std::string FilePath();

    // What a look at the settings file found, once at start-up.
    struct FileState {
        enum Kind { Fine, NotRegular, Damaged } kind = Fine;
        // NotRegular: why (FileIo's codes); Damaged: 0 once kept aside, else
        // the errno of the failed rename.
        int error = 0;
        std::string keptAs; // the damaged file's new path
    };
    // A file QSettings cannot parse is renamed to "<file>.damaged" (".2" and
    // on when that exists), so the defaults never replace it unseen. A FIFO,
    // socket, device or folder in its place is only reported: every key
    // opened later refuses it, so nothing waits on it or replaces it.
    static FileState CheckFile();

private:
    bool Open(const std::string& path, bool create);
    bool GroupExists(const std::string& group) const;
    long RefuseWrite();
    void Sync();

    std::unique_ptr<QSettings> m_settings;
    std::string m_group; // open key as a settings group, empty for the top
    std::uint32_t m_access = KeyAllAccess;
    bool m_writable = false;
    bool m_dirty = false;
    long m_result = RegSuccess;
};
