#include "web/PaletteColours.h"

#include <QPalette>
#include <gtest/gtest.h>

using P = CPaletteColours;

TEST(PaletteColoursTest, ContrastIsTheRatioOfRelativeLuminances)
{
    EXPECT_NEAR(P::Contrast(Qt::black, Qt::white), 21.0, 1e-9);
    EXPECT_NEAR(P::Contrast(Qt::gray, Qt::gray), 1.0, 1e-9);
    // Known pairs: #777 on white is just short of 4.5:1, pure blue on white 8.6:1.
    EXPECT_NEAR(P::Contrast(QColor(119, 119, 119), Qt::white), 4.48, 0.01);
    EXPECT_NEAR(P::Contrast(Qt::white, QColor(0, 0, 255)), 8.59, 0.01);
}

TEST(PaletteColoursTest, ALightThemeKeepsTheColoursTheWindowsAlwaysHad)
{
    QPalette light(Qt::black, QColor(239, 239, 239), Qt::white, QColor(159, 159, 159), QColor(184, 184, 184), Qt::black,
        Qt::white, Qt::white, QColor(239, 239, 239));
    light.setColor(QPalette::Link, QColor(0, 0, 255));
    EXPECT_EQ(P::SortedColumn(light), QColor(0xF7, 0xF7, 0xF7));
    EXPECT_EQ(P::Warning(light), QColor(255, 192, 192));
    EXPECT_EQ(P::ReadableLink(light), QColor(0, 0, 255));
}
