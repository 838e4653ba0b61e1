#include "platform/MyRegistry.h"

#include "platform/FileIo.h"
#include "platform/FileOps.h"
#include "platform/XdgPaths.h"

#include <QSettings>
#include <QString>
#include <QStringList>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

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
    if (path.compare(0, prefix.size(), prefix) == 0 && (path.size() == prefix.size() || path[prefix.size()] == '/'))
        path.erase(0, prefix.size());
    while (!path.empty() && path.front() == '/')
        path.erase(0, 1);
    while (!path.empty() && path.back() == '/')
        path.pop_back();
    return path;
}

std::string Join(const std::string& group, const std::string& name)
{
    return group.empty() ? name : group + "/" + name;
}

// An empty name is a key's default value.
QString ValueKey(const std::string& group, const std::string& name)
{
    return Q(Join(group, name.empty() ? "Default" : name));
}

// Creates the settings file private before QSettings first writes it, and
// makes an existing one private again; QSettings replaces the file through a
// temporary copy that keeps the mode of the file it replaces.
void MakePrivateFile(const std::string& file)
{
    const auto slash = file.rfind('/');
    if (slash != std::string::npos && slash > 0) {
        const std::string folder = file.substr(0, slash);
        const auto parent = folder.rfind('/');
        if (parent != std::string::npos && parent > 0)
            ::mkdir(folder.substr(0, parent).c_str(), 0700);
        ::mkdir(folder.c_str(), 0700);
    }
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0)
        return;
    ::fchmod(fd, 0600);
    ::close(fd);
}

} // namespace

CMyRegistry::CMyRegistry() = default;

CMyRegistry::~CMyRegistry()
{
    CloseKey();
}

std::string CMyRegistry::FilePath()
{
    return XdgConfigHome() + "/Zellik Software/Korvane.conf";
}

CMyRegistry::FileState CMyRegistry::CheckFile()
{
    const std::string file = FilePath();
    FileState state;
    if (const int error = FileIo::CheckRegularOrMissing(file); error != 0) {
        state.kind = FileState::NotRegular;
        state.error = error;
        return state;
    }
    if (!PathExists(file))
        return state;
    {
        QSettings settings(Q(file), QSettings::IniFormat);
        // Sections are parsed when first used; this uses them all.
        settings.allKeys();
        if (settings.status() != QSettings::FormatError)
            return state;
    }
    // Were it left in place, the next save would write the defaults and the
    // readable rest over it.
    state.kind = FileState::Damaged;
    for (int n = 1; n <= 100; ++n) {
        const std::string kept = file + ".damaged" + (n > 1 ? "." + std::to_string(n) : std::string());
        state.error = MoveNoReplace(file, kept);
        if (state.error == 0) {
            state.keptAs = kept;
            break;
        }
        if (state.error != EEXIST)
            break;
    }
    return state;
}

bool CMyRegistry::GroupExists(const std::string& group) const
{
    m_settings->beginGroup(Q(group));
    const bool exists = !m_settings->allKeys().isEmpty();
    m_settings->endGroup();
    return exists;
}

bool CMyRegistry::Open(const std::string& path, bool create)
{
    CloseKey();
    const std::string file = FilePath();
    // QSettings opens the file itself, and an open of a FIFO waits for a
    // writer for ever; anything but a regular file is left alone.
    if (FileIo::CheckRegularOrMissing(file) == FileIo::kNotRegularFile)
        return false;
    const bool writable = (m_access & KeyAllAccess) == KeyAllAccess;
    if (create && writable)
        MakePrivateFile(file);
    m_settings = std::make_unique<QSettings>(Q(file), QSettings::IniFormat);
    m_group = GroupOf(path);
    m_writable = writable;
    // The file cannot hold a key without values, so a created key exists
    // from its first value on; opening one that has none fails.
    if (!create && !m_group.empty() && !GroupExists(m_group)) {
        m_settings.reset();
        m_group.clear();
        return false;
    }
    return true;
}

long CMyRegistry::CreateKey(const std::string& path)
{
    m_result = Open(path, true) ? RegSuccess : RegNotFound;
    return m_result;
}

long CMyRegistry::OpenKey(const std::string& path)
{
    m_result = Open(path, false) ? RegSuccess : RegNotFound;
    return m_result;
}

