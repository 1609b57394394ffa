#pragma once

#include <QMainWindow>
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
// controls hold the working data that one handler leaves for another. Controls keep their
// designer names, both as members and as object names; their numbers do not follow the rows,
// so this table gives each its role, row by row as the window shows them.
//
// Menu bar      Loadsetting1, Savesettings1  "Load settings", "Save settings": no action
//               About1                       "About": shows the about panel
//               Exit1                        "Exit": shows the splash, then closes
//               Sheet1                       the "Sheet" menu, before "About":
//                 StartSlot1                 "Start at slot...": the first label's slot
//                 RenderSelected1            "Render selected lines": only those records
//               Options1                     the "Options" menu, before "About", checkable:
//                 KeepFinalE1                "Keep the final E of names" (Calcite)
//                 FitLongRows1               "Fit long rows": shrink, then cut with "…"
// Main panel    Panel3                       the grey panel holding everything below
//   headings    Label2, Label1               "X correction:", "Y correction:"
//   mineral     Label21, Edit7               "Mineral", the mineral field
//               SpinEdit4, SpinEdit1         mineral X correction, mineral Y correction
//               Button5                      mineral "Pick font" (runs FontDialog1)
//               Label23, Label24             "No of labels", the count of labels added
//   locality    Label20, Edit6               "Locality", the locality field
//               SpinEdit5, SpinEdit2         locality X correction, locality Y correction
//               Button4                      locality "Pick font" (runs FontDialog3)
//               CheckBox1                    "Info = formula"
//   info        Label19, Edit5               "Info", the info field
//               SpinEdit6, SpinEdit3         info X correction, info Y correction
//               Button3                      info "Pick font" (runs FontDialog2)
//   formula     Label25, Edit4               "Formula", the formula field
//   commands    Button6, Button7, Button8    "Add data to list", "Open list", "Save list"
//               Button9                      "Render and preview"
//   list        RichEdit4                    the label list, one record per line
//   background  RadioGroup1                  the "Label image" frame
//               RadioButton1, 2, 3           "Complete" (Image3), "Reduced" (Image1),
//                                            "Clean" (Image2) stock backgrounds
//               RadioButton4                 "Custom": a picture file of the user's
//               Label3, accimage             "Preview", the label background thumbnail
// About panel   Panel2                       hidden until "About"
//               Label6, 4, 5, 10, 12         purpose, source, update hint, address, save note
//               Label7, 8, 9, 13             credit lines, signature, contact
//               Button10                     "Hide!"
// Splash panel  Panel4                       shown at start and on "Exit"
//               Shape14, Label30, 31, 32     frame, title, credit line, contact line
//               Gauge1                       the start-up progress bar
// Hidden        Label11                      last completed mineral name ("cachedword")
//               Button2                      the mineral lookup, pressed by Enter in Edit7
//               lastlocality                 last completed locality
//               Button1                      the locality completion, pressed by Enter in Edit6
//               Edit1, Edit2, Edit3          mineral, locality, info line of the label drawn
//               rendered                     the label being drawn
// Beyond the    Image1, Image2, Image3       stock backgrounds "Reduced", "Clean", "Complete"
// client area   RichEdit1                    the settings pad, never read
//               Button11, Button12           "Load settings..." (no action), "Save settings..."
//               SheetReport                  the label sheet and its preview
// Not widgets   RichEdit3                    mineral database store (athena.txt)
//               RichEdit2                    locality cache store (cachedloc.txt)
//               FontDialog1, 3, 2            mineral font, locality font, info font
//               OpenDialog1, SaveDialog1     the "Open list" and "Save list" file dialogs
//               OpenPictureDialog1           the "Custom" background's picture dialog
//               Timer1, Timer2               end of the splash (2.5 s), close after "Exit" (1.5 s)
//               Timer3, Timer4               splash progress (10 ms), deferred load (200 ms)
//
// The controls themselves are private: tests reach widgets, timers, actions and the report by
// object name, and the stores and dialogs through the role accessors below. Being the window's
// documented names, they are the one set of members without the m_ prefix.
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
    LineStore& mineralDatabase() { return RichEdit3; }
    LineStore& localityCache() { return RichEdit2; }
    FontDialog& mineralFontDialog() { return FontDialog1; }
    FontDialog& infoFontDialog() { return FontDialog2; }
    FontDialog& localityFontDialog() { return FontDialog3; }
    FileDialog& openListDialog() { return OpenDialog1; }
    FileDialog& saveListDialog() { return SaveDialog1; }
    OpenPictureDialog& pictureDialog() { return OpenPictureDialog1; }

    // Handlers, one per control and event, each named after both.
    // The splash has shown for 2.5 s: it goes.
    void Timer1Timer();
    // 1.5 s have passed since "Exit": the window closes.
    void Timer2Timer();
    // Every 10 ms of the splash: its gauge moves on.
    void Timer3Timer();
    // 200 ms after start, and again until it succeeds: the deferred load.
    void Timer4Timer();
    // The user chose "About" in the menu.
    void About1Click();
    // The user clicked "Hide!" on the about panel.
    void Button10Click();
    // The user chose "Exit" in the menu.
    void Exit1Click();
    // The user pressed a key in the mineral field (Enter completes it).
    void Edit7KeyDown(int key, Qt::KeyboardModifiers shift);
    // Enter in the mineral field pressed the hidden mineral lookup button.
    void Button2Click();
    // The user pressed a key in the locality field (Enter completes it).
    void Edit6KeyDown(int key, Qt::KeyboardModifiers shift);
    // Enter in the locality field pressed the hidden locality completion button.
    void Button1Click();
    // The user clicked "Add data to list".
    void Button6Click();
    // The formula field changed (the lookup filled it, or the user typed in it).
    void Edit4Change();
    // The user clicked "Open list".
    void Button7Click();
    // The user clicked "Save list".
    void Button8Click();
    // The user clicked the mineral row's "Pick font".
    void Button5Click();
    // The user clicked the locality row's "Pick font".
    void Button4Click();
    // The user clicked the info row's "Pick font".
    void Button3Click();
    // The user selected the "Complete" background.
    void RadioButton1Click();
    // The user selected the "Reduced" background.
    void RadioButton2Click();
    // The user selected the "Clean" background.
    void RadioButton3Click();
    // The user selected the "Custom" background.
    void RadioButton4Click();
    // The user pressed the "Save settings..." button beyond the client area.
    void Button12Click();
    // The user clicked "Render and preview".
    void Button9Click();
    // The user chose "Start at slot..." in the Sheet menu.
    void StartSlot1Click();
    // The user chose "Render selected lines" in the Sheet menu.
    void RenderSelected1Click();
    // The user chose "Fill formulas from the database" in the Sheet menu: the empty infos of
    // the selected records (of the whole list without a selection) get their minerals'
    // formulas, as one undoable step; a message says how many and which were not found.
    void FillFormulas1Click();

    // Draws the label of Edit1 to Edit3 onto a fresh copy of the label background, into
    // `rendered`.
    void ComposeLabel();

    // Record commands of the list box's context menu (and their shortcuts), on the records
    // the selection touches, or the cursor's record. Each is one step for UndoListClick.
    void DeleteRecordsClick();
    void DuplicateRecordsClick();
    void MoveRecordsUpClick();
    void MoveRecordsDownClick();
    // The cursor's record goes into the Mineral, Locality and Info fields; the next "Add"
    // replaces it in place ("Replace in list") until Esc cancels.
    void EditInFieldsClick();
    void CancelReplaceClick();
    // Takes back the last Add, Replace, Delete, Duplicate or move.
    void UndoListClick();

    // "Load settings" / "Save settings" in the menu: the label settings from or to a file the
    // user names (a damaged file gives a message and changes nothing).
    void Loadsetting1Click();
    void Savesettings1Click();
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
    ImageBox* rendered = nullptr;
    ImageBox* Image1 = nullptr;
    ImageBox* Image2 = nullptr;
    ImageBox* Image3 = nullptr;

    // Children of the window.
    QFrame* Panel3 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QFrame* Panel2 = nullptr;
    QFrame* Panel4 = nullptr;
    RichEditBox* RichEdit1 = nullptr;
    QPushButton* Button11 = nullptr;
    QPushButton* Button12 = nullptr;

    // Main panel: entry rows.
    QLabel* Label21 = nullptr;
    QLineEdit* Edit7 = nullptr;
    QLabel* Label20 = nullptr;
    QLineEdit* Edit6 = nullptr;
    QLabel* Label19 = nullptr;
    QLineEdit* Edit5 = nullptr;
    QLabel* Label25 = nullptr;
    QLineEdit* Edit4 = nullptr;
    QLabel* Label23 = nullptr;
    QLabel* Label24 = nullptr;
    QCheckBox* CheckBox1 = nullptr;

    // Main panel: appearance controls.
    QLabel* Label2 = nullptr;
    QLabel* Label1 = nullptr;
    SpinField* SpinEdit1 = nullptr;
    SpinField* SpinEdit2 = nullptr;
    SpinField* SpinEdit3 = nullptr;
    SpinField* SpinEdit4 = nullptr;
    SpinField* SpinEdit5 = nullptr;
    SpinField* SpinEdit6 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button4 = nullptr;
    QPushButton* Button5 = nullptr;
    QGroupBox* RadioGroup1 = nullptr;
    QRadioButton* RadioButton1 = nullptr;
    QRadioButton* RadioButton2 = nullptr;
    QRadioButton* RadioButton3 = nullptr;
    QRadioButton* RadioButton4 = nullptr;
    QLabel* Label3 = nullptr;
    ImageBox* accimage = nullptr;

    // Main panel: list commands and the label list.
    QPushButton* Button6 = nullptr;
    QPushButton* Button7 = nullptr;
    QPushButton* Button8 = nullptr;
    QPushButton* Button9 = nullptr;
    RichEditBox* RichEdit4 = nullptr;

    // Main panel: hidden working controls.
    QLabel* Label11 = nullptr;
    QLabel* lastlocality = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button1 = nullptr;

    // About panel.
    QLabel* Label6 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label10 = nullptr;
    QLabel* Label12 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label13 = nullptr;
    QPushButton* Button10 = nullptr;

    // Splash panel.
    Shape* Shape14 = nullptr;
    QLabel* Label30 = nullptr;
    QLabel* Label31 = nullptr;
    QLabel* Label32 = nullptr;
    Gauge* Gauge1 = nullptr;

    // The two hidden stores: the mineral database and the locality cache. The window never
    // shows them, so they are plain stores rather than boxes.
    LineStore RichEdit3{true};
    LineStore RichEdit2{true};

    // Fonts of the three rows: mineral, info and locality.
    FontDialog FontDialog1{LabelFont::regular("Arial", 37)};
    FontDialog FontDialog2{LabelFont::regular("Arial", 27)};
    FontDialog FontDialog3{designLocalityFont()};

    FileDialog OpenDialog1{FileDialog::Mode::Open};
    FileDialog SaveDialog1{FileDialog::Mode::Save};
    OpenPictureDialog OpenPictureDialog1;

    // The label sheet, kept for the whole run.
    qlx::SheetReport* SheetReport = nullptr;

    // Menu.
    QAction* Loadsetting1 = nullptr;
    QAction* Savesettings1 = nullptr;
    QAction* About1 = nullptr;
    QAction* Exit1 = nullptr;
    QMenu* Sheet1 = nullptr;
    QAction* StartSlot1 = nullptr;
    QAction* RenderSelected1 = nullptr;
    QAction* FillFormulas1 = nullptr;
    QMenu* Options1 = nullptr;
    QAction* KeepFinalE1 = nullptr;
    QAction* FitLongRows1 = nullptr;

    // Timers.
    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;
    QTimer* Timer3 = nullptr;
    QTimer* Timer4 = nullptr;

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
    void createTimers();
    void setKeyboardOrder();
    void bindEvents();
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool listHasUnsavedLines() const;
    bool listMayBeLeft();
    bool saveList();
    static bool chosenAsCsv(const FileDialog& dialog);
    void renderAndPreview(const std::vector<LabelRecord>& records);
    void showStartSlot();
    void showLabelCount();
    void showMineralMiss(bool miss);
    void saveLocalityCache();
    void loadStockBackground(ImageBox* image, const char* fileName);
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
    // when the store's text changes; a database or groups file that cannot be read gives none.
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
