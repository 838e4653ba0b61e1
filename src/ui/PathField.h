#pragma once

#include <QLineEdit>

// A read-only line that shows a path: where it does not fit, the middle is
// left out rather than the end, which names the folder itself, and the whole
// path is the tooltip. text() is always the whole path; with the focus (to
// select and copy) the line scrolls as any other.
class CPathField : public QLineEdit {
public:
    explicit CPathField(QWidget* parent = nullptr);

    // The text as drawn without the focus.
    QString DisplayedText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QRect TextRect() const;
    void UpdateTip();
};
