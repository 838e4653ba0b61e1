#include "web/PaletteColours.h"

#include "web/LinkLabel.h"

#include <QApplication>
#include <QPalette>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

using P = CPaletteColours;

// The light theme the windows were drawn for: white lists, black text, a
// pure blue link on a light grey window.
QPalette Light()
{
    QPalette light(QColor(0, 0, 0), QColor(239, 239, 239), QColor(255, 255, 255), QColor(159, 159, 159),
        QColor(184, 184, 184), QColor(0, 0, 0), QColor(255, 255, 255), QColor(255, 255, 255), QColor(239, 239, 239));
    light.setColor(QPalette::Link, QColor(0, 0, 255));
    return light;
}

// A dark theme that, as many do, leaves the link at the default dark blue.
QPalette Dark()
{
    QPalette dark = Light();
    dark.setColor(QPalette::Window, QColor(45, 45, 48));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    dark.setColor(QPalette::Base, QColor(30, 30, 32));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    return dark;
}

} // namespace

TEST(PaletteColoursTest, ContrastFollowsTheRelativeLuminanceScale)
{
    EXPECT_NEAR(P::Contrast(Qt::black, Qt::white), 21.0, 1e-9);
    EXPECT_NEAR(P::Contrast(Qt::white, Qt::black), 21.0, 1e-9);
    EXPECT_NEAR(P::Contrast(QColor(119, 119, 119), QColor(119, 119, 119)), 1.0, 1e-9);
    // Known pairs: #777 on white is just short of 4.5:1, pure blue on white 8.6:1.
    EXPECT_NEAR(P::Contrast(QColor(119, 119, 119), Qt::white), 4.48, 0.01);
    EXPECT_NEAR(P::Contrast(QColor(0, 0, 255), Qt::white), 8.59, 0.01);
    EXPECT_EQ(P::Blend(Qt::black, Qt::white, 0.5), QColor(128, 128, 128));
    EXPECT_EQ(P::Blend(Qt::black, Qt::white, 2.0), QColor(Qt::white));
}

TEST(PaletteColoursTest, ALightThemeKeepsTheColoursTheWindowsAlwaysHad)
{
    EXPECT_EQ(P::SortedColumn(Light()), QColor(0xF7, 0xF7, 0xF7));
    EXPECT_EQ(P::Warning(Light()), QColor(255, 192, 192));
    EXPECT_EQ(P::ReadableLink(Light()), QColor(0, 0, 255));
}

TEST(PaletteColoursTest, ADarkThemeGetsDarkShadesAndALinkThatReads)
{
    const QPalette dark = Dark();
    const QColor text = dark.color(QPalette::Text);
    for (const QColor& background : { P::SortedColumn(dark), P::Warning(dark) }) {
        EXPECT_GE(P::Contrast(text, background), P::kReadable) << background.name().toStdString();
        EXPECT_LT(P::Luminance(background), 0.2) << background.name().toStdString();
    }
    EXPECT_NE(P::SortedColumn(dark), dark.color(QPalette::Base));
    EXPECT_GT(P::Warning(dark).red(), P::Warning(dark).green());

    const QColor link = P::ReadableLink(dark);
    EXPECT_GE(P::Contrast(link, dark.color(QPalette::Window)), P::kReadable);
    EXPECT_GT(link.blue(), link.red()) << "still a blue link";
}

TEST(PaletteColoursTest, ALinkWithoutColoursOfItsOwnReadsOnItsWindow)
{
    CLinkLabel::SetColours(QColor(), QColor(), QColor(), QColor());
    QWidget window;
    window.setPalette(Dark());
    auto* link = new CLinkLabel(QStringLiteral("https://127.0.0.1/"), &window);
    EXPECT_GE(P::Contrast(link->CurrentColour(), Dark().color(QPalette::Window)), P::kReadable);
    EXPECT_EQ(link->palette().color(QPalette::WindowText), link->CurrentColour());

    window.setPalette(Light());
    auto* light = new CLinkLabel(QStringLiteral("https://127.0.0.1/"), &window);
    EXPECT_EQ(light->CurrentColour(), QColor(0, 0, 255));
}
