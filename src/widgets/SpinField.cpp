#include "widgets/SpinField.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QToolButton>
#include <limits>

namespace qlx {

namespace {

constexpr int kButtonWidth = 15;

} // namespace

SpinField::SpinField(QWidget* parent)
    : QLineEdit(parent) {
    // Input methods would bypass the key filter.
    setAttribute(Qt::WA_InputMethodEnabled, false);
    m_up = makeButton(Qt::UpArrow, 1);
    m_down = makeButton(Qt::DownArrow, -1);
    setTextMargins(0, 0, kButtonWidth, 0);
    setValue(0);
}

QToolButton* SpinField::makeButton(Qt::ArrowType arrow, int step) {
    auto* button = new QToolButton(this);
    button->setArrowType(arrow);
    button->setFocusPolicy(Qt::NoFocus);
    button->setCursor(Qt::ArrowCursor);
    button->setAutoRepeat(true);
    button->setAutoRepeatDelay(kRepeatDelayMs);
    button->setAutoRepeatInterval(kRepeatIntervalMs);
    connect(button, &QToolButton::clicked, this, [this, step] { stepBy(step); });
    return button;
}

void SpinField::setValue(int value) {
    setText(QString::number(value));
}

void SpinField::stepBy(int steps) {
    const qint64 next = qint64(value()) + steps;
    const qint64 lowest = std::numeric_limits<int>::min();
    const qint64 highest = std::numeric_limits<int>::max();
    setValue(int(qBound(lowest, next, highest)));
}

int SpinField::parseValue(QStringView text) {
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i == text.size())
        return 0;
    // Accumulated as a negative number, so that the most negative value fits.
    const qint64 limit = negative ? -qint64(std::numeric_limits<int>::min())
                                  : qint64(std::numeric_limits<int>::max());
    qint64 magnitude = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return 0;
        magnitude = magnitude * 10 + (c - u'0');
        if (magnitude > limit)
            return 0;
    }
    return int(negative ? -magnitude : magnitude);
}

bool SpinField::isTypable(QChar c) {
    if (c >= u'0' && c <= u'9')
        return true;
    if (c == u'+' || c == u'-')
        return true;
    const QString separator = QLocale().decimalPoint();
    return separator.size() == 1 && c == separator[0];
}

void SpinField::refuse(QKeyEvent* event) {
    event->accept();
    QApplication::beep();
    emit beeped();
}

void SpinField::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Up:
        stepBy(1);
        event->accept();
        return;
    case Qt::Key_Down:
        stepBy(-1);
        event->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        refuse(event);
        return;
    default:
        break;
    }
    // Shortcuts (paste, cut, copy, undo, select all) and control characters pass; only typed
    // printable characters are filtered.
    const bool shortcut =
        event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (!shortcut) {
        for (const QChar c : event->text()) {
            const bool control = c.unicode() < 0x20 || c.unicode() == 0x7F;
            if (!control && !isTypable(c)) {
                refuse(event);
                return;
            }
        }
    }
    QLineEdit::keyPressEvent(event);
}

void SpinField::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    const int half = height() / 2;
    m_up->setGeometry(width() - kButtonWidth - 1, 1, kButtonWidth, half - 1);
    m_down->setGeometry(width() - kButtonWidth - 1, half, kButtonWidth, height() - half - 1);
}

} // namespace qlx
