#include "platform/DesktopLibrary.h"

#include "platform/DesktopKeyring.h"
#include "platform/SharedLibrary.h"

#include <QCoreApplication>
#include <gtest/gtest.h>
#include <memory>

namespace {

PasswordResult ReadOnce(CPasswordStore& store)
{
    PasswordResult answer;
    int answers = 0;
    store.Start(CPasswordStore::Operation::Read, "SMTPPassword", {}, [&](const PasswordResult& result) {
        answer = result;
        ++answers;
    });
    EXPECT_EQ(answers, 1);
    return answer;
}

// A test program has no desktop library beside it, as a program whose
// library went missing: the keyring cannot be reached, and says why.
TEST(DesktopLibrary, WithoutTheLibraryTheKeyringIsUnreachableWithTheLoadersReason)
{
    CDesktopKeyring keyring;
    for (int time = 0; time < 2; ++time) {
        const PasswordResult result = ReadOnce(keyring);
        EXPECT_EQ(result.status, PasswordResult::Status::Unreachable);
        EXPECT_NE(result.reason.find("the desktop library cannot be loaded: "), std::string::npos) << result.reason;
        EXPECT_NE(result.reason.find("libkorvane-desktop.so: cannot open shared object file"), std::string::npos)
            << result.reason;
    }
    std::string error;
    EXPECT_EQ(CDesktopLibrary::LogindPowerOff(error), nullptr);
    EXPECT_FALSE(error.empty());
}

// The library as built loads with every symbol resolved and its keyring
// store answers (here without a Qt application object, so that no request
// reaches a real keyring).
TEST(DesktopLibrary, TheProgramsLibraryHandsOutAKeyringStore)
{
    if (QCoreApplication::instance() != nullptr)
        GTEST_SKIP() << "needs a process without a Qt application object (ctest runs each test alone)";
    CSharedLibrary library;
    ASSERT_TRUE(library.Open(KORVANE_DESKTOP_LIBRARY_FILE)) << library.Error();
    EXPECT_NE(library.Symbol(kLogindPowerOffEntry), nullptr) << library.Error();
    const auto entry = reinterpret_cast<KeyringStoreEntry>(library.Symbol(kKeyringStoreEntry));
    ASSERT_NE(entry, nullptr) << library.Error();
    const std::unique_ptr<CPasswordStore> store(entry("Korvane test", 1000));
    const PasswordResult result = ReadOnce(*store);
    EXPECT_EQ(result.status, PasswordResult::Status::Unreachable);
    EXPECT_NE(result.reason.find("no Qt application object"), std::string::npos) << result.reason;
}

} // namespace
