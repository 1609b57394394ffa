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

// The font a file sets, in the dialog's character set: the file keeps none.
LabelFont withCharsetOf(LabelFont fromFile, const FontDialog& dialog) {
    fromFile.charset = dialog.font().charset;
    return fromFile;
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
    s.mineralFont = m_mineralFont.font();
    s.localityFont = m_localityFont.font();
    s.infoFont = m_infoFont.font();
    s.corrections = {m_mineralX->value(),  m_mineralY->value(), m_localityX->value(),
                     m_localityY->value(), m_infoX->value(),    m_infoY->value()};
    s.background = m_reducedChoice->isChecked()  ? BackgroundChoice::Reduced
                   : m_cleanChoice->isChecked()  ? BackgroundChoice::Clean
                   : m_customChoice->isChecked() ? BackgroundChoice::Custom
                                                 : BackgroundChoice::Complete;
    s.customPicture = fromQString(m_pictureDialog.fileName());
    s.infoIsFormula = m_infoIsFormula->isChecked();
    s.keepFinalE = m_keepFinalE->isChecked();
    s.fitLongRows = m_fitLongRows->isChecked();
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

    m_mineralFont.setFont(withCharsetOf(s.mineralFont, m_mineralFont));
    m_localityFont.setFont(withCharsetOf(s.localityFont, m_localityFont));
    m_infoFont.setFont(withCharsetOf(s.infoFont, m_infoFont));
    m_localityFontPicked = true; // the deferred load keeps it
    const std::array<SpinField*, 6> spins = {m_mineralX,  m_mineralY, m_localityX,
                                             m_localityY, m_infoX,    m_infoY};
    for (std::size_t i = 0; i < spins.size(); ++i)
        spins[i]->setValue(s.corrections[i]);
    m_infoIsFormula->setChecked(s.infoIsFormula);
    m_keepFinalE->setChecked(s.keepFinalE);
    m_fitLongRows->setChecked(s.fitLongRows);
    // The radio buttons are set without their handlers: Custom would ask for a picture.
    QRadioButton* radio = m_completeChoice;
    ImageBox* stock = m_completeStock;
    switch (s.background) {
    case BackgroundChoice::Complete:
        break;
    case BackgroundChoice::Reduced:
        radio = m_reducedChoice, stock = m_reducedStock;
        break;
    case BackgroundChoice::Clean:
        radio = m_cleanChoice, stock = m_cleanStock;
        break;
    case BackgroundChoice::Custom:
        radio = m_customChoice, stock = nullptr;
        break;
    }
    {
        const QSignalBlocker blocker(radio);
        radio->setChecked(true);
    }
    // The blocked signal did not make the new choice the group's tab stop.
    for (QRadioButton* r : {m_completeChoice, m_reducedChoice, m_cleanChoice, m_customChoice})
        r->setFocusPolicy(r->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
    m_customPicture = stock == nullptr;
    if (stock)
        useBackground(stock);
    else {
        m_background->setPicture(custom);
        m_pictureDialog.setFileName(toQString(s.customPicture));
    }
}

void MainForm::onLoadSettings() {
    if (!m_settingsOpenDialog.execute(this))
        return;
    applySettingsFile(m_settingsOpenDialog.fileName());
}

void MainForm::onSaveSettings() {
    if (!m_settingsSaveDialog.execute(this))
        return;
    writeFileAtomically(m_settingsSaveDialog.fileName().toStdString(),
                        writeLabelSettings(labelSettings()));
}

void MainForm::loadSettingsAfterStart(const QString& path) {
    m_startSettings = path;
}

} // namespace qlx
