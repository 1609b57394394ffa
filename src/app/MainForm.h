#pragma once

// The application. This folder holds the two programs and what only they need: qlxrender's
// entry point and its one window (MainForm, with its handlers for records, settings and the
// sheet menu), the label sheet with its preview and printing (SheetReport), the commands that
// qlxsheet runs from the command line (SheetCommands), and the signal handling that closes the
// window cleanly. Everything below it (render, sheet, preview, pagestore, metafile, widgets,
// pictures, stores) knows nothing of this folder.

#include <QMainWindow>
#include <QPoint>
#include <array>
#include <string>
#include <vector>

#include "stores/LabelList.h"
#include "stores/LabelListEdit.h"
#include "stores/LabelSettings.h"
#include "stores/LineStore.h"
#include "stores/MineralDatabase.h"
#include "widgets/FileDialog.h"
#include "widgets/FontDialog.h"
#include "widgets/PictureDialog.h"

class QAction;
class QMenu;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTextEdit;
class QTimer;

namespace qlx {

class Gauge;
class ImageBox;
class RichEditBox;
class SheetReport;
struct LabelAppearance;
class Shape;
class SpinField;

// The one window of the program, `Form1`. It owns every control for the whole run; the hidden
// controls hold the working data that one handler leaves for another. Members and handlers are
// named by their role; each control (widget, timer, menu action, the report) keeps its designer
// name as its object name, by which tests find it. The designer's numbers do not follow the
// rows (FontDialog1/2/3 are the mineral, info and locality fonts), so this table maps designer
// names to members, row by row as the window shows them; the parts that are not widgets keep
// no object name and are listed for the mapping only.
//
//   Designer name      Member                       Role
// Menu bar
//   Loadsetting1       m_loadSettingsAction         "Load settings": label settings from a file
//   Savesettings1      m_saveSettingsAction         "Save settings": label settings to a file
//   About1             m_aboutAction                "About": shows the about panel
//   Exit1              m_exitAction                 "Exit": shows the splash, then closes
//   Sheet1             m_sheetMenu                  the "Sheet" menu, before "About":
//     StartSlot1       m_startSlotAction            "Start at slot...": the first label's slot
//     RenderSelected1  m_renderSelectedAction       "Render selected lines": only those records
//     FillFormulas1    m_fillFormulasAction         "Fill formulas from the database"
//   File1              m_fileMenu                   the "File" menu, first in the bar:
//     OpenRecent1      m_recentMenu                 "Open recent": the last ten lists and reports
//   Options1           m_optionsMenu                the "Options" menu, before "About":
//     KeepFinalE1      m_keepFinalE                 "Keep the final E of names" (Calcite)
//     FitLongRows1     m_fitLongRows                "Fit long rows": shrink, then cut with "…"
// Main panel
//   Panel3             m_mainPanel                  the grey panel holding everything below
//   Label2, Label1     m_xHeading, m_yHeading       "X correction:", "Y correction:"
//   Label21, Edit7     m_mineralCaption, m_mineralField        "Mineral", the mineral field
//   SpinEdit4, 1       m_mineralX, m_mineralY       mineral X and Y correction
//   Button5            m_mineralFontButton          mineral "Pick font" (runs m_mineralFont)
//   Label23            m_labelCountCaption          "No of labels"
//   Label24            m_labelCount                 the count of records in the list
//   Label20, Edit6     m_localityCaption, m_localityField      "Locality", the locality field
//   SpinEdit5, 2       m_localityX, m_localityY     locality X and Y correction
//   Button4            m_localityFontButton         locality "Pick font" (runs m_localityFont)
//   CheckBox1          m_infoIsFormula              "Info = formula"
//   Label19, Edit5     m_infoCaption, m_infoField   "Info", the info field
//   SpinEdit6, 3       m_infoX, m_infoY             info X and Y correction
//   Button3            m_infoFontButton             info "Pick font" (runs m_infoFont)
//   Label25, Edit4     m_formulaCaption, m_formulaField        "Formula", the formula field
//   Button6            m_addButton                  "Add data to list" ("Replace in list")
//   Button7, Button8   m_openListButton, m_saveListButton      "Open list", "Save list"
//   Button9            m_renderButton               "Render and preview"
//   RichEdit4          m_labelList                  the label list, one record per line
//   RadioGroup1        m_backgroundFrame            the "Label image" frame
//   RadioButton1       m_completeChoice             "Complete" (m_completeStock, Image3)
//   RadioButton2       m_reducedChoice              "Reduced" (m_reducedStock, Image1)
//   RadioButton3       m_cleanChoice                "Clean" (m_cleanStock, Image2)
//   RadioButton4       m_customChoice               "Custom": a picture file of the user's
//   Label3, accimage   m_backgroundCaption, m_background       "Preview", the label background
// About panel
//   Panel2             m_aboutPanel                 hidden until "About"
//   Label6             m_aboutPurpose               what the program is for
//   Label4, 5, 10      m_aboutSource, m_aboutDatabase, m_aboutAddress: where the data come from
//   Label12            m_aboutRebuild               how athena.txt is rebuilt
//   Label7, 8          m_aboutCredit, m_aboutTeam   credit lines
//   Label9, 13         m_aboutSignature, m_aboutContact        signature, contact
//   Button10           m_hideAboutButton            "Hide!"
// Splash panel
//   Panel4             m_splashPanel                shown at start and on "Exit"
//   Shape14            m_splashFrame                its frame
//   Label30, 31, 32    m_splashTitle, m_splashCredit, m_splashContact: title, credit, contact
//   Gauge1             m_splashGauge                the start-up progress bar
// Hidden
//   Label11            m_foundMineral               last completed mineral name ("cachedword")
//   Button2            m_mineralLookupButton        the lookup, pressed by Enter in the field
//   lastlocality       m_foundLocality              last completed locality
//   Button1            m_localityCompletionButton   the completion, pressed by Enter in the field
//   Edit1, 2, 3        m_drawnMineral, m_drawnLocality, m_drawnInfo: the label drawn's lines
//   rendered           m_drawnLabel                 the label being drawn
// Beyond the client area
//   Image1             m_reducedStock               stock background "Reduced"
//   Image2             m_cleanStock                 stock background "Clean"
//   Image3             m_completeStock              stock background "Complete"
//   RichEdit1          m_settingsPad                the settings pad, never read
//   Button11           m_loadSettingsButton         "Load settings...": no action
//   Button12           m_saveSettingsButton         "Save settings...": the mineral font's face
//                                                   name, twice, into the settings pad
//   SheetReport        m_sheet                      the label sheet and its preview
// Not widgets
//   RichEdit3          m_mineralDatabase            mineral database store (athena.txt)
//   RichEdit2          m_localityCache              locality cache store (cachedloc.txt)
//   FontDialog1        m_mineralFont                the mineral row's font
//   FontDialog2        m_infoFont                   the info row's font
//   FontDialog3        m_localityFont               the locality row's font
//   OpenDialog1        m_openListDialog             the "Open list" file dialog
//   SaveDialog1        m_saveListDialog             the "Save list" file dialog
//   OpenPictureDialog1 m_pictureDialog              the "Custom" background's picture dialog
//   Timer1             m_splashTimer                end of the splash (2.5 s)
//   Timer2             m_exitTimer                  close after "Exit" (1.5 s)
//   Timer3             m_gaugeTimer                 splash progress (10 ms)
//   Timer4             m_loadTimer                  deferred load (200 ms)
//
// The controls themselves are private: tests reach widgets, timers, actions and the report by
// object name (the designer names above), and the stores and dialogs through the role
// accessors below.
class MainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit MainForm(QWidget* parent = nullptr);
    ~MainForm() override;

