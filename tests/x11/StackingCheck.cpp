// Run by stacking_test.sh on an X server with a window manager: a run's
// question and error box must be stacked above its progress window and the
// deletion window over it, where the window manager (not Qt) decides. Reads
// the stacking order the manager publishes (_NET_CLIENT_LIST_STACKING,
// bottom first) with xprop. Exit status 0 when every check holds.
#include "StringTable.h"
#include "core/Prompter.h"
#include "ui/BlockingCall.h"
#include "ui/ProgressDlg.h"
#include "ui/QtPrompter.h"
#include "ui/QuestionGate.h"
#include "ui/RunWindows.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <atomic>
#include <chrono>
#include <functional>
#include <iostream>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::vector<quint64> Stacking()
{
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"), { QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING") });
    if (!xprop.waitForFinished(5000))
        return {};
    std::vector<quint64> ids;
    const QString out = QString::fromLocal8Bit(xprop.readAllStandardOutput());
    QRegularExpressionMatchIterator it = QRegularExpression(QStringLiteral("0x[0-9a-fA-F]+")).globalMatch(out);
    while (it.hasNext())
        ids.push_back(it.next().captured(0).mid(2).toULongLong(nullptr, 16));
    return ids;
}

int Place(const std::vector<quint64>& stacking, quint64 id)
{
    for (std::size_t i = 0; i < stacking.size(); ++i) {
        if (stacking[i] == id)
            return static_cast<int>(i);
    }
    return -1;
}

// The window manager works in its own time: look again until every window
// is managed, for at most ten seconds.
std::vector<quint64> StackingWith(const std::vector<quint64>& ids)
{
    const auto end = Clock::now() + std::chrono::seconds(10);
    for (;;) {
        std::vector<quint64> stacking = Stacking();
        bool all = true;
        for (quint64 id : ids)
            all = all && Place(stacking, id) >= 0;
        if (all || Clock::now() > end)
            return stacking;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

template <class Value> Value OnGui(QObject* receiver, const std::function<Value()>& call)
{
    Value value {};
    CallBlocking(receiver, [&] { value = call(); });
    return value;
}

quint64 IdOf(QWidget* widget)
{
    return widget ? static_cast<quint64>(widget->winId()) : 0;
}

QMessageBox* OpenBox()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (box && box->isVisible())
            return box;
    }
    return nullptr;
}

// Waits until a message box is shown, and returns its id.
quint64 WaitForBox(QObject* gui)
{
    const auto end = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < end) {
        if (const quint64 id = OnGui<quint64>(gui, [] { return IdOf(OpenBox()); }))
            return id;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return 0;
}

