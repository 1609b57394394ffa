#pragma once

#include <QDialog>

#include "pictures/LabelFont.h"

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace qlx {

// The font dialog's window: face, style, size in points, underline and strike-out, a colour
// (sixteen standard colours or a custom one), a script (character set) and a sample. It opens
// on a font and, when accepted, gives the font as chosen. Children carry object names
// ("face", "faceList", "styleList", "size", "sizeList", "underline", "strikeOut", "colour",
// "script", "sample") so tests can fill them in.
class FontChooser : public QDialog {
    Q_OBJECT
public:
    explicit FontChooser(const LabelFont& initial, QWidget* parent = nullptr);

    // The font as the fields now stand. A size left as shown keeps the initial pixel height,
    // so that opening and accepting never changes a font by rounding through points.
    LabelFont font() const;

    // Selects a colour, adding it as the custom colour when it is none of the standard ones.
    void setColour(const QColor& colour);

    // The character sets offered and their names, in list order.
    struct Script {
        int charset;
        const char* name;
    };
    static const QList<Script>& scripts();

private:
    void buildFaceColumn(const LabelFont& initial);
    void buildStyleColumn(const LabelFont& initial);
    void buildSizeColumn(const LabelFont& initial);
    void buildColours(const QColor& initial);
    void fillScripts(int keepCharset);
    void chooseCustomColour();
    void faceTyped(const QString& text);
    void sizeTyped(const QString& text);
    void refresh();
    bool sizeValid(double* points = nullptr) const;

    QLineEdit* m_face = nullptr;
    QListWidget* m_faceList = nullptr;
    QListWidget* m_styleList = nullptr;
    QLineEdit* m_size = nullptr;
    QListWidget* m_sizeList = nullptr;
    QCheckBox* m_underline = nullptr;
    QCheckBox* m_strikeOut = nullptr;
    QComboBox* m_colour = nullptr;
    QComboBox* m_script = nullptr;
    QLabel* m_sample = nullptr;
    QDialogButtonBox* m_buttons = nullptr;

    int m_initialPixels = 0;
    QString m_initialSizeText;
    QColor m_lastColour;
    bool m_syncing = false;
};

} // namespace qlx
