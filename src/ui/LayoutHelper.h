#pragma once

#include <QObject>
#include <QPointer>
#include <QSize>
#include <QWidget>
#include <vector>

class QSizeGrip;

// Re-lays out a window's controls when the window is resized: each control
// registered with AddItem moves and grows by its share (in percent) of the
// change of the window's client size. Shares are applied to the change, not
// to the size, so the designed layout stays exact at the initial size.
class CLayoutHelper : public QObject {
    Q_OBJECT

public:
    // One registered control: its shares and the remainders carried from
    // earlier resizes, so that no pixel is lost to integer division.
    struct Item {
        QPointer<QWidget> control;
        int left = 0;
        int top = 0;
        int width = 0;
        int height = 0;
        int carry[4] = { 0, 0, 0, 0 };
    };

    CLayoutHelper(QWidget* window, bool enabled, int scale = 100);
    ~CLayoutHelper() override;

    // On: the window can be resized and controls follow; off: the window
    // keeps its size.
    void Enable(bool on);
    bool Enabled() const { return m_enabled; }
    // The smallest size the window can be given; 0 x 0 means its current size.
    void SetMinTrackSize(QSize size);
    void ShowSizeGrip(bool on);
    // Refused (false) unless every share lies in 0..100 and left + width and
    // top + height stay within 100.
    bool AddItem(QWidget* control, int left, int top, int width, int height);

    // The geometry an item takes for a change of dx, dy pixels of the client
    // size, carrying the remainders of the divisions in item.
    static QRect Apply(Item& item, QRect geometry, int dx, int dy);
    // The moved amount for one share; remainder carried in carry.
    static int Share(int percent, int delta, int& carry);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnResize(QSize newSize);
    void PlaceGrip();

    QWidget* m_window;
    bool m_enabled = false;
    int m_scale;
    QSize m_clientSize;
    QSize m_minimum;
    std::vector<Item> m_items;
    QSizeGrip* m_grip = nullptr;
};
