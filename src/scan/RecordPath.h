#pragma once

#include "scan/SharedFolder.h"

#include <compare>
#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>

// A record's path, read as one text: the folder part below the scanned
// folder followed by the name. The folder part lives once in a shared
// folder for every record found there, so a record holds only its name,
// which usually fits in the string's own bytes. A path assigned as text
// (a record made from a path, not by a scan) has no shared folder and holds
// the whole text as its name.
//
// Comparisons, sizes and conversions see exactly the text that a plain
// string of the whole relative path would hold, byte by byte.
class CRecordPath {
public:
    CRecordPath() = default;

    CRecordPath& operator=(std::string path);
    // name lies directly in folder; it holds no '/'.
    void Assign(CSharedFolder::Ref folder, std::string_view name);
    // Makes a path held whole relative to root (ending in '/'), its folder
    // shared with recent when that holds the same folder below the same
    // root, else with a new one left in recent for the next path. False,
    // and nothing changed, for a shared path or one not below root.
    bool ShareBelow(std::string_view root, CSharedFolder::Ref& recent);

    // The scanned folder the path is relative to ("" without a shared one).
    std::string_view Root() const { return m_folder ? m_folder->Root() : std::string_view(); }
    // The folders between Root and the name, each ending in '/'.
    std::string_view FolderBelowRoot() const { return m_folder ? m_folder->BelowRoot() : std::string_view(); }
    // Root followed by the folders below it.
    std::string_view WholeFolder() const { return m_folder ? m_folder->Path() : std::string_view(); }
    // What follows the folder part: the name, or the whole text.
    const std::string& Tail() const { return m_name; }
    const CSharedFolder::Ref& Shared() const { return m_folder; }

    std::string str() const;
    operator std::string() const { return str(); }
    std::size_t size() const { return FolderBelowRoot().size() + m_name.size(); }
    bool empty() const { return size() == 0; }
    void AppendTo(std::string& out) const;

    int compare(std::string_view other) const;
    int compare(const CRecordPath& other) const;
    // The same for Root + path of both.
    int CompareWhole(const CRecordPath& other) const;

    friend bool operator==(const CRecordPath& a, std::string_view b) { return a.compare(b) == 0; }
    friend bool operator==(const CRecordPath& a, const CRecordPath& b) { return a.compare(b) == 0; }
    friend std::strong_ordering operator<=>(const CRecordPath& a, std::string_view b) { return a.compare(b) <=> 0; }
    friend std::strong_ordering operator<=>(const CRecordPath& a, const CRecordPath& b) { return a.compare(b) <=> 0; }
    friend std::string operator+(const CRecordPath& a, std::string_view b);

private:
    CSharedFolder::Ref m_folder;
    std::string m_name;
};

std::ostream& operator<<(std::ostream& out, const CRecordPath& path);
