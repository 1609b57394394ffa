// The window's controls: their creation, in the designer's order and places, the keyboard
// order, the timers, and the binding of each control's events to its handler (MainForm.cpp).
#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <algorithm>
#include <utility>

#include "app/MainForm.h"
#include "app/SheetReport.h"
#include "stores/LabelList.h"
#include "stores/Product.h"
#include "widgets/Controls.h"
#include "widgets/ErrorHandler.h"
#include "widgets/Gauge.h"
#include "widgets/ImageBox.h"
#include "widgets/RichEditBox.h"
#include "widgets/Shape.h"
#include "widgets/SpinField.h"

namespace qlx {

namespace {

constexpr int kClientWidth = 586;
constexpr int kClientHeight = 425;

// The desktop's background colour shows only in the thin strips around the main panel. Linux
// desktops have no such system colour; this is the classic one.
const QColor kDesktop{0, 128, 128};

// The button face and menu colour: the light grey of Qt's own light palette, which the
// window shows on a light desktop, kept on a dark one too.
const QColor kButtonFace{239, 239, 239};

// The window keeps the light colours it was laid out in, whatever the desktop's theme: light
// fields with dark text, dark text on the button faces.
QPalette classicPalette() {
    QPalette palette(kButtonFace, kButtonFace);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::WindowText, Qt::black);
        palette.setColor(group, QPalette::ButtonText, Qt::black);
        palette.setColor(group, QPalette::Text, Qt::black);
        palette.setColor(group, QPalette::Base, Qt::white);
        palette.setColor(group, QPalette::AlternateBase, kButtonFace);
        palette.setColor(group, QPalette::Highlight, QColor(48, 140, 198));
        palette.setColor(group, QPalette::HighlightedText, Qt::white);
        palette.setColor(group, QPalette::ToolTipBase, QColor(255, 255, 225));
        palette.setColor(group, QPalette::ToolTipText, Qt::black);
        palette.setColor(group, QPalette::PlaceholderText, Qt::gray);
        palette.setColor(group, QPalette::BrightText, Qt::white);
    }
    palette.setColor(QPalette::Disabled, QPalette::Base, kButtonFace);
    return palette;
}

// Labels of the entry rows and the panel headings: white on the grey main panel.
QLabel* panelLabel(QWidget* parent, const char* name, int x, int y, const QString& text,
                   int pixels) {
    QLabel* label = makeLabel(parent, name, {x, y}, text, pixelFont("Arial", pixels, true));
    setColours(label, kGrey, Qt::white);
    return label;
}

QLabel* aboutLabel(QWidget* parent, const char* name, int x, int y, const QString& text) {
    QLabel* label = makeLabel(parent, name, {x, y}, text, pixelFont("Arial", 13, true));
    setColours(label, kButtonFace, kNavy);
    return label;
}

QLabel* splashLabel(QWidget* parent, const char* name, int x, int y, const QString& text,
                    const QFont& font) {
    QLabel* label = makeLabel(parent, name, {x, y}, text, font);
    setColours(label, Qt::white, Qt::black);
    return label;
}

RichEditBox* richEdit(QWidget* parent, const char* name, const QRect& geometry, bool plainText) {
    return place(new RichEditBox(plainText, parent), name, geometry);
}

// "No tab stop": the control still takes the focus when clicked.
void noTabStop(QWidget* widget) {
    widget->setFocusPolicy(Qt::ClickFocus);
}

// The timers' intervals: the splash, the exit wait, one step of the splash gauge, the deferred
// load's retry.
constexpr int kSplashMs = 2500;
constexpr int kExitWaitMs = 1500;
constexpr int kGaugeStepMs = 10;
constexpr int kDeferredLoadMs = 200;

QTimer* makeTimer(QObject* owner, const char* name, int intervalMs, bool running) {
    auto* timer = new QTimer(owner);
    timer->setObjectName(QString::fromLatin1(name));
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(intervalMs);
    if (running)
        timer->start();
    return timer;
}

} // namespace

