#pragma once

#include <QDialog>
#include <QPoint>
#include <QSize>
#include <string>

class CLayoutHelper;

// The base of every Korvane dialog: controls placed on a design grid that
// scales with the desktop font, re-layout on resize (CLayoutHelper),
// tooltips that wait TooltipDelay and stay 30 seconds, placement memory in
// the settings file, and alpha fading while the window is dragged.
class CMyDialog : public QDialog {
public:
    explicit CMyDialog(QWidget* parent = nullptr);
    ~CMyDialog() override;

    // The first show restores the remembered placement and fits the window
    // to its screen.
    void setVisible(bool visible) override;

    // The dialog's design size in design pixels (the size it was drawn at
    // with the design font); the scale factors below relate the current
    // size to it.
    void SetReferenceSize(int width, int height);
    double ScaleX() const;
    double ScaleY() const;

    // Design pixels to pixels: the design font's base units are 6 x 13; a
    // larger desktop font scales every control so no text is clipped.
    static double FontScaleX(const QFont& font);
    static double FontScaleY(const QFont& font);
    int Dx(int designPixels) const;
    int Dy(int designPixels) const;
    // Places a control on the design grid.
    void Place(QWidget* control, int x, int y, int width, int height) const;
    // Resizes the window to its design size.
    void SizeToDesign(int width, int height);

    CLayoutHelper* Layout() const { return m_layout; }

    // Moves the window by offset from where it would open (stacked dialogs).
    void SetPositionOffset(QPoint offset) { m_offset = offset; }
    // Remembers the placement under key (restored when first shown, saved
    // when closed).
    void SetPlacementKey(const std::string& key, bool position = true, bool size = true);
    void SavePlacement() const;

    void SetTooltip(QWidget* control, const QString& text);

    // Program-wide tooltip delay in milliseconds (TooltipDelay).
    static void SetTooltipDelay(int milliseconds);
    static int TooltipDelay();

protected:
    // The common set-up, run once the derived dialog has created its
    // controls and taken its initial size: a layout helper with resizing off
    // and the current size as the minimum, fading when alpha blending is on.
    void SetUpDialog();

    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void done(int result) override;

private:
    CLayoutHelper* m_layout = nullptr;
    QSize m_reference;
    QPoint m_offset;
    std::string m_placementKey;
    bool m_placePosition = true;
    bool m_placeSize = true;
    bool m_shownOnce = false;
};
