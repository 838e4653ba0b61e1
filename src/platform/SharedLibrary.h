#pragma once

#include <string>
#include <vector>

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
    // Opens one of the program's private libraries by file name: beside the
    // program when it exists there (a build tree), else from the program's
    // private library folder (an installation), so that the loader's reason
    // names where an installation should have it.
    bool OpenPrivate(const std::string& fileName);
    // Where OpenPrivate looks, in order. The private folder is found relative
    // to the program's, so an installation works under any prefix.
    static std::vector<std::string> PrivateCandidates(const std::string& programPath, const std::string& fileName);
    // The address of an exported symbol of the opened library, or null.
    void* Symbol(const char* name);
    // The loader's reason for the last failure (dlerror's text).
    const std::string& Error() const { return m_error; }

private:
    void* m_handle = nullptr;
    std::string m_error;
};
