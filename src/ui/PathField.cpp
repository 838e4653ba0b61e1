#include "ui/PathField.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

namespace {

// QLineEdit's own inner margins around its text, which no style reports.
constexpr int kHorizontalMargin = 2;
constexpr int kVerticalMargin = 1;

} // namespace

CPathField::CPathField(QWidget* parent)
    : QLineEdit(parent)
{
    setReadOnly(true);
    connect(this, &QLineEdit::textChanged, this, &CPathField::UpdateTip);
}

QRect CPathField::TextRect() const
{
    QStyleOptionFrame panel;
    initStyleOption(&panel);
    const QRect contents = style()->subElementRect(QStyle::SE_LineEditContents, &panel, this);
    return contents.marginsRemoved(textMargins())
        .adjusted(kHorizontalMargin, kVerticalMargin, -kHorizontalMargin, -kVerticalMargin);
}

QString CPathField::DisplayedText() const
{
    return fontMetrics().elidedText(text(), Qt::ElideMiddle, TextRect().width());
}

void CPathField::paintEvent(QPaintEvent* event)
{
    const QString shown = DisplayedText();
    if (hasFocus() || shown == text()) {
        QLineEdit::paintEvent(event);
        return;
    }
    QPainter painter(this);
    QStyleOptionFrame panel;
    initStyleOption(&panel);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &panel, &painter, this);
    painter.setPen(palette().color(QPalette::Text));
    const Qt::Alignment horizontal = QStyle::visualAlignment(layoutDirection(), alignment()) & Qt::AlignHorizontal_Mask;
    painter.drawText(TextRect(), static_cast<int>(horizontal | Qt::AlignVCenter) | Qt::TextSingleLine, shown);
}

void CPathField::resizeEvent(QResizeEvent* event)
{
    QLineEdit::resizeEvent(event);
    UpdateTip();
}

void CPathField::UpdateTip()
{
    setToolTip(DisplayedText() == text() ? QString() : text());
}
