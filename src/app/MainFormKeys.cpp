// The window by keyboard and screen reader: menu mnemonics and shortcuts, the keys that reach
// the panes Tab does not, Enter on buttons, Esc, the names a screen reader speaks, the
// "Custom" background chosen without a surprise dialog, and a window placed on its screen.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QShortcut>
#include <QToolButton>
#include <QWindow>

#include "app/MainForm.h"
#include "pictures/Picture.h"
#include "render/SheetRun.h"
#include "stores/Error.h"
#include "widgets/ErrorHandler.h"
#include "widgets/Gauge.h"
#include "widgets/ImageBox.h"
#include "widgets/RichEditBox.h"
#include "widgets/ScreenPlace.h"
#include "widgets/SpinField.h"

namespace qlx {

namespace {

const QKeySequence kRenderKey(Qt::CTRL | Qt::Key_R);

// "Open list (Ctrl+O)": a command's text with its key, as tool tips show it.
QString withKey(const QString& text, const QKeySequence& keys) {
    return QStringLiteral("%1 (%2)").arg(text, keys.toString(QKeySequence::NativeText));
}

} // namespace

QString MainForm::renderButtonTip(const QString& startSlotTip) {
    const QString tip = withKey(QStringLiteral("Render and preview"), kRenderKey);
    return startSlotTip.isEmpty() ? tip : tip + QLatin1Char('\n') + startSlotTip;
}

void MainForm::setUpKeyboard() {
    // Mnemonics on the menu bar: L, S, H, O, A, X (F is left for a File menu).
    m_loadSettingsAction->setText(QStringLiteral("&Load settings"));
    m_saveSettingsAction->setText(QStringLiteral("&Save settings"));
    m_sheetMenu->setTitle(QStringLiteral("S&heet"));
    m_optionsMenu->setTitle(QStringLiteral("&Options"));
    m_aboutAction->setText(QStringLiteral("&About"));
    m_exitAction->setText(QStringLiteral("E&xit"));
    m_startSlotAction->setText(QStringLiteral("&Start at slot..."));
    m_renderSelectedAction->setText(QStringLiteral("&Render selected lines"));
    m_fillFormulasAction->setText(QStringLiteral("&Fill formulas from the database"));
    m_renderSelectedAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R));
    m_keepFinalE->setText(QStringLiteral("&Keep the final E of names"));
    m_fitLongRows->setText(QStringLiteral("Fit &long rows"));
    m_aboutAction->setShortcut(QKeySequence(Qt::Key_F1));
    m_exitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    for (QAction* a : {m_loadSettingsAction, m_saveSettingsAction, m_aboutAction, m_exitAction}) {
        const QString plain = QString(a->text()).remove(QLatin1Char('&'));
        a->setToolTip(a->shortcut().isEmpty() ? plain : withKey(plain, a->shortcut()));
        a->setStatusTip(a->toolTip());
    }

    // F10 opens the menu bar, as on the desktop.
    auto* menuKey = new QShortcut(QKeySequence(Qt::Key_F10), this);
    menuKey->setObjectName("MenuBarKey");
    connect(menuKey, &QShortcut::activated, this, [this] {
        menuBar()->setFocus(Qt::ShortcutFocusReason);
        menuBar()->setActiveAction(menuBar()->actions().constFirst());
    });

    // The list commands have buttons; these give them their desktop keys.
    const auto command = [this](const char* name, const QKeySequence& keys, QPushButton* button) {
        auto* a = new QAction(QString(button->text()).remove(QLatin1Char('&')), this);
        a->setObjectName(name);
        a->setShortcut(keys);
        a->setShortcutContext(Qt::WindowShortcut);
        connect(a, &QAction::triggered, button, &QPushButton::click);
        addAction(a);
        button->setToolTip(withKey(a->text(), keys));
    };
    command("OpenListKey", QKeySequence(Qt::CTRL | Qt::Key_O), m_openListButton);
    command("SaveListKey", QKeySequence(Qt::CTRL | Qt::Key_S), m_saveListButton);
    command("RenderKey", kRenderKey, m_renderButton);
    m_renderButton->setToolTip(renderButtonTip(QString()));

    // F6 and Shift+F6 go round the panes: the entry fields, the corrections, the label list.
    auto* nextPane = new QShortcut(QKeySequence(Qt::Key_F6), this);
    nextPane->setObjectName("NextPaneKey");
    connect(nextPane, &QShortcut::activated, this, [this] { cyclePane(+1); });
    auto* previousPane = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F6), this);
    previousPane->setObjectName("PreviousPaneKey");
    connect(previousPane, &QShortcut::activated, this, [this] { cyclePane(-1); });

    // Enter on a focused button clicks it, as Space does.
    for (QPushButton* b : m_client->findChildren<QPushButton*>())
        b->installEventFilter(this);
    // Enter or Space on "Custom" chooses a picture; the arrows move without a dialog.
    for (QRadioButton* r : {m_completeChoice, m_reducedChoice, m_cleanChoice, m_customChoice})
        r->installEventFilter(this);
    m_customChoice->setToolTip(QStringLiteral("Enter or Space: Choose picture..."));
}

