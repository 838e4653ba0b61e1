#include "ui/SetIcons.h"

#include <QApplication>
#include <QStyle>

QIcon SetIcon(bool scheduled)
{
    const QStyle* style = QApplication::style();
    return scheduled ? style->standardIcon(QStyle::SP_BrowserReload) : style->standardIcon(QStyle::SP_DirIcon);
}