    // The client area below the menu bar.
    QWidget* clientArea() const { return m_client; }

    // Runs the timers (splash, deferred load, exit wait) at `scale` times their intervals,
    // restarting those that run; tests call it right after construction. The program keeps 1.
    void scaleTimeline(double scale);

    // The parts of the window that are not widgets, by their role (widgets, timers, actions and
    // the report are found by object name).
    LineStore& mineralDatabase() { return m_mineralDatabase; }
    LineStore& localityCache() { return m_localityCache; }
    FontDialog& mineralFontDialog() { return m_mineralFont; }
    FontDialog& infoFontDialog() { return m_infoFont; }
    FontDialog& localityFontDialog() { return m_localityFont; }
    FileDialog& openListDialog() { return m_openListDialog; }
    FileDialog& saveListDialog() { return m_saveListDialog; }
    OpenPictureDialog& pictureDialog() { return m_pictureDialog; }

    // Handlers, one per control and event, named by what the user did or what came due.
    // The splash has shown for 2.5 s: it goes.
    void onSplashEnd();
    // 1.5 s have passed since "Exit": the window closes.
    void onExitWaitEnd();
    // Every 10 ms of the splash: its gauge moves on.
    void onGaugeStep();
    // 200 ms after start, and again until it succeeds: the deferred load.
    void onDeferredLoad();
    // The user chose "About" in the menu.
    void onAbout();
    // The user clicked "Hide!" on the about panel.
    void onHideAbout();
    // The user chose "Exit" in the menu.
    void onExit();
    // The user pressed a key in the mineral field (Enter completes it).
    void onMineralKey(int key, Qt::KeyboardModifiers shift);
    // Enter in the mineral field pressed the hidden mineral lookup button.
    void onMineralLookup();
    // The user pressed a key in the locality field (Enter completes it).
    void onLocalityKey(int key, Qt::KeyboardModifiers shift);
    // Enter in the locality field pressed the hidden locality completion button.
    void onLocalityCompletion();
    // The user clicked "Add data to list".
    void onAddToList();
    // The formula field changed (the lookup filled it, or the user typed in it).
    void onFormulaChanged();
    // The user clicked "Open list".
    void onOpenList();
    // The user clicked "Save list".
    void onSaveList();
    // The user clicked the mineral row's "Pick font".
    void onPickMineralFont();
    // The user clicked the locality row's "Pick font".
    void onPickLocalityFont();
    // The user clicked the info row's "Pick font".
    void onPickInfoFont();
    // The user selected the "Complete" background.
    void onCompleteBackground();
    // The user selected the "Reduced" background.
    void onReducedBackground();
    // The user selected the "Clean" background.
    void onCleanBackground();
    // The user selected the "Custom" background.
    void onCustomBackground();
    // The user pressed the "Save settings..." button beyond the client area.
    void onSaveSettingsPad();
    // The user clicked "Render and preview".
    void onRenderAndPreview();
    // The user chose "Start at slot..." in the Sheet menu.
    void onStartSlot();
    // The user chose "Render selected lines" in the Sheet menu.
    void onRenderSelected();
    // The user chose "Fill formulas from the database" in the Sheet menu: the empty infos of
    // the selected records (of the whole list without a selection) get their minerals'
    // formulas, as one undoable step; a message says how many and which were not found.
    void onFillFormulas();

