#pragma once

#include <QComboBox>
#include <QIcon>
#include <vector>

// A drop-down list whose entries carry a 16 x 16 icon and an indentation.
class CMyComboBoxEx : public QComboBox {
public:
    explicit CMyComboBoxEx(QWidget* parent = nullptr);

    void SetImageList(const std::vector<QIcon>& icons);
    void AddItem(const QString& text, int image, int indent = 0);
    void SetItemImage(int index, int image);
    int ItemImage(int index) const;
    void FitDropDownWidth();
    int DropDownWidth() const;

private:
    std::vector<QIcon> m_images;
};
