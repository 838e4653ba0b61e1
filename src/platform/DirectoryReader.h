#pragma once

#include "platform/FileFindData.h"
#include "platform/fs/DirHandle.h"

#include <string>

// Lists one folder (opendir/readdir) and looks its entries up relative to the
// open folder, which spares the kernel a path walk per file.
class CDirectoryReader {
public:
    CDirectoryReader() = default;
    ~CDirectoryReader();
    CDirectoryReader(const CDirectoryReader&) = delete;
    CDirectoryReader& operator=(const CDirectoryReader&) = delete;

    // Opens the folder; false with Error() set when it cannot be listed.
    bool Open(const std::string& folder);
    // Lists a folder already open (any handle of it, an O_PATH one too).
    bool Open(const CDirHandle& folder);
    // Lists a folder opened for listing, taking its handle over.
    bool Take(CDirHandle&& listing);
    // The next entry other than "." and "..", Kind taken from the listing
    // (Unknown when the file system does not say). False at the end of the
    // listing, or on a read failure, in which case Error() is non-zero.
    bool Next(std::string& name, FileKind& kind);
    // Looks an entry of the open folder up without following links. Returns
    // 0 or the errno value.
    int Stat(const std::string& name, FileFindData& data) const;
    // Removes an entry of the open folder that a killed copy left under a
    // temporary name (see CFileCopier); 0, or the errno value of why not.
    int RemoveStaleTemporary(const std::string& name) const;
    void Close();

    int Error() const { return m_error; }

private:
    void* m_dir = nullptr; // DIR*, kept opaque so no system header leaks out
    int m_error = 0;
};