// The user clicks the run's window: the window manager raises it, and with
// it whatever it keeps above it. Looks until the window is on top, for at
// most a second (a box kept above it never lets it get there).
void RaiseAsUser(QObject* gui, const std::function<QWidget*()>& window)
{
    const quint64 id = OnGui<quint64>(gui, [&] {
        QWidget* widget = window();
        widget->raise();
        widget->activateWindow();
        return IdOf(widget);
    });
    const auto end = Clock::now() + std::chrono::seconds(1);
    while (Clock::now() < end) {
        const std::vector<quint64> stacking = Stacking();
        if (!stacking.empty() && stacking.back() == id)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

bool Above(const char* what, quint64 upper, quint64 lower, const char* under)
{
    const std::vector<quint64> stacking = StackingWith({ upper, lower });
    const int up = Place(stacking, upper);
    const int down = Place(stacking, lower);
    const bool ok = up >= 0 && down >= 0 && up > down;
    std::cout << (ok ? "ok: " : "FAILED: ") << what << " (place " << up << ") above " << under << " (place " << down
              << ")\n";
    return ok;
}

int Script(QWidget& main, CRunWindows& windows, CQtPrompter& prompter, std::atomic<std::int32_t>& cancel)
{
    auto monitor = std::make_shared<CProgressMonitor>();
    {
        ProgressSnapshot s;
        s.Totals = { 10, 2, 0, 0 };
        monitor->Publish(s);
    }
    OnGui<bool>(&main, [&] {
        main.show();
        return true;
    });
    // The question comes first; the progress window the run asks for
    // meanwhile must not open over it, and opens once it is answered.
    std::atomic<int> first { 0 };
    std::thread asker([&] {
        first = prompter.MessageBox(
            FormatString(LoadString(57750).c_str(), 2, "/media/backup/src", "/src"), MbYesNo | MbIconQuestion);
    });
    const quint64 firstId = WaitForBox(&main);
    const quint64 mainId = OnGui<quint64>(&main, [&] {
        CRunDisplay::WindowRules rules;
        rules.DeleteFirst = true;
        windows.OpenProgress(0, rules, std::make_shared<CMonitorGuard<ProgressSnapshot>>(monitor));
        return IdOf(&main);
    });
    const bool heldBack = OnGui<bool>(&main, [&] { return !windows.Progress()->isVisible(); });
    const std::vector<quint64> underQuestion = StackingWith({ firstId });
    const bool firstOnTop = !underQuestion.empty() && underQuestion.back() == firstId;
    std::cout << (heldBack && firstOnTop ? "ok: " : "FAILED: ")
              << "a question asked first stays on top while the progress window waits\n";
    OnGui<bool>(&main, [] {
        OpenBox()->button(QMessageBox::Yes)->click();
        return true;
    });
    asker.join();
    bool ok = heldBack && firstOnTop && first == IdYes;

    quint64 progressId = 0;
    quint64 deletingId = 0;
    const auto end = Clock::now() + std::chrono::seconds(10);
    while ((!progressId || !deletingId) && Clock::now() < end) {
        progressId = OnGui<quint64>(&main, [&] { return IdOf(windows.Progress()); });
        deletingId = OnGui<quint64>(&main, [&] {
            const auto waiting = windows.Progress()->findChildren<QDialog*>(QStringLiteral("generalProgress"));
            return waiting.isEmpty() || !waiting.front()->isVisible() ? 0 : IdOf(waiting.front());
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    StackingWith({ mainId, progressId, deletingId });
    ok = progressId && deletingId && ok;

    // A failure of the copy asked from the worker's thread, as the engine
    // asks: no "topmost" flag helps it up.
    std::atomic<int> answer { 0 };
    std::thread worker(
        [&] { answer = prompter.MessageBox("Failed to copy 'a.txt'.", MbAbortRetryIgnore | MbIconError); });
    const quint64 questionId = WaitForBox(&main);
    RaiseAsUser(&main, [&] { return static_cast<QWidget*>(windows.Progress()); });
    ok = Above("question", questionId, progressId, "progress window") && ok;
    ok = Above("question", questionId, deletingId, "deletion window") && ok;
    OnGui<bool>(&main, [] {
        OpenBox()->button(QMessageBox::Ignore)->click();
        return true;
    });
    worker.join();
    ok = answer == IdIgnore && ok;

    OnGui<bool>(&main, [&] {
        windows.ShowError("The backup medium is almost full.");
        return true;
    });
    const quint64 errorId = WaitForBox(&main);
    RaiseAsUser(&main, [&] { return static_cast<QWidget*>(windows.Progress()); });
    ok = Above("error box", errorId, progressId, "progress window") && ok;
    ok = Above("error box", errorId, deletingId, "deletion window") && ok;
    OnGui<bool>(&main, [&] {
        OpenBox()->button(QMessageBox::Ok)->click();
        windows.CloseRunWindows();
        cancel = 0;
        return true;
    });
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
        std::cerr << "needs an X server (platform " << QGuiApplication::platformName().toStdString() << ")\n";
        return 2;
    }
    QWidget main;
    main.setWindowTitle(QStringLiteral("Korvane"));
    main.resize(500, 360);
    std::atomic<std::int32_t> cancel { 0 };
    auto* windows = new CRunWindows(cancel, &main);
    CQtPrompter prompter;
    prompter.SetOwner(&main);
    prompter.SetGate(&windows->Gate());
    int status = 1;
    std::thread script([&] {
        status = Script(main, *windows, prompter, cancel);
        QMetaObject::invokeMethod(&application, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    QApplication::exec();
    script.join();
    delete windows;
    return status;
}