    // Draws the label of m_drawnMineral to m_drawnInfo onto a fresh copy of the label background,
    // into `m_drawnLabel`.
    void composeLabel();

    // Record commands of the list box's context menu (and their shortcuts), on the records
    // the selection touches, or the cursor's record. Each is one step for onUndoList.
    void onDeleteRecords();
    void onDuplicateRecords();
    void onMoveRecordsUp();
    void onMoveRecordsDown();
    // The cursor's record goes into the Mineral, Locality and Info fields; the next "Add"
    // replaces it in place ("Replace in list") until Esc cancels.
    void onEditInFields();
    void onCancelReplace();
    // Esc in the window: hides the about panel when it shows, else cancels a replace.
    void onEscape();
    // "Choose picture..." for the "Custom" background (Enter or Space on it, or a click that
    // selects it): Cancel leaves the background chosen before selected.
    void choosePicture();
    // Takes back the last Add, Replace, Delete, Duplicate or move.
    void onUndoList();

    // "Load settings" / "Save settings" in the menu: the label settings from or to a file the
    // user names (a damaged file gives a message and changes nothing).
    void onLoadSettings();
    void onSaveSettings();
    // The settings of a file given on the command line, applied once the deferred load has
    // put the stock backgrounds and fonts in place.
    void loadSettingsAfterStart(const QString& path);
    LabelSettings labelSettings() const;
    void applySettingsFile(const QString& path);

