#include "ui/TestDrive.h"

#include "ui/ActionSummaryDlg.h"
#include "ui/GetInfoDlg.h"
#include "ui/KorvaneDlg.h"
#include "ui/RunWindows.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

bool CTestDrive::Wanted()
{
    return qEnvironmentVariableIsSet("KORVANE_TEST_DRIVE");
}

void CTestDrive::Start(CKorvaneDlg& window)
{
    auto* look = new QTimer(&window);
    look->setInterval(20);
    QObject::connect(look, &QTimer::timeout, &window, [&window] {
        CRunWindows& runs = window.RunWindows();
        if (runs.Information() && runs.Information()->ContinueButton()->isEnabled())
            runs.Information()->ContinueButton()->click();
        CActionSummaryDlg* summary = runs.Summary();
        if (summary && summary->isVisible()) {
            std::printf("%s\n", qPrintable(summary->windowTitle()));
            for (int line = 0; line < CActionSummaryDlg::LineCount; ++line)
                std::printf("%s\n", qPrintable(summary->LineText(static_cast<CActionSummaryDlg::Line>(line))));
            std::fflush(stdout);
            summary->accept();
        }
    });
    QObject::connect(&window.Runs(), &CRunController::RunFinished, &window, [](int result) {
        std::printf("run finished: %d\n", result);
        std::fflush(stdout);
        QApplication::exit(0);
    });
    look->start();
    QTimer::singleShot(0, &window, [&window] { window.ExecuteButton()->click(); });
}
