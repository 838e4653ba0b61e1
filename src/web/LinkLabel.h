#pragma once

#include <QColor>
#include <QLabel>
#include <functional>

// A hyperlink inside a dialog: underlined text in the link colours that
// opens its target in the desktop's browser (or the program the desktop
// chose for it). The target defaults to the text and shows as a tooltip.
class CLinkLabel : public QLabel {
    Q_OBJECT

public:
    enum Style : unsigned {
        Underline = 1,
        UseHoverColour = 2,
        SizeToText = 4,
        OpenOnPress = 8,
        TakeFocus = 16,
        KeepArrowCursor = 32,
        NoActiveColour = 64,
    };
    static constexpr unsigned kDefaultStyle = Underline | SizeToText | TakeFocus;

    // Opens a target; false when nothing could open it.
    using Opener = std::function<bool(const QString& target)>;

    explicit CLinkLabel(const QString& text = QString(), QWidget* parent = nullptr);

    void SetTarget(const QString& target);
    QString Target() const { return m_target; }
    void SetStyle(unsigned style);
    unsigned LinkStyle() const { return m_style; }
    void SetOpener(Opener opener) { m_opener = std::move(opener); }

    // The colours every link shares. An invalid normal colour means the
    // palette's link colour, made to read on the window; an invalid active
    // or visited colour means the normal one; an invalid hover colour the
    // desktop's highlight colour.
    static void SetColours(QColor normal, QColor active, QColor visited, QColor hover = QColor());
    // The colour the link is drawn in now.
    QColor CurrentColour() const;

    bool Visited() const { return m_visited; }
    bool Hovering() const { return m_hovering; }

    // Opens the target; on failure a beep and "Can't open link" say so.
    bool Open();

Q_SIGNALS:
    void Opened(const QString& target);

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void Attach();
    void FitToText();
    void Recolour();

    QString m_target;
    unsigned m_style = kDefaultStyle;
    Opener m_opener;
    bool m_visited = false;
    bool m_hovering = false;
    bool m_active = false;
};
