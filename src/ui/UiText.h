#pragma once

#include "StringTable.h"

#include <QString>
#include <QTextDocument>
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
// A tip that shows a name the user or the disk chose: escaped, so that a
// file or set called "<img src=...>" is shown as written and never read as
// rich text (which could load local files as pictures).
inline QString PlainTip(const QString& text)
{
    return Qt::convertFromPlainText(text, Qt::WhiteSpacePre);
}
