#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <vector>

class QDialog;
class QWidget;

// Keeps a run's windows from locking each other. Qt gives input only to the
// modal window opened last and to the windows over it: a question opened
// before a run's modal window would sit under it, unanswerable, and a modal
// window opened beside a question takes its input. So every question and
// error box opens over the run's topmost window, and the run's modal windows
// (file information, progress, summary, waiting) open only while no question
// is open, else once the last one has been answered.
class CQuestionGate : public QObject {
    Q_OBJECT

public:
    // main: the window questions open over when no run window is shown.
    explicit CQuestionGate(QWidget* main);

    // The run's own windows; a waiting window open over one counts as above it.
    void SetRunWindows(std::function<std::vector<QWidget*>()> windows) { m_windows = std::move(windows); }

    // The window the next question or error box opens over.
    QWidget* Top() const;
    // box (a child of Top()) is a question or an error box until it has
    // closed or gone. Should its window close first, it moves to the window
    // below rather than going with it.
    void Hold(QDialog* box);
    bool QuestionOpen() const;

    // Calls open at once, or once no question is open any more; not at all
    // when context has gone by then.
    void WhenFree(QObject* context, std::function<void()> open);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Pending {
        QPointer<QObject> context;
        std::function<void()> open;
    };

    bool Held(const QObject* widget) const;
    QWidget* Above(QWidget* window) const;
    void Release(const QObject* box);
    void OpenPending();
    void Rehome(QWidget* closing);

    QPointer<QWidget> m_main;
    std::function<std::vector<QWidget*>()> m_windows;
    std::vector<QPointer<QDialog>> m_held;
    std::vector<Pending> m_pending;
};
