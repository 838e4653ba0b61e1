#include "ui/Icons.h"

#include <QFile>
#include <QHash>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

// Outside any namespace: the resource's init function is a global one.
static void InitResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(korvane);
        return true;
    }();
    (void)done;
}

QIcon CIcons::Own(const QString& name)
{
    InitResources();
    static QHash<QString, QIcon> cache;
    if (const auto found = cache.constFind(name); found != cache.constEnd())
        return *found;
    // Rendered here rather than through the SVG icon plugin, so the icons
    // show even where the plugin is missing.
    QSvgRenderer renderer(QStringLiteral(":/icons/") + name + QStringLiteral(".svg"));
    QIcon icon;
    if (renderer.isValid()) {
        for (const int size : { 16, 22, 24, 32, 48, 64, 128 }) {
            QPixmap pixmap(size, size);
            pixmap.fill(Qt::transparent);
            QPainter painter(&pixmap);
            renderer.render(&painter);
            painter.end();
            icon.addPixmap(pixmap);
        }
    }
    cache.insert(name, icon);
    return icon;
}

QIcon CIcons::Themed(const QString& name)
{
    return QIcon::fromTheme(name, Own(name));
}