template <typename Sender, typename Signal>
void MainForm::bind(Sender* sender, Signal signal, void (MainForm::*handler)()) {
    connect(sender, signal, this, [this, handler] { guarded([&] { (this->*handler)(); }, this); });
}

MainForm::MainForm(QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint) {
    setObjectName("Form1");
    setPalette(classicPalette());
    setWindowTitle("Systematic mineral label creation for the collector");
    setFont(pixelFont("MS Sans Serif", 11));

    m_client = new QWidget(this);
    m_client->setObjectName("ClientArea");
    m_client->setFixedSize(kClientWidth, kClientHeight);
    QPalette desktop = m_client->palette();
    desktop.setColor(QPalette::Window, kDesktop);
    m_client->setPalette(desktop);
    m_client->setAutoFillBackground(true);
    setCentralWidget(m_client);

    createMenu();
    createSheetMenu();
    createOptionsMenu();
    createRecentMenu();
    createWindowChildren();
    setKeyboardOrder();
    createTimers();
    bindEvents();
    buildRecordCommands();
    setUpSettingsDialogs();
    setUpKeyboard();
    nameControlsForReaders();

    // A single border: the window keeps its size on every screen and cannot be maximised.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    move(kDesignedPlace);
    m_mineralField->setFocus(Qt::OtherFocusReason);
}

MainForm::~MainForm() = default;

