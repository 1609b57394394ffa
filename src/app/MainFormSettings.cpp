// "Load settings" and "Save settings" in the menu bar: the label settings the appearance
// controls hold, kept in a file the user names, and a settings file given at start.
#include <QAction>
#include <QCheckBox>
#include <QFileInfo>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTimer>

#include "app/MainForm.h"
#include "pictures/Picture.h"
#include "pictures/Text.h"
#include "stores/AtomicFile.h"
#include "stores/Error.h"
#include "stores/FileRead.h"
#include "widgets/ImageBox.h"
#include "widgets/SpinField.h"

namespace qlx {

namespace {

FontSetting fontSetting(const LabelFont& f) {
    FontSetting s;
    s.face = fromQString(f.face);
    s.pixelHeight = f.pixelHeight;
    s.bold = f.bold;
    s.italic = f.italic;
    s.underline = f.underline;
    s.strikeOut = f.strikeOut;
    s.rgb = f.colour.rgb() & 0xFFFFFF;
    return s;
}

// The dialog's font with what the file sets; the character set stays the dialog's.
LabelFont labelFont(const FontSetting& s, LabelFont f) {
    f.face = toQString(s.face);
    f.pixelHeight = s.pixelHeight;
    f.bold = s.bold;
    f.italic = s.italic;
    f.underline = s.underline;
    f.strikeOut = s.strikeOut;
    f.colour = QColor::fromRgb(QRgb(0xFF000000u | s.rgb));
    return f;
}

const QStringList kSettingsFilters = {QStringLiteral("Label settings (*.qlxset)"),
                                      QStringLiteral("All files (*)")};

} // namespace

void MainForm::setUpSettingsDialogs() {
    for (FileDialog* d : {&m_settingsOpenDialog, &m_settingsSaveDialog}) {
        d->setNameFilters(kSettingsFilters);
        d->setDefaultSuffix(QStringLiteral("qlxset"));
        d->setFolderKind(QStringLiteral("settings"));
    }
    m_settingsOpenDialog.setTitle(QStringLiteral("Load settings"));
    m_settingsSaveDialog.setTitle(QStringLiteral("Save settings"));
}

LabelSettings MainForm::labelSettings() const {
    LabelSettings s;
    s.mineralFont = fontSetting(FontDialog1.font());
    s.localityFont = fontSetting(FontDialog3.font());
    s.infoFont = fontSetting(FontDialog2.font());
    s.corrections = {SpinEdit4->value(), SpinEdit1->value(), SpinEdit5->value(),
                     SpinEdit2->value(), SpinEdit6->value(), SpinEdit3->value()};
    s.background = RadioButton2->isChecked()   ? BackgroundChoice::Reduced
                   : RadioButton3->isChecked() ? BackgroundChoice::Clean
                   : RadioButton4->isChecked() ? BackgroundChoice::Custom
                                               : BackgroundChoice::Complete;
    s.customPicture = fromQString(OpenPictureDialog1.fileName());
    s.infoIsFormula = CheckBox1->isChecked();
    s.keepFinalE = KeepFinalE1->isChecked();
    s.fitLongRows = FitLongRows1->isChecked();
    return s;
}

void MainForm::applySettingsFile(const QString& path) {
    const std::string bytes = readWholeFile(path.toStdString(), LabelSettings::kMaxFileSize);
    LabelSettings s;
    try {
        s = readLabelSettings(bytes);
    } catch (const Error& failure) {
        // The reader's reason, with the file it is about.
        throw Error(std::string(failure.what()) + " (" + path.toStdString() + ")");
    }
    // Everything that can fail comes first, so a bad file or picture changes nothing.
    Picture custom;
    if (s.background == BackgroundChoice::Custom)
        custom = Picture::fromFile(toQString(s.customPicture));

    FontDialog1.setFont(labelFont(s.mineralFont, FontDialog1.font()));
    FontDialog3.setFont(labelFont(s.localityFont, FontDialog3.font()));
    FontDialog2.setFont(labelFont(s.infoFont, FontDialog2.font()));
    m_localityFontPicked = true; // the deferred load keeps it
    const std::array<SpinField*, 6> spins = {SpinEdit4, SpinEdit1, SpinEdit5,
                                             SpinEdit2, SpinEdit6, SpinEdit3};
    for (std::size_t i = 0; i < spins.size(); ++i)
        spins[i]->setValue(s.corrections[i]);
    CheckBox1->setChecked(s.infoIsFormula);
    KeepFinalE1->setChecked(s.keepFinalE);
    FitLongRows1->setChecked(s.fitLongRows);
    // The radio buttons are set without their handlers: Custom would ask for a picture.
    QRadioButton* radio = RadioButton1;
    ImageBox* stock = Image3;
    switch (s.background) {
    case BackgroundChoice::Complete:
        break;
    case BackgroundChoice::Reduced:
        radio = RadioButton2, stock = Image1;
        break;
    case BackgroundChoice::Clean:
        radio = RadioButton3, stock = Image2;
        break;
    case BackgroundChoice::Custom:
        radio = RadioButton4, stock = nullptr;
        break;
    }
    {
        const QSignalBlocker blocker(radio);
        radio->setChecked(true);
    }
    if (stock)
        useBackground(stock);
    else {
        accimage->setPicture(custom);
        OpenPictureDialog1.setFileName(toQString(s.customPicture));
    }
}

void MainForm::Loadsetting1Click() {
    if (!m_settingsOpenDialog.execute(this))
        return;
    applySettingsFile(m_settingsOpenDialog.fileName());
}

void MainForm::Savesettings1Click() {
    if (!m_settingsSaveDialog.execute(this))
        return;
    writeFileAtomically(m_settingsSaveDialog.fileName().toStdString(),
                        writeLabelSettings(labelSettings()));
}

void MainForm::loadSettingsAfterStart(const QString& path) {
    m_startSettings = path;
}

} // namespace qlx
