#include "common/TestApplication.h"

#include <QCoreApplication>

void EnsureTestApplication()
{
    if (QCoreApplication::instance() != nullptr)
        return;
    static int argc = 1;
    static char name[] = "korvane-test";
    static char* argv[] = { name, nullptr };
    // Kept to the end of the program: tests come and go, the object stays.
    static QCoreApplication* application = new QCoreApplication(argc, argv);
    (void)application;
}