    // A prepared report file named when the program was started: opens it in the preview
    // window, as "Load report" there would, and returns once the preview has closed. A
    // missing or damaged file shows "Load report"'s message and opens nothing.
    void openReportFile(const QString& path);

private:
    // Images drawn on the window itself, behind the windowed controls.
    ImageBox* m_drawnLabel = nullptr;
    ImageBox* m_reducedStock = nullptr;
    ImageBox* m_cleanStock = nullptr;
    ImageBox* m_completeStock = nullptr;

    // Children of the window.
    QFrame* m_mainPanel = nullptr;
    QLineEdit* m_drawnMineral = nullptr;
    QLineEdit* m_drawnLocality = nullptr;
    QLineEdit* m_drawnInfo = nullptr;
    QFrame* m_aboutPanel = nullptr;
    QFrame* m_splashPanel = nullptr;
    RichEditBox* m_settingsPad = nullptr;
    QPushButton* m_loadSettingsButton = nullptr;
    QPushButton* m_saveSettingsButton = nullptr;

    // Main panel: entry rows.
    QLabel* m_mineralCaption = nullptr;
    QLineEdit* m_mineralField = nullptr;
    QLabel* m_localityCaption = nullptr;
    QLineEdit* m_localityField = nullptr;
    QLabel* m_infoCaption = nullptr;
    QLineEdit* m_infoField = nullptr;
    QLabel* m_formulaCaption = nullptr;
    QLineEdit* m_formulaField = nullptr;
    QLabel* m_labelCountCaption = nullptr;
    QLabel* m_labelCount = nullptr;
    QCheckBox* m_infoIsFormula = nullptr;

    // Main panel: appearance controls.
    QLabel* m_xHeading = nullptr;
    QLabel* m_yHeading = nullptr;
    SpinField* m_mineralY = nullptr;
    SpinField* m_localityY = nullptr;
    SpinField* m_infoY = nullptr;
    SpinField* m_mineralX = nullptr;
    SpinField* m_localityX = nullptr;
    SpinField* m_infoX = nullptr;
    QPushButton* m_infoFontButton = nullptr;
    QPushButton* m_localityFontButton = nullptr;
    QPushButton* m_mineralFontButton = nullptr;
    QGroupBox* m_backgroundFrame = nullptr;
    QRadioButton* m_completeChoice = nullptr;
    QRadioButton* m_reducedChoice = nullptr;
    QRadioButton* m_cleanChoice = nullptr;
    QRadioButton* m_customChoice = nullptr;
    QLabel* m_backgroundCaption = nullptr;
    ImageBox* m_background = nullptr;

    // Main panel: list commands and the label list.
    QPushButton* m_addButton = nullptr;
    QPushButton* m_openListButton = nullptr;
    QPushButton* m_saveListButton = nullptr;
    QPushButton* m_renderButton = nullptr;
    RichEditBox* m_labelList = nullptr;

    // Main panel: hidden working controls.
    QLabel* m_foundMineral = nullptr;
    QLabel* m_foundLocality = nullptr;
    QPushButton* m_mineralLookupButton = nullptr;
    QPushButton* m_localityCompletionButton = nullptr;

