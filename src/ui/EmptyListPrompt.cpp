#include "ui/EmptyListPrompt.h"

#include "ui/Icons.h"
#include "ui/UiText.h"

#include <QAbstractScrollArea>
#include <QDir>
#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The mapping told with a folder of the user's own home.
QString MappingLine()
{
    const QString source = QDir::homePath() + QStringLiteral("/Documents");
    const QString backup = QStringLiteral("/media/backup");
    const QString copy = backup + QStringLiteral("/Documents");
    return ToQ(
        FormatString(LoadString(1512).c_str(), FromQ(source).c_str(), FromQ(backup).c_str(), FromQ(copy).c_str()));
}

// Text set back from the title: most of the text colour, some of the base.
// Derived rather than the palette's placeholder colour, which many dark
// palettes leave at its light default, dark grey on dark grey.
QColor Dimmed(const QColor& text, const QColor& base)
{
    const auto mix = [](int a, int b) { return (a * 13 + b * 7) / 20; };
    return QColor(mix(text.red(), base.red()), mix(text.green(), base.green()), mix(text.blue(), base.blue()));
}

} // namespace

CEmptyListPrompt::CEmptyListPrompt(QAbstractScrollArea& list, QWidget* parent)
    : QWidget(parent)
    , m_list(list)
{
    setObjectName(QStringLiteral("emptyListPrompt"));
    m_title = new QLabel(LoadQString(1511), this);
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    // The line names "<backup folder>": plain text, never read as a tag.
    m_mapping = new QLabel(MappingLine(), this);
    m_mapping->setTextFormat(Qt::PlainText);
    m_mapping->setWordWrap(true);
    m_add = new QPushButton(CIcons::Themed(QStringLiteral("list-add")), LoadQString(1510), this);
    m_add->setObjectName(QStringLiteral("addFirstFolder"));
    m_add->setAutoDefault(false);
    for (QLabel* label : { m_title, m_mapping })
        label->setAlignment(Qt::AlignCenter);

    auto* layout = new QVBoxLayout(this);
    layout->addStretch(1);
    layout->addWidget(m_title);
    layout->addWidget(m_mapping);
    layout->addSpacing(fontMetrics().height() / 2);
    layout->addWidget(m_add, 0, Qt::AlignHCenter);
    layout->addStretch(1);
    connect(m_add, &QPushButton::clicked, this, &CEmptyListPrompt::AddRequested);

    m_list.installEventFilter(this);
    m_list.viewport()->installEventFilter(this);
    TakePalette();
    FollowViewport();
    hide();
}

void CEmptyListPrompt::ShowFor(int rows)
{
    setVisible(rows == 0);
    if (isVisible()) {
        FollowViewport();
        raise();
    }
}

bool CEmptyListPrompt::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
        FollowViewport();
        break;
    case QEvent::PaletteChange:
        if (watched == &m_list)
            TakePalette();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

// The list is disabled while it is empty; the prompt still reads as an
// active list, in the colours of its enabled base.
void CEmptyListPrompt::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_list.palette().color(QPalette::Active, QPalette::Base));
}

void CEmptyListPrompt::FollowViewport()
{
    QWidget* viewport = m_list.viewport();
    if (!parentWidget())
        return;
    setGeometry(QRect(viewport->mapTo(parentWidget(), QPoint(0, 0)), viewport->size()));
}

void CEmptyListPrompt::TakePalette()
{
    const QPalette source = m_list.palette();
    QPalette own = palette();
    for (const QPalette::ColorGroup group : { QPalette::Active, QPalette::Inactive }) {
        own.setColor(group, QPalette::Window, source.color(QPalette::Active, QPalette::Base));
        own.setColor(group, QPalette::WindowText, source.color(QPalette::Active, QPalette::Text));
    }
    setPalette(own);
    QPalette dim = own;
    const QColor text
        = Dimmed(source.color(QPalette::Active, QPalette::Text), source.color(QPalette::Active, QPalette::Base));
    for (const QPalette::ColorGroup group : { QPalette::Active, QPalette::Inactive })
        dim.setColor(group, QPalette::WindowText, text);
    m_mapping->setPalette(dim);
}
