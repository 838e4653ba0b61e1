#include "core/Set.h"

#include <algorithm>

CSet::CSet(const CSet& other)
{
    *this = other;
}

CSet& CSet::operator=(const CSet& other)
{
    if (this == &other)
        return *this;
    Name = other.Name;
    ActiveAction = other.ActiveAction;
    LastDestinationFolder = other.LastDestinationFolder;
    Schedule.CopyFrom(other.Schedule);
    Versions = other.Versions;
    Entries.resize(other.Entries.size());
    std::copy(other.Entries.begin(), other.Entries.end(), Entries.begin());
    return *this;
}

bool CSet::IsSameContent(const CSet& other) const
{
    return Name == other.Name && Schedule.IsSameContent(other.Schedule) && Versions == other.Versions
        && std::equal(Entries.begin(), Entries.end(), other.Entries.begin(), other.Entries.end(),
            [](const CBackup& a, const CBackup& b) { return a.IsSameContent(b); });
}
