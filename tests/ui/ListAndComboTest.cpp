#include "platform/MyRegistry.h"
#include "ui/FolderBrowser.h"
#include "ui/MyComboBox.h"
#include "ui/MyComboBoxEx.h"
#include "ui/MyListCtrl.h"

#include <QAbstractItemView>
#include <QHeaderView>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct SortList : CMyListCtrl {
    SortList()
    {
        AddColumn(QStringLiteral("Name"), 100, Text);
        AddColumn(QStringLiteral("Size"), 60, Number, Qt::AlignRight);
        AddColumn(QStringLiteral("Note"), 60, Other);
        Add(QStringLiteral("beta"), 2000);
        Add(QStringLiteral("Alpha"), 30);
        Add(QStringLiteral("gamma"), 100);
        resize(300, 200);
    }
    void Add(const QString& name, std::int64_t size)
    {
        const int row = AddRow(name);
        SetCell(row, 1, QString::number(size));
        SetSortValue(row, 1, size);
        SetRowData(row, size);
    }
    QStringList Names() const
    {
        QStringList names;
        for (int row = 0; row < rowCount(); ++row)
            names << Cell(row, 0);
        return names;
    }
};

} // namespace

TEST(MyListCtrl, HeaderClicksSortAscendingThenDescending)
{
    SortList list;
    list.show();
    const auto click = [&list](int column) {
        const int x = list.horizontalHeader()->sectionViewportPosition(column) + 5;
        QTest::mouseClick(list.horizontalHeader()->viewport(), Qt::LeftButton, {}, QPoint(x, 5));
    };
    click(0);
    EXPECT_EQ(list.Names(), (QStringList { QStringLiteral("Alpha"), QStringLiteral("beta"), QStringLiteral("gamma") }));
    click(0);
    EXPECT_EQ(list.Names(), (QStringList { QStringLiteral("gamma"), QStringLiteral("beta"), QStringLiteral("Alpha") }));
    // Numbers sort by their values, not their texts ("100" < "2000" < "30").
    click(1);
    EXPECT_EQ(list.Names(), (QStringList { QStringLiteral("Alpha"), QStringLiteral("gamma"), QStringLiteral("beta") }));
    EXPECT_TRUE(list.SortAscending());
    EXPECT_EQ(list.horizontalHeader()->sortIndicatorSection(), 1);
    // Other columns do not sort.
    click(2);
    EXPECT_EQ(list.SortColumn(), 1);
    EXPECT_EQ(list.RowData(0), 30);
    EXPECT_EQ(list.FindRow(2000), 2);
}

TEST(MyListCtrl, SortedColumnIsShadedUnlessTheRowHasItsOwnColour)
{
    SortList list;
    list.Sort(1, true);
    EXPECT_EQ(list.CellBackground(0, 1).color(), QColor(0xF7, 0xF7, 0xF7));
    EXPECT_EQ(list.CellBackground(0, 0).style(), Qt::NoBrush);
    list.SetRowBackground(0, QColor(255, 192, 192));
    EXPECT_EQ(list.CellBackground(0, 1).color(), QColor(255, 192, 192));
}

TEST(MyListCtrl, ColumnsTakeTheirShareAndHide)
{
    SortList list;
    list.show();
    list.SetColumnWidthShare(0, 100);
    const int before = list.columnWidth(0);
    list.resize(list.width() + 40, list.height());
    EXPECT_EQ(list.columnWidth(0), before + 40);
    EXPECT_EQ(list.columnWidth(1), 60);
    list.ToggleColumn(2);
    EXPECT_TRUE(list.isColumnHidden(2));
    list.ToggleColumn(2);
    EXPECT_FALSE(list.isColumnHidden(2));
}

