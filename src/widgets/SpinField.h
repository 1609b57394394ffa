#pragma once

#include <QLineEdit>
#include <QStringView>

class QToolButton;

namespace qlx {

// An integer field with up and down buttons, without bounds. The text is what the user typed,
// kept as typed; the value is that text read as a signed 32-bit decimal number, or 0 when it
// is not one. Typing is limited to digits, signs and the decimal separator; anything else,
// Enter included, is refused with a beep. Pasting and cutting are not filtered.
class SpinField : public QLineEdit {
    Q_OBJECT
public:
    explicit SpinField(QWidget* parent = nullptr);

    int value() const { return parseValue(text()); }
    void setValue(int value);

    // Steps from the current value; stops at the ends of the 32-bit range instead of
    // wrapping round to the other end.
    void stepBy(int steps);

    // A signed 32-bit decimal number with an optional sign and nothing else; otherwise 0.
    static int parseValue(QStringView text);

    // The characters that may be typed: digits, '+', '-' and the locale's decimal separator.
    static bool isTypable(QChar c);

    QToolButton* upButton() const { return m_up; }
    QToolButton* downButton() const { return m_down; }

    // Buttons held down repeat their step after this delay, then at this interval.
    static constexpr int kRepeatDelayMs = 400;
    static constexpr int kRepeatIntervalMs = 100;

signals:
    // A key was refused.
    void beeped();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QToolButton* makeButton(Qt::ArrowType arrow, int step);
    void refuse(QKeyEvent* event);

    QToolButton* m_up = nullptr;
    QToolButton* m_down = nullptr;
};

} // namespace qlx
