#include "app/MainForm.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDate>
#include <QEvent>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTime>
#include <QTimer>
#include <QToolTip>
#include <algorithm>
#include <utility>

#include "app/SheetReport.h"
#include "pictures/Picture.h"
#include "pictures/Text.h"
#include "preview/PreviewWindow.h"
#include "render/LabelComposer.h"
#include "render/SheetRun.h"
#include "stores/CsvList.h"
#include "stores/DataFolder.h"
#include "stores/Error.h"
#include "stores/LabelList.h"
#include "stores/LocalityCache.h"
#include "stores/MineralLookup.h"
#include "widgets/Controls.h"
#include "widgets/ErrorHandler.h"
#include "widgets/Gauge.h"
#include "widgets/ImageBox.h"
#include "widgets/MessageBox.h"
#include "widgets/NumberDialog.h"
#include "widgets/RichEditBox.h"
#include "widgets/Shape.h"
#include "widgets/SpinField.h"
#include "widgets/WorkProgress.h"

namespace qlx {

namespace {

constexpr int kClientWidth = 586;
constexpr int kClientHeight = 425;

// The desktop's background colour shows only in the thin strips around the main panel. Linux
// desktops have no such system colour; this is the classic one.
const QColor kDesktop{0, 128, 128};

// The caption the hidden last-locality label starts with; it stands for "no completion yet",
// so Enter in the locality field leaves the field alone until a completion has been found.
constexpr char kNoLocalityCompletion[] = "lastlocality";

// The label counter's font size, and the smallest it is drawn at to fit a long count.
constexpr int kLabelCountPixels = 13;
constexpr int kSmallestLabelCountPixels = 6;

// The button face and menu colour: the light grey of Qt's own light palette, which the
// window shows on a light desktop, kept on a dark one too.
const QColor kButtonFace{239, 239, 239};

const QString kNotInDatabase = QStringLiteral("Not in the mineral database");

// The list dialogs' filters: every file first, as the dialogs open, then spreadsheet lists.
const QString kAllFilesFilter = QStringLiteral("All files (*)");
const QString kCsvFilter = QStringLiteral("CSV (UTF-8) (*.csv)");

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

bool isEnter(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// Sets a field's text; a field that already holds the text stays as it is and fires nothing.
void setFieldText(QLineEdit* field, const std::string& utf8Text) {
    const QString text = toQString(utf8Text);
    if (field->text() != text)
        field->setText(text);
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
    createWindowChildren();
    setKeyboardOrder();
    createTimers();
    bindEvents();
    buildRecordCommands();
    setUpSettingsDialogs();

    // A single border: the window keeps its size on every screen and cannot be maximised.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    move(198, 135);
    Edit7->setFocus(Qt::OtherFocusReason);
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
    Loadsetting1 = item("Loadsetting1", "Load settings");
    Savesettings1 = item("Savesettings1", "Save settings");
    About1 = item("About1", "About");
    Exit1 = item("Exit1", "Exit");
}

// The sheet commands, in a menu of their own between the settings and "About".
void MainForm::createSheetMenu() {
    Sheet1 = new QMenu(QStringLiteral("Sheet"), this);
    Sheet1->setObjectName("Sheet1");
    Sheet1->menuAction()->setObjectName("Sheet1Item");
    menuBar()->insertMenu(About1, Sheet1);
    StartSlot1 = Sheet1->addAction(QStringLiteral("Start at slot..."));
    StartSlot1->setObjectName("StartSlot1");
    RenderSelected1 = Sheet1->addAction(QStringLiteral("Render selected lines"));
    RenderSelected1->setObjectName("RenderSelected1");
    FillFormulas1 = Sheet1->addAction(QStringLiteral("Fill formulas from the database"));
    FillFormulas1->setObjectName("FillFormulas1");
}

// Options that change what the designed window does, each off until ticked: they live in
// the menu bar, so the client area stays as designed.
void MainForm::createOptionsMenu() {
    Options1 = new QMenu(QStringLiteral("Options"), this);
    Options1->setObjectName("Options1");
    Options1->menuAction()->setObjectName("Options1Item");
    menuBar()->insertMenu(About1, Options1);
    KeepFinalE1 = Options1->addAction(QStringLiteral("Keep the final E of names"));
    KeepFinalE1->setObjectName("KeepFinalE1");
    KeepFinalE1->setStatusTip(
        QStringLiteral("Mineral names complete the English way: Calcite, not Calcit"));
    FitLongRows1 = Options1->addAction(QStringLiteral("Fit long rows"));
    FitLongRows1->setObjectName("FitLongRows1");
    FitLongRows1->setStatusTip(QStringLiteral(
        "A mineral or locality too wide for the label is drawn smaller, then shortened"));
    for (QAction* option : {KeepFinalE1, FitLongRows1}) {
        option->setCheckable(true);
        option->setChecked(false);
    }
}

// Children of the window in creation order: later ones lie in front of earlier ones.
void MainForm::createWindowChildren() {
    QWidget* w = m_client;
    rendered = place(new ImageBox(w), "rendered", {616, 528, 153, 113});
    rendered->hide();
    Image1 = place(new ImageBox(w), "Image1", {704, 24, 193, 81});
    Image2 = place(new ImageBox(w), "Image2", {704, 112, 193, 81});
    Image3 = place(new ImageBox(w), "Image3", {704, 200, 193, 81});

    Panel3 = makePanel(w, "Panel3", {3, 3, 582, 422}, kGrey);
    createEntryRows();
    createAppearanceControls();
    createListControls();
    createHiddenControls();

    Edit1 = makeEdit(w, "Edit1", {664, 520, 121, 21}, "Edit1");
    Edit2 = makeEdit(w, "Edit2", {616, 544, 121, 21}, "Edit2");
    Edit3 = makeEdit(w, "Edit3", {632, 560, 121, 21}, "Edit3");
    for (QLineEdit* e : {Edit1, Edit2, Edit3}) {
        e->hide();
        noTabStop(e);
    }

    Panel2 = makePanel(w, "Panel2", {112, 48, 361, 241}, kButtonFace);
    createAboutPanel();
    Panel2->hide();

    Panel4 = makePanel(w, "Panel4", {93, 96, 409, 121}, Qt::white);
    createSplashPanel();

    SheetReport = new qlx::SheetReport(this);
    SheetReport->setObjectName("SheetReport");
    RichEdit1 = richEdit(w, "RichEdit1", {592, 8, 185, 89}, false);
    Button11 = makeButton(w, "Button11", {592, 104, 89, 25}, "Load settings...");
    Button12 = makeButton(w, "Button12", {592, 136, 89, 25}, "Save settings...");
}

void MainForm::createEntryRows() {
    QWidget* p = Panel3;
    Label21 = panelLabel(p, "Label21", 8, 24, "Mineral", 13);
    Edit7 = makeEdit(p, "Edit7", {72, 24, 121, 21}, {});
    Label20 = panelLabel(p, "Label20", 8, 48, "Locality", 13);
    Edit6 = makeEdit(p, "Edit6", {72, 48, 121, 21}, {});
    Label19 = panelLabel(p, "Label19", 8, 72, "Info", 13);
    Edit5 = makeEdit(p, "Edit5", {72, 72, 121, 21}, {});
    Label25 = panelLabel(p, "Label25", 8, 96, "Formula", 13);
    Edit4 = makeEdit(p, "Edit4", {72, 96, 121, 21}, {});
    noTabStop(Edit4);
    Label23 = panelLabel(p, "Label23", 472, 24, "No of labels", 13);
    Label24 = panelLabel(p, "Label24", 560, 24, "0", kLabelCountPixels);
    CheckBox1 = makeCheckBox(p, "CheckBox1", {472, 50, 105, 17}, "Info = formula");
    CheckBox1->setFont(pixelFont("Arial", 13, true));
    setColours(CheckBox1, kGrey, Qt::white);
    CheckBox1->setChecked(true);
    noTabStop(CheckBox1);
}

void MainForm::createAppearanceControls() {
    QWidget* p = Panel3;
    Label2 = panelLabel(p, "Label2", 208, 8, "X correction:", 11);
    Label1 = panelLabel(p, "Label1", 288, 8, "Y correction:", 11);
    auto spin = [p](const char* name, int x, int y) {
        auto* field = place(new SpinField(p), name, {x, y, 65, 22});
        noTabStop(field);
        return field;
    };
    SpinEdit4 = spin("SpinEdit4", 216, 24);
    SpinEdit5 = spin("SpinEdit5", 216, 48);
    SpinEdit6 = spin("SpinEdit6", 216, 72);
    SpinEdit1 = spin("SpinEdit1", 296, 24);
    SpinEdit2 = spin("SpinEdit2", 296, 48);
    SpinEdit3 = spin("SpinEdit3", 296, 72);
    Button5 = makeButton(p, "Button5", {376, 24, 89, 17}, "Pick font");
    Button4 = makeButton(p, "Button4", {376, 48, 89, 17}, "Pick font");
    Button3 = makeButton(p, "Button3", {376, 72, 89, 17}, "Pick font");

    // The group frame only frames the radio buttons; they are its siblings and lie in front.
    // They reach to just inside the frame's right edge, so that "Complete" is not cut off.
    constexpr int kRadioWidth = 72;
    RadioGroup1 = place(new QGroupBox("Label image", p), "RadioGroup1", {424, 164, 81, 85});
    RadioGroup1->setFocusPolicy(Qt::NoFocus);
    RadioButton1 = makeRadioButton(p, "RadioButton1", {432, 180, kRadioWidth, 17}, "Complete");
    RadioButton2 = makeRadioButton(p, "RadioButton2", {432, 196, kRadioWidth, 17}, "Reduced");
    RadioButton3 = makeRadioButton(p, "RadioButton3", {432, 212, kRadioWidth, 17}, "Clean");
    RadioButton4 = makeRadioButton(p, "RadioButton4", {432, 228, kRadioWidth, 17}, "Custom");
    RadioButton1->setChecked(true);
    // Only the selected radio button is a tab stop.
    for (QRadioButton* r : {RadioButton1, RadioButton2, RadioButton3, RadioButton4}) {
        r->setFocusPolicy(r->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
        connect(r, &QRadioButton::toggled, r,
                [r](bool on) { r->setFocusPolicy(on ? Qt::StrongFocus : Qt::ClickFocus); });
    }

    Label3 = panelLabel(p, "Label3", 424, 256, "Preview", 13);
    accimage = place(new ImageBox(p), "accimage", {432, 275, 137, 65});
}

void MainForm::createListControls() {
    QWidget* p = Panel3;
    Button6 = makeButton(p, "Button6", {16, 128, 105, 25}, "Add data to list");
    Button7 = makeButton(p, "Button7", {128, 128, 75, 25}, "Open list");
    Button8 = makeButton(p, "Button8", {208, 128, 75, 25}, "Save list");
    Button9 = makeButton(p, "Button9", {296, 128, 123, 25}, "Render and preview");
    RichEdit4 = richEdit(p, "RichEdit4", {16, 160, 393, 249}, false);
    RichEdit4->lines().setLineLimit(kMaxListLines);
    for (FileDialog* dialog : {&OpenDialog1, &SaveDialog1}) {
        dialog->setNameFilters({kAllFilesFilter, kCsvFilter});
        dialog->setFolderKind(QStringLiteral("lists"));
    }
    SaveDialog1.setFilterSuffix(kCsvFilter, QStringLiteral("csv"));
    RichEdit4->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    RichEdit4->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    RichEdit4->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    noTabStop(RichEdit4);
}

void MainForm::createHiddenControls() {
    QWidget* p = Panel3;
    Label11 = makeLabel(p, "Label11", {680, 296}, "cachedword");
    lastlocality = makeLabel(p, "lastlocality", {688, 336}, kNoLocalityCompletion);
    Button2 = makeButton(p, "Button2", {448, 432, 185, 25}, "Complete mineral and get formula!");
    Button1 = makeButton(p, "Button1", {704, 344, 97, 25}, "Complete locality");
    for (QWidget* c : std::initializer_list<QWidget*>{Label11, lastlocality, Button2, Button1}) {
        c->hide();
        noTabStop(c);
    }
    Label11->setFocusPolicy(Qt::NoFocus);
    lastlocality->setFocusPolicy(Qt::NoFocus);
}

void MainForm::createAboutPanel() {
    QWidget* p = Panel2;
    Label6 =
        aboutLabel(p, "Label6", 1, 8, "The purpose is composing labels for mineral collections.");
    Label4 =
        aboutLabel(p, "Label4", 3, 32, "Minerals and formulas: the IMA list of mineral species,");
    Label5 = aboutLabel(p, "Label5", 5, 48, "from the RRUFF project's IMA database (2022-02-28):");
    Label10 = aboutLabel(p, "Label10", 13, 64, "https://rruff.info/ima/");
    Label12 =
        aboutLabel(p, "Label12", 5, 80, "scripts/make-athena.py rebuilds athena.txt from it.");
    Label7 = aboutLabel(p, "Label7", 8, 112, "Quillmar Mineral Label Studio was created in 2026");
    Label8 = aboutLabel(p, "Label8", 8, 128, "by the Quillmar developers, working as a team.");
    Label9 = aboutLabel(p, "Label9", 56, 160, "The Quillmar developers, December 2026");
    Label13 = aboutLabel(p, "Label13", 72, 176, "Contact: see the project's README");
    Button10 = makeButton(p, "Button10", {136, 208, 75, 25}, "Hide!");
}

void MainForm::createSplashPanel() {
    QWidget* p = Panel4;
    Shape14 = place(new Shape(p), "Shape14", {8, 8, 393, 105});
    Label30 = splashLabel(p, "Label30", 40, 32, "Quillmar Mineral Label Studio",
                          pixelFont("Arial", 21, true, true));
    Label31 = splashLabel(p, "Label31", 120, 56, "by the Quillmar developers",
                          pixelFont("Arial", 15, true, true));
    Label32 = splashLabel(p, "Label32", 128, 85, "Contact: see the project's README",
                          pixelFont("Arial", 12, true));
    Gauge1 = place(new Gauge(p), "Gauge1", {16, 104, 377, 5});
    Gauge1->setRange(0, 230);
    Gauge1->setProgress(0);
}

// Tab order: the visible tab stops of the main panel, then the window's later children, then
// around through the about panel's button when it shows.
void MainForm::setKeyboardOrder() {
    const QList<QWidget*> order{Button10,     Edit7,        Edit6,        Edit5,        Button3,
                                RadioButton1, RadioButton2, RadioButton3, RadioButton4, Button4,
                                Button5,      Button6,      Button7,      Button8,      Button9,
                                RichEdit1,    Button11,     Button12};
    for (int i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void MainForm::createTimers() {
    Timer1 = makeTimer(this, "Timer1", kSplashMs, true);
    Timer2 = makeTimer(this, "Timer2", kExitWaitMs, false);
    Timer3 = makeTimer(this, "Timer3", kGaugeStepMs, true);
    Timer4 = makeTimer(this, "Timer4", kDeferredLoadMs, true);
}

void MainForm::scaleTimeline(double scale) {
    const std::pair<QTimer*, int> timers[] = {{Timer1, kSplashMs},
                                              {Timer2, kExitWaitMs},
                                              {Timer3, kGaugeStepMs},
                                              {Timer4, kDeferredLoadMs}};
    for (const auto& [timer, ms] : timers)
        timer->setInterval(std::max(1, qRound(ms * scale)));
}

void MainForm::bindEvents() {
    bind(Timer1, &QTimer::timeout, &MainForm::Timer1Timer);
    bind(Timer2, &QTimer::timeout, &MainForm::Timer2Timer);
    bind(Timer3, &QTimer::timeout, &MainForm::Timer3Timer);
    bind(Timer4, &QTimer::timeout, &MainForm::Timer4Timer);
    bind(Loadsetting1, &QAction::triggered, &MainForm::Loadsetting1Click);
    bind(Savesettings1, &QAction::triggered, &MainForm::Savesettings1Click);
    bind(About1, &QAction::triggered, &MainForm::About1Click);
    bind(Exit1, &QAction::triggered, &MainForm::Exit1Click);
    bind(Button10, &QPushButton::clicked, &MainForm::Button10Click);
    bind(Button2, &QPushButton::clicked, &MainForm::Button2Click);
    bind(Button1, &QPushButton::clicked, &MainForm::Button1Click);
    bind(Button6, &QPushButton::clicked, &MainForm::Button6Click);
    bind(Edit4, &QLineEdit::textChanged, &MainForm::Edit4Change);
    bind(Button7, &QPushButton::clicked, &MainForm::Button7Click);
    bind(Button8, &QPushButton::clicked, &MainForm::Button8Click);
    bind(Button5, &QPushButton::clicked, &MainForm::Button5Click);
    bind(Button4, &QPushButton::clicked, &MainForm::Button4Click);
    bind(Button3, &QPushButton::clicked, &MainForm::Button3Click);
    bind(Button12, &QPushButton::clicked, &MainForm::Button12Click);
    bind(Button9, &QPushButton::clicked, &MainForm::Button9Click);
    bind(StartSlot1, &QAction::triggered, &MainForm::StartSlot1Click);
    bind(RenderSelected1, &QAction::triggered, &MainForm::RenderSelected1Click);
    bind(FillFormulas1, &QAction::triggered, &MainForm::FillFormulas1Click);
    // A radio button's handler runs only when its button becomes selected.
    const std::pair<QRadioButton*, void (MainForm::*)()> radios[] = {
        {RadioButton1, &MainForm::RadioButton1Click},
        {RadioButton2, &MainForm::RadioButton2Click},
        {RadioButton3, &MainForm::RadioButton3Click},
        {RadioButton4, &MainForm::RadioButton4Click}};
    for (const auto& [radio, handler] : radios) {
        connect(radio, &QRadioButton::toggled, this, [this, handler = handler](bool selected) {
            if (selected)
                guarded([&] { (this->*handler)(); }, this);
        });
    }
    Edit7->installEventFilter(this);
    Edit6->installEventFilter(this);
    // The counter follows the list, whoever changes it.
    connect(RichEdit4, &QPlainTextEdit::textChanged, this, &MainForm::showLabelCount);
    // A mineral marked as not found stays marked until its field changes.
    connect(Edit7, &QLineEdit::textChanged, this, [this] { showMineralMiss(false); });
}

// Key-down handlers see the key before the field does, and leave it to the field.
bool MainForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == RichEdit4 && undoKeyForList(event))
        return true;
    if (event->type() == QEvent::KeyPress && (watched == Edit7 || watched == Edit6)) {
        const auto* press = static_cast<QKeyEvent*>(event);
        guarded(
            [&] {
                if (watched == Edit7)
                    Edit7KeyDown(press->key(), press->modifiers());
                else
                    Edit6KeyDown(press->key(), press->modifiers());
            },
            this);
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainForm::Timer1Timer() {
    Timer1->stop();
    Timer3->stop();
    Gauge1->hide();
    Panel4->hide();
}

void MainForm::Timer2Timer() {
    close();
}

void MainForm::Timer3Timer() {
    Gauge1->setProgress(Gauge1->progress() + 1);
}

// The deferred load. A failing step ends it there and leaves Timer4 running, so the load is
// tried again on later ticks; a failure is reported once, and never while a message box of
// ours is still open.
//
// A step that succeeded is not run again on a retry, and no step undoes what the user did in
// the meantime: a store that a lookup or "Add data to list" has filled is not reloaded, a
// locality font the user picked stays, and the label background becomes the stock picture
// of the selected radio button (none when "Custom" is selected).
void MainForm::Timer4Timer() {
    if (MessageBox::isOpen())
        return;
    try {
        if (!m_loaded.cache) {
            if (localityCacheNeedsLoad(RichEdit2.text()))
                RichEdit2.loadFromFile(dataFilePath("cachedloc.txt"));
            m_loaded.cache = true;
        }
        if (!m_loaded.database) {
            if (mineralStoreNeedsLoad(RichEdit3.text()))
                RichEdit3.loadFromFile(dataFilePath("athena.txt"));
            m_loaded.database = true;
        }
        if (!m_loaded.localityFont) {
            if (!m_localityFontPicked)
                FontDialog3.setFont(FontDialog1.font());
            m_loaded.localityFont = true;
        }
        const std::pair<ImageBox*, const char*> stock[] = {{Image3, "labelcomplete.bmp"},
                                                           {Image2, "labelclean.bmp"},
                                                           {Image1, "labelreduced.bmp"}};
        for (std::size_t i = 0; i < std::size(stock); ++i) {
            if (m_loaded.backgrounds[i])
                continue;
            loadStockBackground(stock[i].first, stock[i].second);
            m_loaded.backgrounds[i] = true;
        }
        if (RadioButton1->isChecked())
            useBackground(Image3);
        else if (RadioButton2->isChecked())
            useBackground(Image1);
        else if (RadioButton3->isChecked())
            useBackground(Image2);
        Timer4->stop();
        m_lastLoadFailure.clear();
        if (!m_startSettings.isEmpty()) {
            const QString path = std::exchange(m_startSettings, QString());
            applySettingsFile(path);
        }
    } catch (const Error& failure) {
        if (failure.what() == m_lastLoadFailure)
            return;
        m_lastLoadFailure = failure.what();
        throw;
    }
}

// A stock background is looked up in the current folder first and then in the data folder,
// so the program finds its own backgrounds when started from elsewhere. One found in
// neither is reported by its bare name.
void MainForm::loadStockBackground(ImageBox* image, const char* fileName) {
    QString path = QString::fromLatin1(fileName);
    const QString besideProgram = QString::fromStdString(dataFilePath(fileName));
    if (!QFileInfo::exists(path) && QFileInfo::exists(besideProgram))
        path = besideProgram;
    image->setPicture(Picture::fromFile(path));
}

LabelFont MainForm::designLocalityFont() {
    LabelFont font = LabelFont::regular("MS Sans Serif", 11);
    font.charset = LabelFont::kDefaultCharset;
    return font;
}

// Enter in the mineral field completes the name and fetches the formula.
void MainForm::Edit7KeyDown(int key, Qt::KeyboardModifiers) {
    if (!isEnter(key))
        return;
    // Pressing the hidden button: a failing lookup ends the key handler too.
    Button2Click();
    if (!Label11->text().isEmpty()) {
        Edit7->setText(Label11->text());
        m_formulaOwner = Edit7->text();
        m_foundFormula = Edit4->text();
    } else {
        // A formula the last lookup put there, for another name, would go onto this label
        // (and into the info row with "Info = formula"): it empties. What the user typed
        // stays: a formula or info edited by hand, and the formula while the field still
        // shows the name it was found for (a completion that drops a space finds nothing on
        // a second Enter).
        if (Edit7->text() != m_formulaOwner && !m_foundFormula.isEmpty() &&
            Edit4->text() == m_foundFormula) {
            const QString info = Edit5->text();
            Edit4->clear();
            if (info != m_foundFormula)
                Edit5->setText(info);
        }
        showMineralMiss(true);
    }
}

// A name the database does not hold: the mineral field keeps the typed text, its frame turns
// red and its tip says why, until the field changes.
// The tip names the species meant when the name is a near miss or a group.
void MainForm::showMineralMiss(bool miss) {
    const QString tip = miss ? mineralMissTip(kNotInDatabase) : QString();
    if (miss != m_mineralMiss) {
        m_mineralMiss = miss;
        Edit7->setStyleSheet(miss ? QStringLiteral("QLineEdit { border: 2px solid red; }")
                                  : QString());
    }
    Edit7->setStatusTip(tip);
    Edit7->setToolTip(tip);
    if (miss && Edit7->isVisible())
        QToolTip::showText(Edit7->mapToGlobal(QPoint(0, Edit7->height())), tip, Edit7);
    else if (!miss && QToolTip::isVisible() && QToolTip::text().startsWith(kNotInDatabase))
        QToolTip::hideText();
}

// The mineral lookup: the name goes to Label11, the formula to the formula field.
void MainForm::Button2Click() {
    if (mineralStoreNeedsLoad(RichEdit3.text()))
        RichEdit3.loadFromFile(dataFilePath("athena.txt"));
    const MineralLookupResult result =
        lookupMineral(RichEdit3.text(), fromQString(Edit7->text()), KeepFinalE1->isChecked());
    Label11->setText(toQString(result.name));
    if (result.found)
        setFieldText(Edit4, result.formula);
}

// Enter in the locality field completes it from the cache.
void MainForm::Edit6KeyDown(int key, Qt::KeyboardModifiers) {
    if (!isEnter(key))
        return;
    Button1Click();
    if (const auto text =
            localityFieldAfterEnter(fromQString(lastlocality->text()), kNoLocalityCompletion))
        setFieldText(Edit6, *text);
}

void MainForm::Button1Click() {
    if (localityCacheNeedsLoad(RichEdit2.text()))
        RichEdit2.loadFromFile(dataFilePath("cachedloc.txt"));
    // A typed locality that nothing in the cache starts with empties the caption, as a failed
    // mineral lookup empties Label11: Enter then leaves the typed text in the field instead of
    // bringing back an earlier completion.
    const LocalityCompletion completion =
        completeLocality(RichEdit2.text(), fromQString(Edit6->text()), fromQString(Edit1->text()));
    lastlocality->setText(toQString(completion.completion));
}

// "Add data to list": count, append the record, remember a new locality.
void MainForm::Button6Click() {
    const std::string record = makeLabelRecord(
        fromQString(Edit7->text()), fromQString(Edit6->text()), fromQString(Edit5->text()));
    if (m_replacing >= 0) {
        // The record taken into the fields is replaced where it stands now, even if lines
        // before it went or came meanwhile; gone altogether, the record is added instead.
        const std::vector<std::string_view> lines = storedLines(RichEdit4->lines().text());
        int at =
            m_replacing < int(lines.size()) && lines[std::size_t(m_replacing)] == m_replacedRecord
                ? m_replacing
                : -1;
        for (std::size_t i = 0; at < 0 && i < lines.size(); ++i)
            if (lines[i] == m_replacedRecord)
                at = int(i);
        CancelReplaceClick();
        if (at >= 0)
            editList(replaceRecord(RichEdit4->lines().text(), at, record));
        else
            editList(RichEdit4->lines().text() + record + "\r\n");
    } else {
        m_listHistory.push(RichEdit4->lines().add(record));
        updateRecordCommands();
    }
    // The cache is read before it can be rewritten: an Add before the start-up load has read
    // it would otherwise replace every cached locality with this one. A cache file that is not
    // there yet is started afresh; one that cannot be read is reported and left alone.
    const std::string cacheFile = dataFilePath("cachedloc.txt");
    if (!m_loaded.cache && localityCacheNeedsLoad(RichEdit2.text()) &&
        QFileInfo::exists(QString::fromStdString(cacheFile))) {
        RichEdit2.loadFromFile(cacheFile);
        m_loaded.cache = true;
    }
    const LocalityCacheUpdate update =
        localityCacheUpdate(RichEdit2.text(), fromQString(Edit6->text()));
    if (update.addAndSave) {
        RichEdit2.add(update.line);
        saveLocalityCache();
    }
}

void MainForm::saveLocalityCache() {
    RichEdit2.saveToFile(dataFileWritePath("cachedloc.txt"));
}

// "Info = formula": the info field follows the formula field while the box is ticked.
void MainForm::Edit4Change() {
    if (const auto info =
            infoAfterFormulaChange(CheckBox1->isChecked(), fromQString(Edit4->text())))
        setFieldText(Edit5, *info);
}

void MainForm::About1Click() {
    Panel2->show();
}

void MainForm::Button10Click() {
    Panel2->hide();
}

// "Exit" first offers to save a list with unsaved lines (Cancel, or a cancelled save, keeps
// the program running), then shows the splash again and closes the window once Timer2
// ticks; a second "Exit" leaves the running wait alone.
void MainForm::Exit1Click() {
    if (Timer2->isActive())
        return;
    if (!listMayBeLeft())
        return;
    m_leaving = true;
    Panel4->show();
    Timer2->start();
}

// The close box asks as "Exit" does (unless "Exit" already asked). Closing the main window
// closes every open preview and ends the program.
void MainForm::closeEvent(QCloseEvent* event) {
    bool leave = m_leaving;
    if (!leave)
        guarded([&] { leave = listMayBeLeft(); }, this);
    if (!leave) {
        event->ignore();
        return;
    }
    m_leaving = true;
    Timer2->stop();
    event->accept();
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* preview = qobject_cast<PreviewWindow*>(window))
            preview->close();
    }
    QCoreApplication::exit(0);
}

// The list holds lines added or typed since it was last opened or saved.
bool MainForm::listHasUnsavedLines() const {
    const LineStore& list = RichEdit4->lines();
    return list.count() > 0 && list.text() != m_listAsLastSaved;
}

// Asks "Save the label list?" when lines would be lost; true when the program may end.
bool MainForm::listMayBeLeft() {
    if (!listHasUnsavedLines())
        return true;
    switch (MessageBox::question(this, kApplicationTitle, QStringLiteral("Save the label list?"),
                                 true)) {
    case MessageBox::Answer::Yes:
        return saveList();
    case MessageBox::Answer::No:
        return true;
    case MessageBox::Answer::Cancel:
        break;
    }
    return false;
}

// A list file chosen with the CSV filter or named .csv is a spreadsheet's list.
bool MainForm::chosenAsCsv(const FileDialog& dialog) {
    return dialog.selectedNameFilter() == kCsvFilter ||
           csv::isCsvPath(dialog.fileName().toStdString());
}

// "Open list": the chosen file replaces the whole list; a CSV file gives one record per row.
void MainForm::Button7Click() {
    if (!OpenDialog1.execute(this))
        return;
    const std::string path = OpenDialog1.fileName().toStdString();
    if (chosenAsCsv(OpenDialog1))
        RichEdit4->lines().loadCsvFile(path);
    else
        RichEdit4->lines().loadFromFile(path);
    // An opened list starts a history of its own.
    m_listHistory.clear();
    CancelReplaceClick();
    updateRecordCommands();
    m_listFile = QFileInfo(OpenDialog1.fileName()).fileName();
    m_listAsLastSaved = RichEdit4->lines().text();
}

// "Save list": the list as a Rich Text Format document, at the path exactly as chosen, or as
// CSV when chosen so (a name without extension then takes .csv); an existing file is
// replaced only when the user confirms.
void MainForm::Button8Click() {
    saveList();
}

bool MainForm::saveList() {
    if (!SaveDialog1.execute(this))
        return false;
    const std::string path = SaveDialog1.fileName().toStdString();
    if (chosenAsCsv(SaveDialog1))
        RichEdit4->lines().saveCsvFile(path);
    else
        RichEdit4->lines().saveToFile(path);
    m_listFile = QFileInfo(SaveDialog1.fileName()).fileName();
    m_listAsLastSaved = RichEdit4->lines().text();
    return true;
}

// "No of labels": the number of records (stored lines) in the list.
// A count too wide for the room between its place and the panel's edge (a list of
// thousands) is drawn smaller rather than cut off.
void MainForm::showLabelCount() {
    const QString count = QString::number(RichEdit4->lines().count());
    const int room = Panel3->contentsRect().right() + 1 - Label24->x();
    int pixels = kLabelCountPixels;
    QFont font = pixelFont("Arial", pixels, true);
    while (pixels > kSmallestLabelCountPixels && QFontMetrics(font).horizontalAdvance(count) > room)
        font.setPixelSize(--pixels);
    Label24->setFont(font);
    Label24->setText(count);
    Label24->adjustSize();
    // On the caption's baseline, whatever its size.
    Label24->move(Label24->x(),
                  Label23->y() + Label23->fontMetrics().ascent() - Label24->fontMetrics().ascent());
}

// "Pick font", one per row; the dialog's result needs no handling, but a locality font the
// user picked is kept by the deferred load.
void MainForm::Button5Click() {
    FontDialog1.execute(this);
}
void MainForm::Button4Click() {
    if (FontDialog3.execute(this))
        m_localityFontPicked = true;
}
void MainForm::Button3Click() {
    FontDialog2.execute(this);
}

// Stock backgrounds: the label background becomes a copy of the stock picture.
void MainForm::useBackground(ImageBox* stock) {
    accimage->setPicture(stock->picture());
}
void MainForm::RadioButton1Click() {
    useBackground(Image3);
}
void MainForm::RadioButton2Click() {
    useBackground(Image1);
}
void MainForm::RadioButton3Click() {
    useBackground(Image2);
}

// "Custom": a picture file of the user's; Cancel keeps the background it had.
void MainForm::RadioButton4Click() {
    if (!OpenPictureDialog1.execute(this))
        return;
    Picture picture = accimage->picture();
    picture.loadFromFile(OpenPictureDialog1.fileName());
    accimage->setPicture(picture);
}

// "Save settings...": two lines, each the mineral font's face name.
void MainForm::Button12Click() {
    const std::string face = fromQString(FontDialog1.font().face);
    RichEdit1->lines().add(face);
    RichEdit1->lines().add(face);
}

// What the appearance controls hold at this moment: background, fonts, corrections.
LabelAppearance MainForm::appearance() const {
    LabelAppearance look;
    look.background = accimage->picture();
    look.mineralFont = FontDialog1.font();
    look.localityFont = FontDialog3.font();
    look.infoFont = FontDialog2.font();
    look.corrections = {SpinEdit4->value(), SpinEdit1->value(), SpinEdit5->value(),
                        SpinEdit2->value(), SpinEdit6->value(), SpinEdit3->value()};
    const QScreen* screen = QGuiApplication::primaryScreen();
    look.pixelsPerInch = screen ? qRound(screen->logicalDotsPerInchY()) : 96;
    look.blankSize = rendered->size();
    look.fitLongRows = FitLongRows1->isChecked();
    return look;
}

void MainForm::ComposeLabel() {
    rendered->setPicture(accimage->picture());
    const LabelAppearance look = appearance();

    const ComposedLabel label = composeRecordLabel(
        {fromQString(Edit1->text()), fromQString(Edit2->text()), fromQString(Edit3->text())}, look);
    rendered->setPicture(label.picture);
    Edit3->setText(toQString(label.info));
}

// "Render and preview": stamps the sheet with the time and date, composes a label for every
// stored line of the list, lays them out fifteen to a page from the start slot on and
// previews the pages, returning once the preview has closed.
void MainForm::Button9Click() {
    renderAndPreview(labelListRecords(RichEdit4->lines().text()));
}

// "Start at slot...": the slot of page 1 that the first label of the next renders goes
// into, for a partly used sheet. Cancel, or a number that is no slot, changes nothing.
void MainForm::StartSlot1Click() {
    const std::optional<int> slot =
        NumberDialog::ask(this, {QStringLiteral("Start at slot"),
                                 QStringLiteral("Slot of the first label on the sheet (%1 to %2):")
                                     .arg(kFirstStartSlot)
                                     .arg(kLastStartSlot),
                                 m_startSlot, kFirstStartSlot, kLastStartSlot});
    if (!slot || !isStartSlot(*slot))
        return;
    m_startSlot = *slot;
    showStartSlot();
}

// The Render button says where the labels start while it is not the first slot.
void MainForm::showStartSlot() {
    const QString tip = m_startSlot == kFirstStartSlot
                            ? QString()
                            : QStringLiteral("Starts at slot %1").arg(m_startSlot);
    Button9->setToolTip(tip);
    Button9->setStatusTip(tip);
}

// "Render selected lines": as "Render and preview", with only the records (stored lines)
// the selection in the list touches, in list order.
void MainForm::RenderSelected1Click() {
    const std::vector<LabelRecord> records = labelListRecords(RichEdit4->lines().text());
    const RecordRange lines = selectedRecords();
    if (!RichEdit4->textCursor().hasSelection() || lines.empty() ||
        lines.first >= int(records.size())) {
        MessageBox::information(this, kApplicationTitle,
                                QStringLiteral("No lines of the list are selected: select the "
                                               "labels to render in the list first."));
        return;
    }
    const int last = std::min(lines.last, int(records.size()) - 1);
    renderAndPreview(
        std::vector<LabelRecord>(records.begin() + lines.first, records.begin() + last + 1));
}

// The run itself is shared with the command-line program; the window shows the fields and
// label of each label the run composes before the preview (page 1's, then the last record's,
// which stays). The other labels are composed as their pages are recorded behind page 1, so
// the preview's progress panel is a long list's progress; the progress dialog here, with its
// Cancel, covers placing the labels and shows only when that takes long.
void MainForm::renderAndPreview(const std::vector<LabelRecord>& records) {
    // What a cancelled run puts back: the window as it was before the click.
    const QString caption = SheetReport->dateLineCaption();
    const QString fields[] = {Edit1->text(), Edit2->text(), Edit3->text()};
    const Picture label = rendered->picture();

    SheetReport->setDateLineCaption(sheetDateLine(QDateTime::currentDateTime()));
    const LabelAppearance look = appearance();

    // The progress dialog (for a long list) goes before the preview opens.
    auto progress = std::make_unique<WorkProgress>(this, QStringLiteral("Rendering labels..."));
    SheetRunObserver shown;
    shown.beforeLabel = [this](const LabelRecord& record) {
        Edit1->setText(toQString(record.mineral));
        Edit2->setText(toQString(record.locality));
        Edit3->setText(toQString(record.info));
        rendered->setPicture(accimage->picture());
    };
    shown.afterLabel = [this](const ComposedLabel& label) {
        rendered->setPicture(label.picture);
        Edit3->setText(toQString(label.info));
    };
    shown.keepGoing = [&progress](int done, int total) {
        return progress->step(done, total);
    };
    try {
        fillSheet(*SheetReport, records, look, m_startSlot, shown);
    } catch (const SheetRunCancelled&) {
        SheetReport->setDateLineCaption(caption);
        Edit1->setText(fields[0]);
        Edit2->setText(fields[1]);
        Edit3->setText(fields[2]);
        rendered->setPicture(label);
        return;
    }
    progress.reset();
    SheetReport->previewer().settings().jobSource = m_listFile;
    const QString note = missingFormulasNote(records);
    const QMetaObject::Connection noting =
        connect(&SheetReport->previewer(), &ReportPreview::previewOpened, this,
                [note](PreviewWindow* window) {
                    if (window)
                        window->setNote(note);
                });
    SheetReport->preview();
    disconnect(noting);
}

void MainForm::openReportFile(const QString& path) {
    guarded([&] { SheetReport->previewer().previewFile(path); }, this);
}

} // namespace qlx