void MainForm::createMenu() {
    QMenuBar* bar = menuBar();
    bar->setObjectName("MainMenu1");
    auto item = [bar](const char* name, const QString& caption) {
        QAction* action = bar->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    m_loadSettingsAction = item("Loadsetting1", "Load settings");
    m_saveSettingsAction = item("Savesettings1", "Save settings");
    m_aboutAction = item("About1", "About");
    m_exitAction = item("Exit1", "Exit");
}

// The sheet commands, in a menu of their own between the settings and "About".
void MainForm::createSheetMenu() {
    m_sheetMenu = new QMenu(QStringLiteral("Sheet"), this);
    m_sheetMenu->setObjectName("Sheet1");
    m_sheetMenu->menuAction()->setObjectName("Sheet1Item");
    menuBar()->insertMenu(m_aboutAction, m_sheetMenu);
    m_startSlotAction = m_sheetMenu->addAction(QStringLiteral("Start at slot..."));
    m_startSlotAction->setObjectName("StartSlot1");
    m_renderSelectedAction = m_sheetMenu->addAction(QStringLiteral("Render selected lines"));
    m_renderSelectedAction->setObjectName("RenderSelected1");
    m_fillFormulasAction =
        m_sheetMenu->addAction(QStringLiteral("Fill formulas from the database"));
    m_fillFormulasAction->setObjectName("FillFormulas1");
}

// Options that change what the designed window does, each off until ticked: they live in
// the menu bar, so the client area stays as designed.
void MainForm::createOptionsMenu() {
    m_optionsMenu = new QMenu(QStringLiteral("Options"), this);
    m_optionsMenu->setObjectName("Options1");
    m_optionsMenu->menuAction()->setObjectName("Options1Item");
    menuBar()->insertMenu(m_aboutAction, m_optionsMenu);
    m_keepFinalE = m_optionsMenu->addAction(QStringLiteral("Keep the final E of names"));
    m_keepFinalE->setObjectName("KeepFinalE1");
    m_keepFinalE->setStatusTip(
        QStringLiteral("Mineral names complete the English way: Calcite, not Calcit"));
    m_fitLongRows = m_optionsMenu->addAction(QStringLiteral("Fit long rows"));
    m_fitLongRows->setObjectName("FitLongRows1");
    m_fitLongRows->setStatusTip(QStringLiteral(
        "A mineral or locality too wide for the label is drawn smaller, then shortened"));
    for (QAction* option : {m_keepFinalE, m_fitLongRows}) {
        option->setCheckable(true);
        option->setChecked(false);
    }
}

// Children of the window in creation order: later ones lie in front of earlier ones.
void MainForm::createWindowChildren() {
    QWidget* w = m_client;
    m_drawnLabel = place(new ImageBox(w), "rendered", {616, 528, 153, 113});
    m_drawnLabel->hide();
    m_reducedStock = place(new ImageBox(w), "Image1", {704, 24, 193, 81});
    m_cleanStock = place(new ImageBox(w), "Image2", {704, 112, 193, 81});
    m_completeStock = place(new ImageBox(w), "Image3", {704, 200, 193, 81});

    m_mainPanel = makePanel(w, "Panel3", {3, 3, 582, 422}, kGrey);
    createEntryRows();
    createAppearanceControls();
    createListControls();
    createHiddenControls();

    m_drawnMineral = makeEdit(w, "Edit1", {664, 520, 121, 21}, "Edit1");
    m_drawnLocality = makeEdit(w, "Edit2", {616, 544, 121, 21}, "Edit2");
    m_drawnInfo = makeEdit(w, "Edit3", {632, 560, 121, 21}, "Edit3");
    for (QLineEdit* e : {m_drawnMineral, m_drawnLocality, m_drawnInfo}) {
        e->hide();
        noTabStop(e);
    }

    m_aboutPanel = makePanel(w, "Panel2", {112, 48, 361, 241}, kButtonFace);
    createAboutPanel();
    m_aboutPanel->hide();

    m_splashPanel = makePanel(w, "Panel4", {93, 96, 409, 121}, Qt::white);
    createSplashPanel();

    m_sheet = new qlx::SheetReport(this);
    m_sheet->setObjectName("SheetReport");
    m_settingsPad = richEdit(w, "RichEdit1", {592, 8, 185, 89}, false);
    m_loadSettingsButton = makeButton(w, "Button11", {592, 104, 89, 25}, "Load settings...");
    m_saveSettingsButton = makeButton(w, "Button12", {592, 136, 89, 25}, "Save settings...");
}

void MainForm::createEntryRows() {
    QWidget* p = m_mainPanel;
    m_mineralCaption = panelLabel(p, "Label21", 8, 24, "Mineral", 13);
    m_mineralField = makeEdit(p, "Edit7", {72, 24, 121, 21}, {});
    m_localityCaption = panelLabel(p, "Label20", 8, 48, "Locality", 13);
    m_localityField = makeEdit(p, "Edit6", {72, 48, 121, 21}, {});
    m_infoCaption = panelLabel(p, "Label19", 8, 72, "Info", 13);
    m_infoField = makeEdit(p, "Edit5", {72, 72, 121, 21}, {});
    m_formulaCaption = panelLabel(p, "Label25", 8, 96, "Formula", 13);
    m_formulaField = makeEdit(p, "Edit4", {72, 96, 121, 21}, {});
    noTabStop(m_formulaField);
    m_labelCountCaption = panelLabel(p, "Label23", 472, 24, "No of labels", 13);
    m_labelCount = panelLabel(p, "Label24", 560, 24, "0", kLabelCountPixels);
    m_infoIsFormula = makeCheckBox(p, "CheckBox1", {472, 50, 105, 17}, "Info = formula");
    m_infoIsFormula->setFont(pixelFont("Arial", 13, true));
    setColours(m_infoIsFormula, kGrey, Qt::white);
    m_infoIsFormula->setChecked(true);
    noTabStop(m_infoIsFormula);
}

void MainForm::createAppearanceControls() {
    QWidget* p = m_mainPanel;
    m_xHeading = panelLabel(p, "Label2", 208, 8, "X correction:", 11);
    m_yHeading = panelLabel(p, "Label1", 288, 8, "Y correction:", 11);
    auto spin = [p](const char* name, int x, int y) {
        auto* field = place(new SpinField(p), name, {x, y, 65, 22});
        noTabStop(field);
        return field;
    };
    m_mineralX = spin("SpinEdit4", 216, 24);
    m_localityX = spin("SpinEdit5", 216, 48);
    m_infoX = spin("SpinEdit6", 216, 72);
    m_mineralY = spin("SpinEdit1", 296, 24);
    m_localityY = spin("SpinEdit2", 296, 48);
    m_infoY = spin("SpinEdit3", 296, 72);
    m_mineralFontButton = makeButton(p, "Button5", {376, 24, 89, 17}, "Pick font");
    m_localityFontButton = makeButton(p, "Button4", {376, 48, 89, 17}, "Pick font");
    m_infoFontButton = makeButton(p, "Button3", {376, 72, 89, 17}, "Pick font");

    // The group frame only frames the radio buttons; they are its siblings and lie in front.
    // They reach to just inside the frame's right edge, so that "Complete" is not cut off.
    constexpr int kRadioWidth = 72;
    m_backgroundFrame = place(new QGroupBox("Label image", p), "RadioGroup1", {424, 164, 81, 85});
    m_backgroundFrame->setFocusPolicy(Qt::NoFocus);
    m_completeChoice = makeRadioButton(p, "RadioButton1", {432, 180, kRadioWidth, 17}, "Complete");
    m_reducedChoice = makeRadioButton(p, "RadioButton2", {432, 196, kRadioWidth, 17}, "Reduced");
    m_cleanChoice = makeRadioButton(p, "RadioButton3", {432, 212, kRadioWidth, 17}, "Clean");
    m_customChoice = makeRadioButton(p, "RadioButton4", {432, 228, kRadioWidth, 17}, "Custom");
    m_completeChoice->setChecked(true);
    // Only the selected radio button is a tab stop.
    for (QRadioButton* r : {m_completeChoice, m_reducedChoice, m_cleanChoice, m_customChoice}) {
        r->setFocusPolicy(r->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
        connect(r, &QRadioButton::toggled, r,
                [r](bool on) { r->setFocusPolicy(on ? Qt::StrongFocus : Qt::ClickFocus); });
    }

    m_backgroundCaption = panelLabel(p, "Label3", 424, 256, "Preview", 13);
    m_background = place(new ImageBox(p), "accimage", {432, 275, 137, 65});
}

void MainForm::createListControls() {
    QWidget* p = m_mainPanel;
    m_addButton = makeButton(p, "Button6", {16, 128, 105, 25}, "Add data to list");
    m_openListButton = makeButton(p, "Button7", {128, 128, 75, 25}, "Open list");
    m_saveListButton = makeButton(p, "Button8", {208, 128, 75, 25}, "Save list");
    m_renderButton = makeButton(p, "Button9", {296, 128, 123, 25}, "Render and preview");
    m_labelList = richEdit(p, "RichEdit4", {16, 160, 393, 249}, false);
    m_labelList->lines().setLineLimit(kMaxListLines);
    for (FileDialog* dialog : {&m_openListDialog, &m_saveListDialog}) {
        dialog->setNameFilters({kAllFilesFilter, kCsvFilter});
        dialog->setFolderKind(QStringLiteral("lists"));
    }
    m_saveListDialog.setFilterSuffix(kCsvFilter, QStringLiteral("csv"));
    m_labelList->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_labelList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_labelList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    noTabStop(m_labelList);
}

void MainForm::createHiddenControls() {
    QWidget* p = m_mainPanel;
    m_foundMineral = makeLabel(p, "Label11", {680, 296}, "cachedword");
    m_foundLocality = makeLabel(p, "lastlocality", {688, 336}, kNoLocalityCompletion);
    m_mineralLookupButton =
        makeButton(p, "Button2", {448, 432, 185, 25}, "Complete mineral and get formula!");
    m_localityCompletionButton = makeButton(p, "Button1", {704, 344, 97, 25}, "Complete locality");
    for (QWidget* c : std::initializer_list<QWidget*>{
             m_foundMineral, m_foundLocality, m_mineralLookupButton, m_localityCompletionButton}) {
        c->hide();
        noTabStop(c);
    }
    m_foundMineral->setFocusPolicy(Qt::NoFocus);
    m_foundLocality->setFocusPolicy(Qt::NoFocus);
}

void MainForm::createAboutPanel() {
    QWidget* p = m_aboutPanel;
    m_aboutPurpose =
        aboutLabel(p, "Label6", 1, 8, "The purpose is composing labels for mineral collections.");
    m_aboutSource =
        aboutLabel(p, "Label4", 3, 32, "Minerals and formulas: the IMA list of mineral species,");
    m_aboutDatabase =
        aboutLabel(p, "Label5", 5, 48, "from the RRUFF project's IMA database (2022-02-28):");
    m_aboutAddress = aboutLabel(p, "Label10", 13, 64, "https://rruff.info/ima/");
    m_aboutRebuild =
        aboutLabel(p, "Label12", 5, 80, "scripts/make-athena.py rebuilds athena.txt from it.");
    m_aboutCredit =
        aboutLabel(p, "Label7", 8, 112, QString::fromUtf8(kProductName) + " was created in 2026");
    m_aboutTeam = aboutLabel(p, "Label8", 8, 128, "by the Quillmar developers, working as a team.");
    m_aboutSignature = aboutLabel(p, "Label9", 56, 160, "The Quillmar developers, December 2026");
    m_aboutContact = aboutLabel(p, "Label13", 72, 176, "Contact: see the project's README");
    m_hideAboutButton = makeButton(p, "Button10", {136, 208, 75, 25}, "Hide!");
}

void MainForm::createSplashPanel() {
    QWidget* p = m_splashPanel;
    m_splashFrame = place(new Shape(p), "Shape14", {8, 8, 393, 105});
    m_splashTitle = splashLabel(p, "Label30", 40, 32, QString::fromUtf8(kProductName),
                                pixelFont("Arial", 21, true, true));
    m_splashCredit = splashLabel(p, "Label31", 120, 56, "by the Quillmar developers",
                                 pixelFont("Arial", 15, true, true));
    m_splashContact = splashLabel(p, "Label32", 128, 85, "Contact: see the project's README",
                                  pixelFont("Arial", 12, true));
    m_splashGauge = place(new Gauge(p), "Gauge1", {16, 104, 377, 5});
    m_splashGauge->setRange(0, 230);
    m_splashGauge->setProgress(0);
}

// Tab order: the visible tab stops of the main panel as designed, then the controls that
// were reachable by mouse only (formula, "Info = formula", the corrections, the label list),
// then around through the about panel's button when it shows. The controls beyond the client
// area take no focus: the focus never goes where it cannot be seen.
void MainForm::setKeyboardOrder() {
    const QList<QWidget*> order{m_hideAboutButton,
                                m_mineralField,
                                m_localityField,
                                m_infoField,
                                m_infoFontButton,
                                m_completeChoice,
                                m_reducedChoice,
                                m_cleanChoice,
                                m_customChoice,
                                m_localityFontButton,
                                m_mineralFontButton,
                                m_addButton,
                                m_openListButton,
                                m_saveListButton,
                                m_renderButton,
                                m_formulaField,
                                m_infoIsFormula,
                                m_mineralX,
                                m_localityX,
                                m_infoX,
                                m_mineralY,
                                m_localityY,
                                m_infoY,
                                m_labelList};
    for (int i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_formulaField, m_infoIsFormula, m_mineralX, m_localityX,
                                         m_infoX, m_mineralY, m_localityY, m_infoY, m_labelList})
        w->setFocusPolicy(Qt::StrongFocus);
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_settingsPad, m_loadSettingsButton, m_saveSettingsButton})
        w->setFocusPolicy(Qt::NoFocus);
}

