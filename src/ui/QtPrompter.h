#pragma once

#include "core/Prompter.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <atomic>

class CQuestionGate;
class QMessageBox;
class QWidget;

// The prompter of the windowed program: message boxes with the icons and
// buttons of the style, and Qt's file dialogs. It may be called from any
// thread: on the interface thread it asks at once; another thread (the run,
// the copy worker, the scheduler, the log writer) hands the question to the
// interface thread and waits for the answer there. The interface thread
// itself never waits on anyone.
class CQtPrompter : public QObject, public CPrompter {
    Q_OBJECT

public:
    // Create on the interface thread.
    explicit CQtPrompter(QObject* parent = nullptr);

    int MessageBox(const std::string& text, unsigned style) override;
    bool AskFileName(const FileDialogRequest& request, std::string& path) override;

    // The window message boxes are shown over (the main window).
    void SetOwner(QWidget* owner) { m_owner = owner; }
    // The runs' windows: questions then open over a run's topmost window,
    // and the run's windows wait for them.
    void SetGate(CQuestionGate* gate);
    // Once the interface thread stops serving questions (the program is
    // ending), questions from other threads take the answer a run without a
    // display gets instead of waiting for ever.
    void Close() { m_closed = true; }

    // The box of one question, built but not shown (tests look at it).
    static QMessageBox* BuildBox(const QString& text, unsigned style, QWidget* parent);
    // The answer (IdOk ... IdNo) of a clicked standard button.
    static int AnswerOf(int standardButton);

private:
    int AskHere(const std::string& text, unsigned style);
    bool AskFileNameHere(const FileDialogRequest& request, std::string& path);
    bool OnInterfaceThread() const;
    QWidget* Owner() const;

    QPointer<QWidget> m_owner;
    QString m_lastFolder; // of the last file chosen; the interface thread's
    QPointer<CQuestionGate> m_gate;
    std::atomic<bool> m_closed { false };
};
