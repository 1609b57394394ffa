#include "widgets/Controls.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <limits>

namespace qlx {

QFont pixelFont(const QString& family, int pixels, bool bold, bool italic) {
    QFont font(family);
    // Faces this system lacks fall back to the metric-compatible Liberation fonts rather
    // than to the wider default sans, so captions keep fitting their controls.
    font.setFamilies({family, QStringLiteral("Liberation Sans")});
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

void setColours(QWidget* widget, const QColor& background, const QColor& text) {
    QPalette palette = widget->palette();
    // Buttons and check boxes paint their background in the Button role.
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::Button, background);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::ButtonText, text);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QFrame* makePanel(QWidget* parent, const char* name, const QRect& geometry, const QColor& colour) {
    auto* panel = place(new QFrame(parent), name, geometry);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(1);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, colour);
    panel->setPalette(palette);
    panel->setAutoFillBackground(true);
    return panel;
}

namespace {

QLabel* unsizedLabel(QWidget* parent, const char* name, const QPoint& topLeft,
                     const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAutoFillBackground(true);
    label->setTextFormat(Qt::PlainText);
    label->setMargin(0);
    label->move(topLeft);
    return label;
}

} // namespace

QLabel* makeLabel(QWidget* parent, const char* name, const QPoint& topLeft, const QString& text) {
    QLabel* label = unsizedLabel(parent, name, topLeft, text);
    label->adjustSize();
    return label;
}

// Measuring text is what start-up spends most on, so a label is not measured in the
// inherited font first.
QLabel* makeLabel(QWidget* parent, const char* name, const QPoint& topLeft, const QString& text,
                  const QFont& font) {
    QLabel* label = unsizedLabel(parent, name, topLeft, text);
    // Qt sizes an empty label from its font only at its first adjustment; one sized before
    // its font was set keeps that size, and so does this one.
    if (text.isEmpty())
        label->adjustSize();
    label->setFont(font);
    label->adjustSize();
    return label;
}

QLineEdit* makeEdit(QWidget* parent, const char* name, const QRect& geometry, const QString& text) {
    auto* edit = place(new QLineEdit(parent), name, geometry);
    // A field holds any text the stores hold, not only Qt's default 32,767 characters.
    edit->setMaxLength(std::numeric_limits<int>::max());
    edit->setText(text);
    return edit;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QRect& geometry,
                        const QString& text) {
    auto* button = place(new QPushButton(text, parent), name, geometry);
    button->setAutoDefault(false);
    return button;
}

QCheckBox* makeCheckBox(QWidget* parent, const char* name, const QRect& geometry,
                        const QString& text) {
    return place(new QCheckBox(text, parent), name, geometry);
}

QRadioButton* makeRadioButton(QWidget* parent, const char* name, const QRect& geometry,
                              const QString& text) {
    return place(new QRadioButton(text, parent), name, geometry);
}

} // namespace qlx
