#pragma once

#include <QWidget>

class QAbstractScrollArea;
class QLabel;
class QPushButton;

// What the main list shows while the active set has no folder entries: a
// title, where the copies of a folder land and an "Add a folder" button.
// It lies over the list's viewport as a sibling of the list, so that it
// stays usable while the empty list itself is disabled, and it paints with
// the list's palette.
class CEmptyListPrompt : public QWidget {
    Q_OBJECT

public:
    CEmptyListPrompt(QAbstractScrollArea& list, QWidget* parent);

    // Shown exactly while the list has no rows.
    void ShowFor(int rows);
    QPushButton* AddButton() const { return m_add; }
    QLabel* MappingText() const { return m_mapping; }

Q_SIGNALS:
    void AddRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void FollowViewport();
    void TakePalette();

    QAbstractScrollArea& m_list;
    QLabel* m_title = nullptr;
    QLabel* m_mapping = nullptr;
    QPushButton* m_add = nullptr;
};