void CMyRegistry::CloseKey()
{
    if (m_settings && m_dirty)
        Sync();
    m_settings.reset();
    m_group.clear();
    m_dirty = false;
}

// QSettings shares one cache per file within the process, so other objects
// see the values at once; the file itself is written when the key closes.
void CMyRegistry::Sync()
{
    m_settings->sync();
    ::chmod(FilePath().c_str(), 0600);
}

long CMyRegistry::RefuseWrite()
{
    return m_result = m_settings ? RegAccessDenied : RegInvalidHandle;
}

long CMyRegistry::WriteNumber(const std::string& name, std::uint32_t value)
{
    if (!m_settings || !m_writable)
        return RefuseWrite();
    m_settings->setValue(ValueKey(m_group, name), static_cast<qlonglong>(value));
    m_dirty = true;
    return m_result = RegSuccess;
}

long CMyRegistry::WriteSignedNumber(const std::string& name, std::int32_t value)
{
    if (!m_settings || !m_writable)
        return RefuseWrite();
    m_settings->setValue(ValueKey(m_group, name), static_cast<qlonglong>(value));
    m_dirty = true;
    return m_result = RegSuccess;
}

std::uint32_t CMyRegistry::ReadNumber(const std::string& name, std::uint32_t defaultValue)
{
    if (!m_settings) {
        m_result = RegInvalidHandle;
        return defaultValue;
    }
    const QVariant value = m_settings->value(ValueKey(m_group, name));
    bool ok = false;
    const qlonglong number = value.toLongLong(&ok);
    // A number that does not fit the 32 bits of a stored value (an edited
    // file) is as unreadable as a missing one.
    if (!value.isValid() || !ok || number < INT32_MIN || number > static_cast<qlonglong>(UINT32_MAX)) {
        m_result = RegNotFound;
        return defaultValue;
    }
    m_result = RegSuccess;
    return static_cast<std::uint32_t>(number);
}

long CMyRegistry::WriteString(const std::string& name, const std::string& text)
{
    if (!m_settings || !m_writable)
        return RefuseWrite();
    m_settings->setValue(ValueKey(m_group, name), Q(text));
    m_dirty = true;
    return m_result = RegSuccess;
}

std::string CMyRegistry::ReadString(const std::string& name, const std::string& defaultValue)
{
    if (!m_settings) {
        m_result = RegInvalidHandle;
        return defaultValue;
    }
    const QVariant value = m_settings->value(ValueKey(m_group, name));
    if (!value.isValid()) {
        m_result = RegNotFound;
        return defaultValue;
    }
    m_result = RegSuccess;
    // An unquoted comma in a hand-edited file makes QSettings read a list;
    // the text is what was written.
    const QString qtext
        = value.typeId() == QMetaType::QStringList ? value.toStringList().join(QStringLiteral(", ")) : value.toString();
    std::string text = qtext.toStdString();
    // Like a registry string, the text ends at its first zero byte.
    if (const auto zero = text.find('\0'); zero != std::string::npos)
        text.resize(zero);
    return text;
}

long CMyRegistry::DeleteValue(const std::string& name)
{
    if (!m_settings || !m_writable)
        return RefuseWrite();
    const QString key = ValueKey(m_group, name);
    if (!m_settings->contains(key))
        return m_result = RegNotFound;
    // Looked at first: QSettings removes a key's sub-settings with the key.
    const bool hasSubkey = !name.empty() && GroupExists(Join(m_group, name));
    m_settings->remove(key);
    m_dirty = true;
    return m_result = hasSubkey ? RegSuccess : (RegNotFound | RegSubkeyErrorFlag);
}

long CMyRegistry::DeleteTree(const std::string& subkey, bool underOwnKey)
{
    const std::string relative = GroupOf(subkey);
    if (relative.empty())
        return m_result = RegNoKey;
    // A path from the top needs no open key.
    if (!m_settings && !underOwnKey && CreateKey(std::string()) != RegSuccess)
        return m_result;
    if (!m_settings || !m_writable)
        return RefuseWrite();
    const std::string group = underOwnKey ? Join(m_group, relative) : relative;
    if (!GroupExists(group))
        return m_result = RegNotFound;
    m_settings->remove(Q(group));
    m_dirty = true;
    return m_result = RegSuccess;
}
