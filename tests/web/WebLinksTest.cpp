#include "web/WebLinks.h"

#include "UrlRecorder.h"
#include "common/ScriptedPrompter.h"
#include "common/TempDir.h"
#include "web/WebEndpoint.h"

#include <QCoreApplication>
#include <QDir>
#include <gtest/gtest.h>

namespace {

const std::string kNotConnected = "You need to be connected to the internet for this to work.";
const std::string kAskBrowser = "This will open your default web browser. Do you want to continue?";

class WebLinksTest : public ::testing::Test {
protected:
    CWebEndpoint endpoint { QUrl(QStringLiteral("https://127.0.0.1:4443")) };
    ScriptedPrompter prompter;
    CWebLinks links { prompter };
    UrlRecorder desktop;
    TempDir dir;
};

TEST_F(WebLinksTest, OnlineSupportAsksFirstAndOpensTheSupportPage)
{
    prompter.Answer(IdOk);
    links.OnlineSupport(endpoint, true);
    ASSERT_EQ(prompter.asked.size(), 1U);
    EXPECT_EQ(prompter.asked[0].text, kAskBrowser);
    EXPECT_EQ(prompter.asked[0].style, MbOkCancel | MbIconQuestion);
    ASSERT_EQ(desktop.opened.size(), 1);
    EXPECT_EQ(desktop.opened[0].toString(),
        QStringLiteral("https://127.0.0.1:4443/cgi-bin/korvane.cgi?Action=OnlineSupport&Protocol=1.0"
                       "&Application=Korvane&Version=1.4"));
}

TEST_F(WebLinksTest, CancelOrNoConnectionOpensNothing)
{
    prompter.Answer(IdCancel);
    links.OnlineSupport(endpoint, true);
    links.OnlineSupport(endpoint, false);
    ASSERT_EQ(prompter.asked.size(), 2U);
    EXPECT_EQ(prompter.asked[1].text, kNotConnected);
    EXPECT_EQ(prompter.asked[1].style, MbOk | MbIconInformation);
    EXPECT_TRUE(desktop.opened.empty());
}

TEST_F(WebLinksTest, APlainHttpSupportAddressIsRefused)
{
    prompter.Answer(IdOk);
    links.OnlineSupport(CWebEndpoint(QUrl(QStringLiteral("http://127.0.0.1:4443"))), true);
    EXPECT_TRUE(desktop.opened.empty());
    ASSERT_EQ(prompter.asked.size(), 2U);
    EXPECT_EQ(prompter.asked[1].text.rfind("Can't open link:", 0), 0U);
}

TEST_F(WebLinksTest, TheInstalledManualBesideTheProgramIsOpened)
{
    dir.Write("usr/bin/korvane", "");
    dir.Write("usr/share/doc/korvane/index.html", "<html></html>");
    const std::string manual = dir / "usr/share/doc/korvane/index.html";
    EXPECT_EQ(CWebLinks::ManualPath(dir / "usr/bin/korvane"), manual);
    links.Documentation(dir / "usr/bin/korvane");
    ASSERT_EQ(desktop.opened.size(), 1);
    EXPECT_EQ(desktop.opened[0], QUrl::fromLocalFile(QString::fromStdString(manual)));
    EXPECT_TRUE(prompter.asked.empty());
}

TEST_F(WebLinksTest, AMissingManualIsReportedWithItsFullPath)
{
    dir.Write("opt/bin/korvane", "");
    links.Documentation(dir / "opt/bin/korvane");
    EXPECT_TRUE(desktop.opened.empty());
    ASSERT_EQ(prompter.asked.size(), 1U);
    EXPECT_EQ(prompter.asked[0].text,
        "Failed to open '" + (dir / "opt/share/doc/korvane/index.html") + "'. Please check your installation.");
    EXPECT_EQ(prompter.asked[0].style, MbOk | MbIconError);
}

TEST_F(WebLinksTest, AManualWithoutABrowserSaysNoBrowserWasFound)
{
    dir.Write("usr/bin/korvane", "");
    dir.Write("usr/share/doc/korvane/index.html", "<html></html>");
    QList<QUrl> tried;
    CWebLinks noBrowser(prompter, [&tried](const QUrl& url) {
        tried.push_back(url);
        return false;
    });
    noBrowser.Documentation(dir / "usr/bin/korvane");
    ASSERT_EQ(tried.size(), 1);
    ASSERT_EQ(prompter.asked.size(), 1U);
    const std::string manual = dir / "usr/share/doc/korvane/index.html";
    EXPECT_EQ(prompter.asked[0].text,
        "No web browser was found to open '" + manual + "'. Install one, or open the file yourself.");
    EXPECT_EQ(prompter.asked[0].text.find("installation"), std::string::npos);
    EXPECT_TRUE(desktop.opened.empty());
}

TEST_F(WebLinksTest, AProgramInItsBuildTreeOpensTheManualOfItsSources)
{
    // This test program lives in <build>/tests; korvane in <build>/src.
    const QString program
        = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("../src/korvane"));
    const std::string manual = CWebLinks::ManualPath(QDir::cleanPath(program).toStdString());
    ASSERT_FALSE(manual.empty());
    EXPECT_TRUE(manual.ends_with("/docs/manual/index.html")) << manual;
    // A program outside the build tree never falls back to it.
    dir.Write("bin/korvane", "");
    EXPECT_EQ(CWebLinks::ManualPath(dir / "bin/korvane"), "");
}

} // namespace