// The panes in F6's order, each by the control that takes the focus in it.
QList<QList<QWidget*>> MainForm::panes() const {
    return {{m_mineralField, m_localityField, m_infoField, m_formulaField, m_infoIsFormula},
            {m_mineralX, m_localityX, m_infoX, m_mineralY, m_localityY, m_infoY},
            {m_labelList}};
}

void MainForm::cyclePane(int direction) {
    const QList<QList<QWidget*>> all = panes();
    const QWidget* focus = QApplication::focusWidget();
    int at = -1;
    for (int i = 0; i < all.size() && at < 0; ++i)
        if (all[i].contains(focus))
            at = i;
    int next;
    if (at < 0)
        next = direction > 0 ? 0 : int(all.size()) - 1;
    else
        next = (at + direction + int(all.size())) % int(all.size());
    all[next].constFirst()->setFocus(Qt::TabFocusReason);
}

// Esc: the about panel goes first; otherwise a replace in progress is cancelled.
void MainForm::onEscape() {
    if (!m_aboutPanel->isHidden()) {
        onHideAbout();
        return;
    }
    onCancelReplace();
}

// Keys on the buttons and the background choices (called from eventFilter). True when the
// key was taken.
bool MainForm::keyForControl(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (auto* radio = qobject_cast<QRadioButton*>(watched)) {
        if (event->type() == QEvent::KeyPress && plain && !key->isAutoRepeat()) {
            const QList<QRadioButton*> order{m_completeChoice, m_reducedChoice, m_cleanChoice,
                                             m_customChoice};
            int step = 0;
            if (key->key() == Qt::Key_Down || key->key() == Qt::Key_Right)
                step = 1;
            else if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Left)
                step = -1;
            if (step != 0) {
                // The arrows select the next background; onto "Custom" they only move there.
                QRadioButton* to =
                    order[(order.indexOf(radio) + step + order.size()) % order.size()];
                to->setFocus(Qt::TabFocusReason);
                QScopedValueRollback quiet(m_customByArrow, true);
                to->setChecked(true);
                return true;
            }
        }
        if (radio == m_customChoice && plain && (enter || key->key() == Qt::Key_Space)) {
            if (event->type() == QEvent::KeyPress && !key->isAutoRepeat())
                guarded([&] { choosePicture(); }, this);
            return true;
        }
        return false;
    }
    if (auto* button = qobject_cast<QPushButton*>(watched); button && enter && plain) {
        if (event->type() == QEvent::KeyPress && !key->isAutoRepeat() && button->isEnabled())
            button->click();
        return true;
    }
    return false;
}

