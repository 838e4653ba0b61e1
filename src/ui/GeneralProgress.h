#pragma once

#include "ui/MyDialog.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <functional>

class QLabel;
class QPushButton;

// The small waiting window: a status text and Cancel, open until what it
// watches has let go. It watches values the interface thread already holds
// (a worker's flags as last published), never a worker itself. Accepted
// when the work ended, rejected when the user cancelled; the caller decides
// what follows.
class CGeneralProgress : public CMyDialog {
public:
    // busy: true while the watched work still runs.
    CGeneralProgress(const QString& status, std::function<bool()> busy, QWidget* centerOn, QWidget* parent = nullptr);

    // Opens without blocking; done is called once with true when the work
    // ended, false when cancelled.
    void Start(std::function<void(bool ended)> done);

    QString Status() const;
    QPushButton* CancelButton() const { return m_cancel; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Tick();

    std::function<bool()> m_busy;
    QPointer<QWidget> m_centerOn;
    QLabel* m_status;
    QPushButton* m_cancel;
    QTimer m_timer;
    QElapsedTimer m_opened;
};
