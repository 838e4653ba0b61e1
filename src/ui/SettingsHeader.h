#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

// The coloured band above a settings page: the page's caption in bold and
// its description below it, white on a solid colour, ending in four lines
// that set it off from the page (two of the button colour, then grey and
// white in a light theme, taken from the theme's light edge and text).
class CSettingsHeader : public QWidget {
    Q_OBJECT

public:
    explicit CSettingsHeader(QWidget* parent = nullptr);

    void SetColour(QColor colour);
    QColor Colour() const { return m_colour; }
    // Without a description only the caption is drawn.
    void EnableDescription(bool on, int height);
    void SetTexts(const QString& caption, const QString& description);
    QString Caption() const { return m_caption; }
    QString Description() const { return m_description; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont CaptionFont() const;
    QRect DescriptionRect(int width) const;
    int Scaled(int designPixels) const;

    QColor m_colour;
    bool m_showDescription = true;
    int m_designHeight = 54;
    QString m_caption;
    QString m_description;
};
