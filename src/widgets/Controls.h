#pragma once

// The widgets. This folder holds the controls and dialogs the windows are made of: the
// builders of the main window's fixed layout, the spin field, gauge, shape, image box and rich
// edit box, the file, font, number and picture dialogs (each answerable through a hook in
// tests), the message boxes, the progress dialog of long work, and the error handler that
// shows a failure to the user. It takes pictures, text and fonts from the pictures folder and
// knows nothing of sheets, pages or report files.

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace qlx {

// Builders for the fixed layout of the main window: every control gets its designer name as
// object name, its place and size in pixels, and nothing is laid out at run time.

// A font whose size is a character height in pixels (the em height, without internal leading).
QFont pixelFont(const QString& family, int pixels, bool bold = false, bool italic = false);

// The named colours of the layout.
inline const QColor kGrey{128, 128, 128};
inline const QColor kNavy{0, 0, 128};

// Paints the widget opaque in the given background colour and draws its text in `text`.
void setColours(QWidget* widget, const QColor& background, const QColor& text);

// A panel with a raised one-pixel bevel and no caption.
QFrame* makePanel(QWidget* parent, const char* name, const QRect& geometry, const QColor& colour);

// A label that sizes itself to its text and is drawn opaque on its background colour.
QLabel* makeLabel(QWidget* parent, const char* name, const QPoint& topLeft, const QString& text);
// The same in a font of its own, measured once, in that font.
QLabel* makeLabel(QWidget* parent, const char* name, const QPoint& topLeft, const QString& text,
                  const QFont& font);

// A single-line text field.
QLineEdit* makeEdit(QWidget* parent, const char* name, const QRect& geometry, const QString& text);

QPushButton* makeButton(QWidget* parent, const char* name, const QRect& geometry,
                        const QString& text);

QCheckBox* makeCheckBox(QWidget* parent, const char* name, const QRect& geometry,
                        const QString& text);

QRadioButton* makeRadioButton(QWidget* parent, const char* name, const QRect& geometry,
                              const QString& text);

// Named widgets of other kinds: the name, parent and geometry in one call.
template <typename W> W* place(W* widget, const char* name, const QRect& geometry) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    return widget;
}

} // namespace qlx
