#pragma once

#include "scan/FileRecordArray.h"
#include "scan/FolderLister.h"
#include "scan/FolderPrefetch.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// Walks two trees side by side, one folder of each at a time, as a merge of
// two sorted listings: the memory it needs grows with the largest folder
// and the depth of the tree, not with the tree.
//
// The records of a folder reach the caller in stretches: those that lie
// between two subfolders the walk enters, then the subfolder's own tree.
// Stretch after stretch, the records come in the order of one sorted list
// of the whole tree ("a", "a.txt", "a/x", "b"), so that whatever a caller
// makes of them stays in path order, parents before their children.
class CFolderMerge {
public:
    // One stretch of one folder, both sides in path order; the records may
    // be changed or taken. False stops the walk.
    using Stretch = std::function<bool(CFileRecordArray& from, CFileRecordArray& to)>;
    // A folder (its path below the roots: "" for the roots, else ending in
    // '/') whose whole tree has been walked: children come before parents.
    // False stops the walk.
    using Left = std::function<bool(const std::string& below)>;

    // to may be null: that side is empty. enterToOnly: the folders found on
    // the to side alone are walked too, their from side empty; otherwise
    // the walk follows the folders of the from side. readers: threads that
    // list the folders ahead of the walk (0: the walk lists each itself).
    CFolderMerge(CFolderLister& from, CFolderLister* to, bool enterToOnly, unsigned readers = 0);

    // What a walk reads ahead when it is given threads to read with.
    static constexpr unsigned kReaders = 4;
    static constexpr std::size_t kReadAhead = 32;

    // False when a call returned false or cancel was set.
    bool Walk(const Stretch& stretch, const Left& left = {}, const std::atomic<std::int32_t>* cancel = nullptr);

private:
    struct Descent {
        std::string key; // the folder's path below the roots, ending in '/'
        bool from = false;
        bool to = false;
    };

    bool WalkFolder(const std::string& below, bool listFrom, bool listTo);
    bool ListFolder(const std::string& below, bool listFrom, bool listTo, CFileRecordArray& from, CFileRecordArray& to);
    static std::vector<Descent> DescentsOf(const CFileRecordArray& from, const CFileRecordArray& to, bool enterToOnly);
    static void TakeBefore(CFileRecordArray& list, std::size_t& at, const std::string& key, CFileRecordArray& out);
    static void TakeRest(CFileRecordArray& list, std::size_t at, CFileRecordArray& out);
    bool Cancelled() const;

    CFolderLister& m_from;
    CFolderLister* m_to;
    bool m_enterToOnly;
    unsigned m_readers;
    std::unique_ptr<CFolderPrefetch> m_prefetch;
    const Stretch* m_stretch = nullptr;
    const Left* m_left = nullptr;
    const std::atomic<std::int32_t>* m_cancel = nullptr;
};