TEST(MyComboBox, HistoryLoadsUntilTheFirstEmptyValue)
{
    {
        CMyRegistry registry;
        registry.CreateKey("Settings\\History Test");
        for (int i = 0; i < 4; ++i)
            registry.WriteString("Email" + std::to_string(i), "user" + std::to_string(i) + "@example.org");
        registry.WriteString("Email4", "");
        registry.WriteString("Email5", "after-the-end@example.org");
    }
    CMyComboBox combo;
    combo.setEditText(QStringLiteral("typed"));
    combo.LoadHistory("Email", "Settings\\History Test");
    EXPECT_EQ(combo.count(), 4);
    EXPECT_EQ(combo.currentText(), QStringLiteral("typed"));
}

TEST(MyComboBox, SavingAddsNewTextsAndEndsTheList)
{
    CMyComboBox combo;
    combo.addItem(QStringLiteral("/home/a"));
    combo.addItem(QStringLiteral("/home/b"));
    combo.setEditText(QStringLiteral("/HOME/A"));
    combo.SaveHistory("Source", "Settings\\Add Folder\\Source");
    EXPECT_EQ(combo.count(), 2); // found ignoring case
    combo.setEditText(QStringLiteral("/srv/c"));
    combo.SaveHistory("Source", "Settings\\Add Folder\\Source");
    CMyRegistry registry;
    ASSERT_EQ(registry.OpenKey("Settings\\Add Folder\\Source"), RegSuccess);
    EXPECT_EQ(registry.ReadString("Source2", "?"), "/srv/c");
    EXPECT_EQ(registry.ReadString("Source3", "?"), "");

    CMyComboBox reloaded;
    reloaded.LoadHistory("Source", "Settings\\Add Folder\\Source");
    EXPECT_EQ(reloaded.count(), 3);
}

TEST(MyComboBox, DeleteInTheOpenListRemovesTheEntry)
{
    CMyComboBox combo;
    combo.addItem(QStringLiteral("one"));
    combo.addItem(QStringLiteral("two"));
    combo.show();
    combo.showPopup();
    combo.view()->setCurrentIndex(combo.model()->index(1, 0));
    QTest::keyClick(combo.view(), Qt::Key_Delete);
    EXPECT_EQ(combo.count(), 1);
    EXPECT_EQ(combo.itemText(0), QStringLiteral("one"));
    EXPECT_GT(combo.DropDownWidth(), 0);
}

TEST(MyComboBoxEx, IconsAndDropDownWidth)
{
    CMyComboBoxEx combo;
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::red);
    combo.SetImageList({ QIcon(pixmap), QIcon(pixmap) });
    combo.AddItem(QStringLiteral("Daily"), 1);
    combo.AddItem(QStringLiteral("Weekly backup of the photos"), 0, 2);
    EXPECT_EQ(combo.ItemImage(0), 1);
    EXPECT_FALSE(combo.itemIcon(1).isNull());
    const int text = combo.view()->fontMetrics().horizontalAdvance(QStringLiteral("Weekly backup of the photos"));
    EXPECT_EQ(combo.DropDownWidth(), text + 20 + combo.view()->fontMetrics().averageCharWidth() + 22);
}

TEST(FolderBrowser, TrailingSlashesAndTheTestChooser)
{
    EXPECT_EQ(CFolderBrowser::TrimmedFolder(QStringLiteral("/home/me/")), QStringLiteral("/home/me"));
    EXPECT_EQ(CFolderBrowser::TrimmedFolder(QStringLiteral("/")), QStringLiteral("/"));
    CFolderBrowser browser;
    browser.Title = QStringLiteral("Select Source Folder");
    QString seenTitle;
    CFolderBrowser::SetChooser([&seenTitle](const CFolderBrowser& shown) {
        seenTitle = shown.Title;
        return QStringLiteral("/srv/data");
    });
    EXPECT_TRUE(browser.Show(nullptr));
    EXPECT_EQ(browser.Path(), QStringLiteral("/srv/data"));
    EXPECT_EQ(seenTitle, QStringLiteral("Select Source Folder"));
    CFolderBrowser::SetChooser({});
}
