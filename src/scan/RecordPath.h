#pragma once

#include "scan/SharedFolder.h"

#include <compare>
#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>

// A record's path, read as one text: the folder part below the scanned
// folder followed by the name. The folder part and the names of the records
// found there live once in a shared folder, so a record holds a handle and
// where its name lies: sixteen bytes, with no allocation of its own. A path
// assigned as text (a record made from a path, not by a scan) has a folder
// of text of its own, not shared, holding the whole text as its name.
//
// Comparisons, sizes and conversions see exactly the text that a plain
// string of the whole relative path would hold, byte by byte.
class CRecordPath {
public:
    CRecordPath() = default;

    CRecordPath& operator=(std::string_view path);
    // name lies directly in folder; it holds no '/'. It is added to the
    // folder's room, or to a copy of the folder when there is none left.
    void Assign(CSharedFolder::Ref folder, std::string_view name);
    // The same for a name already in the folder's bytes.
    void Assign(CSharedFolder::Ref folder, CSharedFolder::NameSpan name);
    // folder + name held whole as text.
    void AssignText(std::string_view folder, std::string_view name);
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
    std::string_view Tail() const { return m_folder ? m_folder->Name(m_name) : std::string_view(); }
    // The folder shared with other records; none for a path held as text.
    const CSharedFolder::Ref& Shared() const;

    std::string str() const;
    operator std::string() const { return str(); }
    std::size_t size() const { return m_folder ? m_folder->BelowRoot().size() + m_name.Length : 0; }
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
    CSharedFolder::NameSpan m_name;
};

std::ostream& operator<<(std::ostream& out, const CRecordPath& path);
