#pragma once

#include <QMainWindow>
#include <array>
#include <string>

#include "platform/FileDialog.h"
#include "platform/FontDialog.h"
#include "platform/PictureDialog.h"
#include "stores/LineStore.h"

class QAction;
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
// designer names, both as members and as object names.
class MainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit MainForm(QWidget* parent = nullptr);
    ~MainForm() override;

    // The client area below the menu bar.
    QWidget* clientArea() const { return m_client; }

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

    // Handlers, one per control and event.
    void Timer1Timer();
    void Timer2Timer();
    void Timer3Timer();
    void Timer4Timer();
    void About1Click();
    void Button10Click();
    void Exit1Click();
    void Edit7KeyDown(int key, Qt::KeyboardModifiers shift);
    void Button2Click();
    void Edit6KeyDown(int key, Qt::KeyboardModifiers shift);
    void Button1Click();
    void Button6Click();
    void Edit4Change();
    void Button7Click();
    void Button8Click();
    void Button5Click();
    void Button4Click();
    void Button3Click();
    void RadioButton1Click();
    void RadioButton2Click();
    void RadioButton3Click();
    void RadioButton4Click();
    void Button12Click();
    void Button9Click();

    // Draws the label of Edit1 to Edit3 onto a fresh copy of the label background, into
    // `rendered`.
    void ComposeLabel();

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

    // Timers.
    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;
    QTimer* Timer3 = nullptr;
    QTimer* Timer4 = nullptr;

private:
    void createWindowChildren();
    void createEntryRows();
    void createAppearanceControls();
    void createListControls();
    void createHiddenControls();
    void createAboutPanel();
    void createSplashPanel();
    void createMenu();
    void createTimers();
    void setKeyboardOrder();
    void bindEvents();
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool listHasUnsavedLines() const;
    bool listMayBeLeft();
    bool saveList();
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
    // The steps of the deferred load that are done, so a retry runs only those that failed.
    struct DeferredLoadDone {
        bool cache = false;
        bool database = false;
        bool localityFont = false;
        std::array<bool, 3> backgrounds{}; // Complete, Clean, Reduced
    } m_loaded;
    bool m_localityFontPicked = false;
    // The list's text when it was last opened or saved (empty at start).
    std::string m_listAsLastSaved;
    // "Exit" (or the close box) has been confirmed; the window is on its way out.
    bool m_leaving = false;
    bool m_mineralMiss = false;
};

} // namespace qlx
