#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <optional>

// Before a window is mapped, a move places its client where the frame
// should be, and Qt does not know the frame yet, so a restored window would
// open a title bar's height lower than it was saved (and creep up by as
// much at every start). Once the window manager has framed the window, this
// sets the position again, as a frame position, and fits the window to its
// screen with its real frame; then it removes itself. Where windows have no
// frame it waits, harmlessly, for one that never comes.
class CFrameSettler : public QObject {
public:
    // Replaces a settler the window already has; target is the frame
    // position to make good, none to keep whatever the manager chooses.
    static void Attach(QWidget* window, std::optional<QPoint> target);
    static bool Attached(const QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CFrameSettler(QWidget* window, std::optional<QPoint> target);
    void Settle();

    QPointer<QWidget> m_window;
    std::optional<QPoint> m_target;
    bool m_done = false;
};