    // About panel.
    QLabel* m_aboutPurpose = nullptr;
    QLabel* m_aboutSource = nullptr;
    QLabel* m_aboutDatabase = nullptr;
    QLabel* m_aboutAddress = nullptr;
    QLabel* m_aboutRebuild = nullptr;
    QLabel* m_aboutCredit = nullptr;
    QLabel* m_aboutTeam = nullptr;
    QLabel* m_aboutSignature = nullptr;
    QLabel* m_aboutContact = nullptr;
    QPushButton* m_hideAboutButton = nullptr;

    // Splash panel.
    Shape* m_splashFrame = nullptr;
    QLabel* m_splashTitle = nullptr;
    QLabel* m_splashCredit = nullptr;
    QLabel* m_splashContact = nullptr;
    Gauge* m_splashGauge = nullptr;

    // The two hidden stores: the mineral database and the locality cache. The window never
    // shows them, so they are plain stores rather than boxes.
    LineStore m_mineralDatabase{true};
    LineStore m_localityCache{true};

    // Fonts of the three rows: mineral, info and locality.
    FontDialog m_mineralFont{LabelFont::regular("Arial", 37)};
    FontDialog m_infoFont{LabelFont::regular("Arial", 27)};
    FontDialog m_localityFont{designLocalityFont()};

    FileDialog m_openListDialog{FileDialog::Mode::Open};
    FileDialog m_saveListDialog{FileDialog::Mode::Save};
    OpenPictureDialog m_pictureDialog;

    // The label sheet, kept for the whole run.
    qlx::SheetReport* m_sheet = nullptr;

    // Menu.
    QAction* m_loadSettingsAction = nullptr;
    QAction* m_saveSettingsAction = nullptr;
    QAction* m_aboutAction = nullptr;
    QAction* m_exitAction = nullptr;
    QMenu* m_sheetMenu = nullptr;
    QAction* m_startSlotAction = nullptr;
    QAction* m_renderSelectedAction = nullptr;
    QAction* m_fillFormulasAction = nullptr;
    QMenu* m_optionsMenu = nullptr;
    QAction* m_keepFinalE = nullptr;
    QAction* m_fitLongRows = nullptr;
    QMenu* m_fileMenu = nullptr;
    QMenu* m_recentMenu = nullptr;

    // Timers.
    QTimer* m_splashTimer = nullptr;
    QTimer* m_exitTimer = nullptr;
    QTimer* m_gaugeTimer = nullptr;
    QTimer* m_loadTimer = nullptr;

    // What the controls start with that the handlers read back (MainFormControls.cpp makes the
    // controls, MainForm.cpp handles them).
    // The caption the hidden last-locality label starts with; it stands for "no completion yet",
    // so Enter in the locality field leaves the field alone until a completion has been found.
    static constexpr char kNoLocalityCompletion[] = "lastlocality";
    // The label counter's font size.
    static constexpr int kLabelCountPixels = 13;
    // The list dialogs' filters: every file first, as the dialogs open, then spreadsheet lists.
    static constexpr char kAllFilesFilter[] = "All files (*)";
    static constexpr char kCsvFilter[] = "CSV (UTF-8) (*.csv)";

    void createWindowChildren();
    void createEntryRows();
    void createAppearanceControls();
    void createListControls();
    void createHiddenControls();
    void createAboutPanel();
    void createSplashPanel();
    void createMenu();
    void createSheetMenu();
    void createOptionsMenu();
    void createRecentMenu();
    void fillRecentMenu();
    void loadList(const QString& path, bool asCsv);
    void createTimers();
    void setKeyboardOrder();
    void bindEvents();
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool listHasUnsavedLines() const;
    bool listMayBeLeft();
    bool saveList();
    static bool chosenAsCsv(const FileDialog& dialog);
    void renderAndPreview(const std::vector<LabelRecord>& records);
    void showStartSlot();
    void showLabelCount();
    void showMineralMiss(bool miss);
    void saveLocalityCache();
    void useBackground(ImageBox* stock);
    static LabelFont designLocalityFont();
    LabelAppearance appearance() const;

