#pragma once

#include "StringTable.h"

#include <QString>
#include <string>

// Texts below the interface layer are UTF-8 std::string; widgets take QString.
inline QString ToQ(const std::string& text)
{
    return QString::fromStdString(text);
}
inline std::string FromQ(const QString& text)
{
    return text.toStdString();
}
// A message of the string table as a QString.
inline QString LoadQString(int id)
{
    return ToQ(LoadString(id));
}
