#pragma once

#include <string>

// Marks a folder for file-system compression (FS_COMPR_FL), so files created
// in it are compressed. Only file systems reporting the compression volume
// flag (0x10) honour it.
struct CompressionResult {
    int accessError = 0; // errno of opening the folder, 0 when opened
    int setError = 0; // errno of setting the flag, 0 when set
    bool Ok() const { return accessError == 0 && setError == 0; }
};

CompressionResult SetFolderCompression(const std::string& path);
// The same for a folder already open (not O_PATH); the descriptor stays open.
CompressionResult SetFolderCompressionOf(int fd);