// "Choose picture...": the picture dialog for "Custom". OK loads the file into the label
// background; Cancel, or a file that does not load, leaves the background that was chosen
// before checked, with its thumbnail.
void MainForm::choosePicture() {
    QRadioButton* before = m_backgroundBeforeCustom;
    const auto goBack = [&] {
        if (m_customPicture || before == nullptr || before == m_customChoice)
            return;
        QScopedValueRollback quiet(m_customByArrow, true);
        before->setChecked(true);
        before->setFocus(Qt::OtherFocusReason);
    };
    if (!m_customChoice->isChecked()) {
        QScopedValueRollback quiet(m_customByArrow, true);
        m_customChoice->setChecked(true);
    }
    if (!m_pictureDialog.execute(this)) {
        goBack();
        return;
    }
    Picture picture = m_background->picture();
    const QString path = m_pictureDialog.fileName();
    try {
        picture.loadFromFile(path);
        // Drawn once now as Render draws it: a picture too costly to draw is refused here, by
        // name, and the background stays as it was.
        try {
            picture.toDrawableBitmap(kMaxLabelPixels);
        } catch (const Error& failure) {
            throw Error(path.toStdString() + ": " + failure.what());
        }
    } catch (...) {
        goBack();
        throw;
    }
    m_background->setPicture(picture);
    m_customPicture = true;
}

// Names and descriptions in the window's own words, for screen readers. Buttons, radio
// buttons, the check box and the group frame speak their captions.
void MainForm::nameControlsForReaders() {
    const auto name = [](QWidget* w, const QString& text, const QString& description = {}) {
        w->setAccessibleName(text);
        if (!description.isEmpty())
            w->setAccessibleDescription(description);
    };
    name(m_mineralField, "Mineral", "Enter completes the name and fills in its formula");
    name(m_localityField, "Locality", "Enter completes the locality from those used before");
    name(m_infoField, "Info", "The third row of the label");
    name(m_formulaField, "Formula");
    name(m_infoIsFormula, "Info = formula", "While ticked, the info field repeats the formula");
    const struct {
        SpinField* field;
        const char* text;
    } corrections[] = {
        {m_mineralX, "Mineral X correction"},   {m_mineralY, "Mineral Y correction"},
        {m_localityX, "Locality X correction"}, {m_localityY, "Locality Y correction"},
        {m_infoX, "Info X correction"},         {m_infoY, "Info Y correction"}};
    for (const auto& [field, text] : corrections) {
        const QString spoken = QString::fromLatin1(text);
        name(field, spoken, "Pixels of the label; Up and Down step by one");
        name(field->upButton(), QStringLiteral("Increase ") + spoken.toLower());
        name(field->downButton(), QStringLiteral("Decrease ") + spoken.toLower());
    }
    name(m_mineralFontButton, "Pick font for the mineral row");
    name(m_localityFontButton, "Pick font for the locality row");
    name(m_infoFontButton, "Pick font for the info row");
    // Buttons speak their captions ("Add data to list" becomes "Replace in list").
    m_addButton->setAccessibleDescription(QStringLiteral("Adds the three fields to the list"));
    for (QPushButton* b : {m_openListButton, m_saveListButton, m_renderButton})
        b->setAccessibleDescription(b->toolTip());
    name(m_customChoice, "Custom", "Enter or Space: Choose picture...");
    name(m_background, "Preview", "The label background");
    name(m_labelCount, "No of labels: 0");
    name(m_splashGauge, "Start-up progress");
    name(m_labelList, "Label list, 0 records",
         "F2 edits a record in the fields; Ctrl+Shift+D duplicates, Alt+Up and Alt+Down move, "
         "Ctrl+Shift+Delete deletes");
}

// The list's spoken name and the counter's follow the number of records.
void MainForm::nameLabelCount(int records) {
    m_labelList->setAccessibleName(records == 1
                                       ? QStringLiteral("Label list, 1 record")
                                       : QStringLiteral("Label list, %1 records").arg(records));
    m_labelCount->setAccessibleName(QStringLiteral("No of labels: %1").arg(records));
}

// The window's designed place, moved inside the screen's available area when it would lie
// partly off it (a small or scaled screen); it stays movable by the window system.
void MainForm::placeOnScreen() {
    const QScreen* screen = this->screen();
    if (screen == nullptr)
        return;
    QSize outer = frameGeometry().size();
    if (outer == geometry().size() && windowHandle() != nullptr) {
        const QMargins frame = windowHandle()->frameMargins();
        outer += QSize(frame.left() + frame.right(), frame.top() + frame.bottom());
    }
    move(placeInside(kDesignedPlace, outer, screen->availableGeometry()));
}

} // namespace qlx
