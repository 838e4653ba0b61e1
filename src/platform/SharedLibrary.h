#pragma once

#include <string>

// A shared object loaded into the running program by path. Its code stays
// mapped for the rest of the run even after this object closes its handle:
// objects made by a loaded library (the windows', Qt's handlers registered
// from it) may run until the program ends, so unloading it is never safe.
class CSharedLibrary {
public:
    CSharedLibrary() = default;
    ~CSharedLibrary();
    CSharedLibrary(const CSharedLibrary&) = delete;
    CSharedLibrary& operator=(const CSharedLibrary&) = delete;

    // Loads path with every symbol resolved now, so that a library that
    // does not fit the program fails here with the loader's reason instead
    // of ending the program at its first call.
    bool Open(const std::string& path);
    // The address of an exported symbol of the opened library, or null.
    void* Symbol(const char* name);
    // The loader's reason for the last failure (dlerror's text).
    const std::string& Error() const { return m_error; }

private:
    void* m_handle = nullptr;
    std::string m_error;
};
