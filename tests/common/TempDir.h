#pragma once

#include <string>

// A fresh folder below TMPDIR (the scratch home's), removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_path; }
    // Path of name inside the folder.
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

    // Writes bytes to a file below the folder, creating parent folders.
    std::string Write(const std::string& name, const std::string& bytes) const;
    // Reads a whole file; empty when it cannot be read.
    static std::string Read(const std::string& path);

private:
    std::string m_path;
};