void MainForm::createTimers() {
    m_splashTimer = makeTimer(this, "Timer1", kSplashMs, true);
    m_exitTimer = makeTimer(this, "Timer2", kExitWaitMs, false);
    m_gaugeTimer = makeTimer(this, "Timer3", kGaugeStepMs, true);
    m_loadTimer = makeTimer(this, "Timer4", kDeferredLoadMs, true);
}

void MainForm::scaleTimeline(double scale) {
    const std::pair<QTimer*, int> timers[] = {{m_splashTimer, kSplashMs},
                                              {m_exitTimer, kExitWaitMs},
                                              {m_gaugeTimer, kGaugeStepMs},
                                              {m_loadTimer, kDeferredLoadMs}};
    for (const auto& [timer, ms] : timers)
        timer->setInterval(std::max(1, qRound(ms * scale)));
}

void MainForm::bindEvents() {
    bind(m_splashTimer, &QTimer::timeout, &MainForm::onSplashEnd);
    bind(m_exitTimer, &QTimer::timeout, &MainForm::onExitWaitEnd);
    bind(m_gaugeTimer, &QTimer::timeout, &MainForm::onGaugeStep);
    bind(m_loadTimer, &QTimer::timeout, &MainForm::onDeferredLoad);
    bind(m_loadSettingsAction, &QAction::triggered, &MainForm::onLoadSettings);
    bind(m_saveSettingsAction, &QAction::triggered, &MainForm::onSaveSettings);
    bind(m_aboutAction, &QAction::triggered, &MainForm::onAbout);
    bind(m_exitAction, &QAction::triggered, &MainForm::onExit);
    bind(m_hideAboutButton, &QPushButton::clicked, &MainForm::onHideAbout);
    bind(m_mineralLookupButton, &QPushButton::clicked, &MainForm::onMineralLookup);
    bind(m_localityCompletionButton, &QPushButton::clicked, &MainForm::onLocalityCompletion);
    bind(m_addButton, &QPushButton::clicked, &MainForm::onAddToList);
    bind(m_formulaField, &QLineEdit::textChanged, &MainForm::onFormulaChanged);
    bind(m_openListButton, &QPushButton::clicked, &MainForm::onOpenList);
    bind(m_saveListButton, &QPushButton::clicked, &MainForm::onSaveList);
    bind(m_mineralFontButton, &QPushButton::clicked, &MainForm::onPickMineralFont);
    bind(m_localityFontButton, &QPushButton::clicked, &MainForm::onPickLocalityFont);
    bind(m_infoFontButton, &QPushButton::clicked, &MainForm::onPickInfoFont);
    bind(m_saveSettingsButton, &QPushButton::clicked, &MainForm::onSaveSettingsPad);
    bind(m_renderButton, &QPushButton::clicked, &MainForm::onRenderAndPreview);
    bind(m_startSlotAction, &QAction::triggered, &MainForm::onStartSlot);
    bind(m_renderSelectedAction, &QAction::triggered, &MainForm::onRenderSelected);
    bind(m_fillFormulasAction, &QAction::triggered, &MainForm::onFillFormulas);
    // A radio button's handler runs only when its button becomes selected.
    const std::pair<QRadioButton*, void (MainForm::*)()> radios[] = {
        {m_completeChoice, &MainForm::onCompleteBackground},
        {m_reducedChoice, &MainForm::onReducedBackground},
        {m_cleanChoice, &MainForm::onCleanBackground},
        {m_customChoice, &MainForm::onCustomBackground}};
    for (const auto& [radio, handler] : radios) {
        connect(radio, &QRadioButton::toggled, this,
                [this, radio = radio, handler = handler](bool selected) {
                    // "Custom" remembers the stock background it was chosen over, for a Cancel.
                    if (radio != m_customChoice && !selected)
                        m_backgroundBeforeCustom = radio;
                    if (radio != m_customChoice && selected)
                        m_customPicture = false;
                    if (selected)
                        guarded([&] { (this->*handler)(); }, this);
                });
    }
    m_mineralField->installEventFilter(this);
    m_localityField->installEventFilter(this);
    // The counter follows the list, whoever changes it.
    connect(m_labelList, &QPlainTextEdit::textChanged, this, &MainForm::showLabelCount);
    // A mineral marked as not found stays marked until its field changes.
    connect(m_mineralField, &QLineEdit::textChanged, this, [this] { showMineralMiss(false); });
}

// Key-down handlers see the key before the field does, and leave it to the field.
bool MainForm::eventFilter(QObject* watched, QEvent* event) {
    if (keyForControl(watched, event))
        return true;
    if (watched == m_labelList && undoKeyForList(event))
        return true;
    if (event->type() == QEvent::KeyPress &&
        (watched == m_mineralField || watched == m_localityField)) {
        const auto* press = static_cast<QKeyEvent*>(event);
        guarded(
            [&] {
                if (watched == m_mineralField)
                    onMineralKey(press->key(), press->modifiers());
                else
                    onLocalityKey(press->key(), press->modifiers());
            },
            this);
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace qlx
