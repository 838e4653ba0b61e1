#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

// Alpha fading of a window while it is dragged: the window fades to the
// dragging alpha when a move starts and back to the normal alpha when it
// ends. Fades run on a timer of the window's own thread (the window's
// opacity is a widget property, so no other thread may set it). Where the
// platform cannot make a window translucent (Wayland, offscreen), the
// effects switch off for the whole program and windows stay opaque.
class CUIEffects : public QObject {
    Q_OBJECT

public:
    // Program-wide switch: the AlphaBlending setting and the platform.
    static void SetEnabled(bool on);
    static bool Enabled();
    // Whether the platform can change a window's opacity; decided from the
    // platform name unless a test forced it.
    static bool PlatformSupportsOpacity();
    static void ForcePlatformSupport(int supported); // -1 decide, 0 no, 1 yes

    // Prepares window for fading (alphas 0..255, step delay in ms); returns
    // the effects object, or nullptr when effects are off. The object is a
    // child of window.
    static CUIEffects* Prepare(QWidget* window, int draggingAlpha = 128, int normalAlpha = 255, int stepDelay = 10);
    // Switches a window's fading on (prepare with 128, 255, 10) or off
    // (opaque, no fading).
    static void SetLayered(QWidget* window, bool on);
    static CUIEffects* Of(QWidget* window);

    // The alpha after one step from current toward target: steps of
    // (normal - dragging) / 10, rounded to the nearest integer, clamped to
    // 0..255, never past the target.
    static int NextAlpha(int current, int target, int draggingAlpha, int normalAlpha);

    int Alpha() const { return m_alpha; }
    void FadeOut();
    void FadeIn();
    // Moves made by the program itself (placement) do not fade.
    void IgnoreMoves(bool ignore) { m_ignoreMoves = ignore; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CUIEffects(QWidget* window, int draggingAlpha, int normalAlpha, int stepDelay);
    void Step();
    void SetAlpha(int alpha);

    QPointer<QWidget> m_window;
    int m_dragging;
    int m_normal;
    int m_alpha;
    int m_target;
    bool m_ignoreMoves = false;
    QTimer m_fade;
    // A move ends when no further move arrives within this time.
    QTimer m_settle;
};
