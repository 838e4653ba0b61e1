#pragma once

#include <cstdint>
#include <memory>
#include <string>

class QSettings;

// The program's settings store: the keys below "Software\Zellik Software\Korvane"
// kept as groups of an INI file, $XDG_CONFIG_HOME/Zellik Software/Korvane.conf
// (mode 0600). A key path such as "Settings\General" is the group
// "Settings/General". Failures are silent: reads give their defaults.
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
    void CloseKey();

    long WriteNumber(const std::string& name, std::uint32_t value);
    std::uint32_t ReadNumber(const std::string& name, std::uint32_t defaultValue);
    long WriteString(const std::string& name, const std::string& text);
    std::string ReadString(const std::string& name, const std::string& defaultValue);
    // Deletes a value, and a subkey of the same name when the value existed.
    long DeleteValue(const std::string& name);
    // Deletes a subkey of the open key with everything below it; an empty
    // name returns 1010 without doing anything.
    long DeleteTree(const std::string& subkey);

    long LastResult() const { return m_result; }

    // Full path of the settings file, following XDG_CONFIG_HOME and HOME.
    static std::string FilePath();

private:
    bool Open(const std::string& path, bool create);
    void Sync();

    std::unique_ptr<QSettings> m_settings;
    std::string m_group; // open key as a settings group, empty when none
    long m_result = 0;
};
