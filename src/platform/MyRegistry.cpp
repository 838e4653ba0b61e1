#include "platform/MyRegistry.h"

#include <QSettings>
#include <QString>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr long kSuccess = 0;
constexpr long kNotFound = 2;
constexpr long kInvalidHandle = 6;
constexpr long kNoKey = 1010;

QString Q(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// "Software\Zellik Software\Korvane\Settings\General" and "Settings\General"
// both name the group "Settings/General".
std::string GroupOf(std::string path)
{
    for (char& c : path) {
        if (c == '\\')
            c = '/';
    }
    const std::string prefix = "Software/Zellik Software/Korvane";
    if (path.compare(0, prefix.size(), prefix) == 0)
        path.erase(0, prefix.size());
    while (!path.empty() && path.front() == '/')
        path.erase(0, 1);
    while (!path.empty() && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

CMyRegistry::CMyRegistry() = default;

CMyRegistry::~CMyRegistry()
{
    CloseKey();
}

std::string CMyRegistry::FilePath()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (config && *config == '/') {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home ? home : "") + "/.config";
    }
    return base + "/Zellik Software/Korvane.conf";
}

bool CMyRegistry::Open(const std::string& path, bool create)
{
    CloseKey();
    const std::string file = FilePath();
    if (create) {
        std::error_code ec;
        std::filesystem::create_directories(std::filesystem::path(file).parent_path(), ec);
        // Created private before QSettings writes into it; its atomic
        // replacement keeps the mode of the file it replaces.
        const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        if (fd >= 0)
            ::close(fd);
    }
    m_settings = std::make_unique<QSettings>(Q(file), QSettings::IniFormat);
    m_group = GroupOf(path);
    if (!create && !m_group.empty()) {
        m_settings->beginGroup(Q(m_group));
        const bool exists = !m_settings->allKeys().isEmpty();
        m_settings->endGroup();
        if (!exists) {
            m_settings.reset();
            m_group.clear();
            return false;
        }
    }
    return true;
}

long CMyRegistry::CreateKey(const std::string& path)
{
    m_result = Open(path, true) ? kSuccess : kNotFound;
    return m_result;
}

long CMyRegistry::OpenKey(const std::string& path)
{
    m_result = Open(path, false) ? kSuccess : kNotFound;
    return m_result;
}

void CMyRegistry::CloseKey()
{
    if (m_settings)
        Sync();
    m_settings.reset();
    m_group.clear();
}

// Written once per key: QSettings shares one cache per file within the
// process, so other objects see the values before they reach the disk.
void CMyRegistry::Sync()
{
    m_settings->sync();
    ::chmod(FilePath().c_str(), 0600);
}

static QString KeyName(const std::string& group, const std::string& name)
{
    // An empty name is a key's default value.
    const std::string value = name.empty() ? "Default" : name;
    return Q(group.empty() ? value : group + "/" + value);
}

long CMyRegistry::WriteNumber(const std::string& name, std::uint32_t value)
{
    if (!m_settings)
        return m_result = kInvalidHandle;
    m_settings->setValue(KeyName(m_group, name), static_cast<qlonglong>(value));
    return m_result = kSuccess;
}

std::uint32_t CMyRegistry::ReadNumber(const std::string& name, std::uint32_t defaultValue)
{
    if (!m_settings) {
        m_result = kInvalidHandle;
        return defaultValue;
    }
    const QVariant value = m_settings->value(KeyName(m_group, name));
    bool ok = false;
    const qlonglong number = value.toLongLong(&ok);
    if (!value.isValid() || !ok) {
        m_result = kNotFound;
        return defaultValue;
    }
    m_result = kSuccess;
    return static_cast<std::uint32_t>(number);
}

long CMyRegistry::WriteString(const std::string& name, const std::string& text)
{
    if (!m_settings)
        return m_result = kInvalidHandle;
    m_settings->setValue(KeyName(m_group, name), Q(text));
    return m_result = kSuccess;
}

std::string CMyRegistry::ReadString(const std::string& name, const std::string& defaultValue)
{
    if (!m_settings) {
        m_result = kInvalidHandle;
        return defaultValue;
    }
    const QVariant value = m_settings->value(KeyName(m_group, name));
    if (!value.isValid()) {
        m_result = kNotFound;
        return defaultValue;
    }
    m_result = kSuccess;
    std::string text = value.toString().toStdString();
    // Like a registry string, the text ends at its first zero byte.
    if (const auto zero = text.find('\0'); zero != std::string::npos)
        text.resize(zero);
    return text;
}

long CMyRegistry::DeleteValue(const std::string& name)
{
    if (!m_settings)
        return m_result = kInvalidHandle;
    const QString key = KeyName(m_group, name);
    if (!m_settings->contains(key))
        return m_result = kNotFound;
    m_settings->remove(key);
    // A subkey of the same name goes with the value.
    const QString subkey = Q(m_group.empty() ? name : m_group + "/" + name);
    m_settings->beginGroup(subkey);
    const bool hasSubkey = !m_settings->allKeys().isEmpty();
    m_settings->endGroup();
    if (hasSubkey && !name.empty())
        m_settings->remove(subkey);
    return m_result = hasSubkey ? kSuccess : (kNotFound | 0x0F000000);
}

long CMyRegistry::DeleteTree(const std::string& subkey)
{
    if (subkey.empty())
        return m_result = kNoKey;
    if (!m_settings)
        return m_result = kInvalidHandle;
    const std::string group = m_group.empty() ? GroupOf(subkey) : m_group + "/" + GroupOf(subkey);
    m_settings->beginGroup(Q(group));
    const bool exists = !m_settings->allKeys().isEmpty();
    m_settings->endGroup();
    if (!exists)
        return m_result = kNotFound;
    m_settings->remove(Q(group));
    return m_result = kSuccess;
}
