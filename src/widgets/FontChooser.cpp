#include "widgets/FontChooser.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "pictures/Text.h"

namespace qlx {

namespace {

// The largest size the dialog accepts, in points.
constexpr double kMaxPoints = 1638;

struct NamedColour {
    const char* name;
    QRgb rgb;
};

const NamedColour kStandardColours[] = {
    {"Black", qRgb(0, 0, 0)},       {"Maroon", qRgb(128, 0, 0)},    {"Green", qRgb(0, 128, 0)},
    {"Olive", qRgb(128, 128, 0)},   {"Navy", qRgb(0, 0, 128)},      {"Purple", qRgb(128, 0, 128)},
    {"Teal", qRgb(0, 128, 128)},    {"Gray", qRgb(128, 128, 128)},  {"Silver", qRgb(192, 192, 192)},
    {"Red", qRgb(255, 0, 0)},       {"Lime", qRgb(0, 255, 0)},      {"Yellow", qRgb(255, 255, 0)},
    {"Blue", qRgb(0, 0, 255)},      {"Fuchsia", qRgb(255, 0, 255)}, {"Aqua", qRgb(0, 255, 255)},
    {"White", qRgb(255, 255, 255)},
};

const char* const kStyles[] = {"Regular", "Italic", "Bold", "Bold Italic"};
const int kSizes[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};

// A caption whose mnemonic moves the focus to `buddy`; without a buddy QLabel would show the
// ampersand itself.
QLabel* buddyLabel(const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

QIcon swatch(const QColor& colour) {
    QPixmap pixmap(16, 12);
    pixmap.fill(colour);
    QPainter(&pixmap).drawRect(0, 0, 15, 11);
    return QIcon(pixmap);
}

QFontDatabase::WritingSystem writingSystemOf(int charset) {
    switch (charset) {
    case 2:
        return QFontDatabase::Symbol;
    case 128:
        return QFontDatabase::Japanese;
    case 129:
    case 130:
        return QFontDatabase::Korean;
    case 134:
        return QFontDatabase::SimplifiedChinese;
    case 136:
        return QFontDatabase::TraditionalChinese;
    case 161:
        return QFontDatabase::Greek;
    case 163:
        return QFontDatabase::Vietnamese;
    case 177:
        return QFontDatabase::Hebrew;
    case 178:
        return QFontDatabase::Arabic;
    case 204:
        return QFontDatabase::Cyrillic;
    case 222:
        return QFontDatabase::Thai;
    default:
        return QFontDatabase::Latin;
    }
}

QString scriptName(int charset) {
    for (const auto& s : FontChooser::scripts())
        if (s.charset == charset)
            return QString::fromLatin1(s.name);
    if (charset == LabelFont::kDefaultCharset)
        return QStringLiteral("Default");
    return QStringLiteral("Character set %1").arg(charset);
}

} // namespace

const QList<FontChooser::Script>& FontChooser::scripts() {
    static const QList<Script> kScripts = {
        {0, "Western"},
        {238, "Central European"},
        {204, "Cyrillic"},
        {161, "Greek"},
        {162, "Turkish"},
        {186, "Baltic"},
        {177, "Hebrew"},
        {178, "Arabic"},
        {163, "Vietnamese"},
        {222, "Thai"},
        {128, "Japanese"},
        {129, "Hangul"},
        {134, "Chinese Simplified"},
        {136, "Chinese Traditional"},
        {2, "Symbol"},
        {255, "OEM/DOS"},
    };
    return kScripts;
}

FontChooser::FontChooser(const LabelFont& initial, QWidget* parent)
    : QDialog(parent)
    , m_initialPixels(initial.pixelHeight) {
    setWindowTitle(tr("Font"));
    auto* grid = new QGridLayout(this);
    buildFaceColumn(initial);
    buildStyleColumn(initial);
    buildSizeColumn(initial);
    // Each caption's Alt key goes to the control below it.
    grid->addWidget(buddyLabel(tr("&Font:"), m_face), 0, 0);
    grid->addWidget(buddyLabel(tr("Font st&yle:"), m_styleList), 0, 1);
    grid->addWidget(buddyLabel(tr("&Size:"), m_size), 0, 2);
    grid->addWidget(m_face, 1, 0);
    grid->addWidget(m_size, 1, 2);
    grid->addWidget(m_faceList, 2, 0);
    grid->addWidget(m_styleList, 1, 1, 2, 1);
    grid->addWidget(m_sizeList, 2, 2);

    auto* effects = new QGroupBox(tr("Effects"));
    auto* effectsLayout = new QVBoxLayout(effects);
    m_strikeOut = new QCheckBox(tr("Stri&keout"));
    m_strikeOut->setObjectName("strikeOut");
    m_strikeOut->setChecked(initial.strikeOut);
    m_underline = new QCheckBox(tr("&Underline"));
    m_underline->setObjectName("underline");
    m_underline->setChecked(initial.underline);
    effectsLayout->addWidget(m_strikeOut);
    effectsLayout->addWidget(m_underline);
    buildColours(colourOf(initial));
    effectsLayout->addWidget(buddyLabel(tr("&Color:"), m_colour));
    effectsLayout->addWidget(m_colour);
    grid->addWidget(effects, 3, 0);

    auto* sampleBox = new QGroupBox(tr("Sample"));
    auto* sampleLayout = new QVBoxLayout(sampleBox);
    m_sample = new QLabel(QStringLiteral("AaBbYyZz"));
    m_sample->setObjectName("sample");
    m_sample->setAlignment(Qt::AlignCenter);
    m_sample->setFixedSize(180, 60);
    sampleLayout->addWidget(m_sample);
    m_script = new QComboBox;
    m_script->setObjectName("script");
    sampleLayout->addWidget(buddyLabel(tr("Sc&ript:"), m_script));
    sampleLayout->addWidget(m_script);
    grid->addWidget(sampleBox, 3, 1, 1, 2);
    fillScripts(initial.charset);

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    grid->addWidget(m_buttons, 4, 0, 1, 3);

    connect(m_strikeOut, &QCheckBox::toggled, this, &FontChooser::refresh);
    connect(m_underline, &QCheckBox::toggled, this, &FontChooser::refresh);
    connect(m_styleList, &QListWidget::currentRowChanged, this, &FontChooser::refresh);
    connect(m_script, &QComboBox::currentIndexChanged, this, &FontChooser::refresh);
    refresh();
}

void FontChooser::buildFaceColumn(const LabelFont& initial) {
    const QString face = toQString(initial.face);
    m_face = new QLineEdit(face);
    m_face->setObjectName("face");
    m_faceList = new QListWidget;
    m_faceList->setObjectName("faceList");
    QStringList families = QFontDatabase::families();
    // A face that is not installed stays choosable, so the dialog can give it back unchanged.
    if (!face.isEmpty() && !families.contains(face, Qt::CaseInsensitive))
        families.append(face);
    families.sort(Qt::CaseInsensitive);
    m_faceList->addItems(families);
    faceTyped(face);
    connect(m_face, &QLineEdit::textEdited, this, &FontChooser::faceTyped);
    connect(m_face, &QLineEdit::textChanged, this, &FontChooser::refresh);
    connect(m_faceList, &QListWidget::currentTextChanged, this, [this](const QString& chosen) {
        if (m_syncing || chosen.isEmpty())
            return;
        m_face->setText(chosen);
        fillScripts(m_script->currentData().toInt());
        refresh();
    });
}

void FontChooser::buildStyleColumn(const LabelFont& initial) {
    m_styleList = new QListWidget;
    m_styleList->setObjectName("styleList");
    for (const char* style : kStyles)
        m_styleList->addItem(tr(style));
    m_styleList->setCurrentRow((initial.bold ? 2 : 0) + (initial.italic ? 1 : 0));
}

void FontChooser::buildSizeColumn(const LabelFont& initial) {
    m_initialSizeText = QString::number(LabelFont::pointsFromPixels(initial.pixelHeight));
    m_size = new QLineEdit(m_initialSizeText);
    m_size->setObjectName("size");
    m_sizeList = new QListWidget;
    m_sizeList->setObjectName("sizeList");
    for (int points : kSizes)
        m_sizeList->addItem(QString::number(points));
    sizeTyped(m_initialSizeText);
    connect(m_size, &QLineEdit::textChanged, this, &FontChooser::sizeTyped);
    connect(m_sizeList, &QListWidget::currentTextChanged, this, [this](const QString& size) {
        if (!m_syncing && !size.isEmpty())
            m_size->setText(size);
    });
}

void FontChooser::buildColours(const QColor& initial) {
    m_colour = new QComboBox;
    m_colour->setObjectName("colour");
    for (const auto& c : kStandardColours)
        m_colour->addItem(swatch(QColor(c.rgb)), tr(c.name), QColor(c.rgb));
    m_colour->addItem(tr("Custom..."));
    setColour(initial);
    connect(m_colour, &QComboBox::activated, this, [this](int index) {
        if (!m_colour->itemData(index).isValid())
            chooseCustomColour();
        else
            m_lastColour = m_colour->itemData(index).value<QColor>();
        refresh();
    });
}

void FontChooser::setColour(const QColor& colour) {
    m_lastColour = colour;
    int index = m_colour->findData(colour);
    if (index < 0 || m_colour->itemData(index).value<QColor>() != colour) {
        // One custom entry, just before "Custom...", holds the colour that is not standard.
        const int customEntry = int(std::size(kStandardColours));
        if (m_colour->count() > customEntry + 1)
            m_colour->removeItem(customEntry);
        m_colour->insertItem(customEntry, swatch(colour), tr("Custom"), colour);
        index = customEntry;
    }
    m_colour->setCurrentIndex(index);
    refresh();
}

void FontChooser::chooseCustomColour() {
    const QColor chosen = QColorDialog::getColor(m_lastColour, this, tr("Color"));
    setColour(chosen.isValid() ? chosen : m_lastColour);
}

void FontChooser::fillScripts(int keepCharset) {
    const QList<QFontDatabase::WritingSystem> systems =
        QFontDatabase::writingSystems(m_face->text().trimmed());
    const QSignalBlocker blocker(m_script);
    m_script->clear();
    for (const Script& s : scripts()) {
        // Offer what the face can write; a face the system does not know gets every script.
        if (systems.isEmpty() || systems.contains(writingSystemOf(s.charset)) ||
            s.charset == keepCharset)
            m_script->addItem(tr(s.name), s.charset);
    }
    if (m_script->findData(keepCharset) < 0)
        m_script->addItem(scriptName(keepCharset), keepCharset);
    m_script->setCurrentIndex(m_script->findData(keepCharset));
}

void FontChooser::faceTyped(const QString& text) {
    const QSignalBlocker blocker(m_faceList);
    const QString wanted = text.trimmed();
    for (int i = 0; i < m_faceList->count(); ++i) {
        if (m_faceList->item(i)->text().startsWith(wanted, Qt::CaseInsensitive)) {
            m_faceList->setCurrentRow(i);
            m_faceList->scrollToItem(m_faceList->item(i));
            break;
        }
    }
    if (m_script)
        fillScripts(m_script->currentData().toInt());
    refresh();
}

void FontChooser::sizeTyped(const QString& text) {
    m_syncing = true;
    const auto matches = m_sizeList->findItems(text.trimmed(), Qt::MatchExactly);
    if (matches.isEmpty())
        m_sizeList->clearSelection();
    else
        m_sizeList->setCurrentItem(matches.first());
    m_syncing = false;
    refresh();
}

bool FontChooser::sizeValid(double* points) const {
    bool ok = false;
    QString text = m_size->text().trimmed();
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    const double value = text.toDouble(&ok);
    if (points)
        *points = value;
    return ok && value > 0 && value <= kMaxPoints && LabelFont::pixelsFromPoints(value) >= 1;
}

LabelFont FontChooser::font() const {
    LabelFont font;
    font.face = fromQString(m_face->text().trimmed());
    double points = 0;
    if (m_size->text() == m_initialSizeText || !sizeValid(&points))
        font.pixelHeight = m_initialPixels;
    else
        font.pixelHeight = LabelFont::pixelsFromPoints(points);
    const int style = qMax(0, m_styleList->currentRow());
    font.bold = style >= 2;
    font.italic = style % 2 == 1;
    font.underline = m_underline->isChecked();
    font.strikeOut = m_strikeOut->isChecked();
    font.colour = rgbOf(m_lastColour);
    font.charset = m_script->currentData().toInt();
    return font;
}

void FontChooser::refresh() {
    if (!m_sample || !m_buttons || !m_script)
        return; // still being built
    const bool acceptable = !m_face->text().trimmed().isEmpty() && sizeValid();
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(acceptable);
    LabelFont shown = font();
    shown.pixelHeight = qMin(shown.pixelHeight, 48); // the sample box is small
    m_sample->setFont(toQFont(shown));
    QPalette palette = m_sample->palette();
    palette.setColor(QPalette::WindowText, colourOf(shown));
    m_sample->setPalette(palette);
}

} // namespace qlx
