// Shared main of every test program: runs all tests in a scratch home, so no
// test ever reads or writes the real user's settings, trash or runtime files.
#include "common/ScratchHome.h"
#include "platform/tls/OpenSslChannel.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ScratchHome home;
    home.Activate();
    QCoreApplication::setApplicationName(QStringLiteral("Korvane"));
    // The program loads its TLS library from beside itself; test programs
    // live elsewhere and link the same channel directly.
    CTlsChannel::SetFactory(NewOpenSslChannel);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