    // Connects a signal to a handler through the application's error handler.
    template <typename Sender, typename Signal>
    void bind(Sender* sender, Signal signal, void (MainForm::*handler)());

    QWidget* m_client = nullptr;
    // The last failure of the deferred load that was reported, so a retry that fails the
    // same way does not report it again.
    std::string m_lastLoadFailure;
    // The label list's file, once opened or saved: print jobs carry its name.
    QString m_listFile;
    // The steps of the deferred load that are done, so a retry runs only those that failed.
    struct DeferredLoadDone {
        bool cache = false;
        bool database = false;
        bool localityFont = false;
        std::array<bool, 3> backgrounds{}; // Complete, Clean, Reduced
    } m_loaded;
    bool m_localityFontPicked = false;
    // The slot of page 1 the first label of a render goes into; 1 at every start.
    int m_startSlot = 1;
    // The list's text when it was last opened or saved (empty at start).
    std::string m_listAsLastSaved;
    // "Exit" (or the close box) has been confirmed; the window is on its way out.
    bool m_leaving = false;
    bool m_mineralMiss = false;

    // Keyboard and screen readers (MainFormKeys.cpp).
    static constexpr QPoint kDesignedPlace{198, 135};
    void setUpKeyboard();
    void nameControlsForReaders();
    void nameLabelCount(int records);
    QList<QList<QWidget*>> panes() const;
    void cyclePane(int direction);
    bool keyForControl(QObject* watched, QEvent* event);
    void placeOnScreen();
    static QString renderButtonTip(const QString& startSlotTip);
    bool m_placed = false;
    // An arrow key (or a Cancel going back) is selecting a background: "Custom" opens no dialog.
    bool m_customByArrow = false;
    // "Custom" holds a picture the user chose; the background checked before "Custom".
    bool m_customPicture = false;
    QRadioButton* m_backgroundBeforeCustom = nullptr;

    // The record commands (MainFormRecords.cpp).
    void buildRecordCommands();
    void showRecordMenu(const QPoint& at);
    RecordRange selectedRecords() const;
    void selectRecords(RecordRange range);
    // Sets the list to `text` as one undoable step.
    void editList(std::string text);
    void updateRecordCommands();
    bool undoKeyForList(QEvent* event);
    ListHistory m_listHistory;
    void setUpSettingsDialogs();
    FileDialog m_settingsOpenDialog{FileDialog::Mode::Open};
    FileDialog m_settingsSaveDialog{FileDialog::Mode::Save};
    QString m_startSettings;
    // The record "Edit in fields" took, while the next Add replaces it; -1 otherwise.
    int m_replacing = -1;
    std::string m_replacedRecord;
    // The mineral name the last lookup found, and the formula it put into the formula field.
    QString m_formulaOwner;
    QString m_foundFormula;

    // The database as entries and the groups beside it, for the hint on a missed name, the
    // fill command and the render's note (MainFormFormulas.cpp). The entries are read again
    // when the store's text changes; a groups file that cannot be read gives none.
    const std::vector<MineralEntry>& databaseEntries();
    const std::vector<MineralGroup>& mineralGroups();
    // "Not in the mineral database", with the hint for the typed name on a second line.
    QString mineralMissTip(const QString& notInDatabase);
    // The preview's note on the render's records without a formula; empty when there are none.
    QString missingFormulasNote(const std::vector<LabelRecord>& records);
    std::vector<MineralEntry> m_databaseEntries;
    std::size_t m_databaseEntriesOf = 0;
    std::vector<MineralGroup> m_mineralGroups;
    bool m_mineralGroupsRead = false;
};

} // namespace qlx
