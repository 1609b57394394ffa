// A list of 50,000 records in the real window: "Add data to list" (with the counter it
// updates) and one keystroke in the list box up to the box's next painted frame. The
// reference is the same action on a list of 10 records, measured in the same run.
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <memory>

#include "app/MainForm.h"
#include "support/BenchSupport.h"
#include "support/DataFolderFixture.h"
#include "support/MessageBoxCatcher.h"
#include "support/TestSupport.h"
#include "widgets/RichEditBox.h"

using namespace qlx;

namespace {

// Counts the frames the list box has painted.
class FrameCounter : public QObject {
public:
    int frames = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        frames += e->type() == QEvent::Paint;
        return false;
    }
};

// The real window over a data folder of its own, shown, with its stores loaded.
class Rig {
public:
    Rig() {
        test::child<QTimer>(form, "Timer4")->stop();
        form.onDeferredLoad();
        box = test::child<RichEditBox>(form, "RichEdit4");
        box->viewport()->installEventFilter(&counter);
        form.show();
        QApplication::processEvents();
    }
    void setList(int records) {
        std::string list;
        for (int i = 1; i <= records; ++i)
            list += "|Mineral " + std::to_string(i) + "|Place " + std::to_string(i) + ", Sweden|H" +
                    std::to_string(i % 10) + "O|\r\n";
        box->lines().setText({});
        box->lines().setText(list);
        QApplication::processEvents();
    }
    // Processes events until the box has painted once more; false after two seconds.
    bool nextFrame(int before) {
        QElapsedTimer waited;
        waited.start();
        while (counter.frames == before) {
            QApplication::processEvents(QEventLoop::AllEvents);
            if (waited.elapsed() > 2000)
                return false;
        }
        return true;
    }

    test::DataFolderFixture data;
    test::MessageBoxCatcher boxes;
    MainForm form;
    RichEditBox* box = nullptr;
    FrameCounter counter;
};

Rig* g_rig = nullptr;

Rig& rig() {
    if (!g_rig)
        g_rig = new Rig;
    return *g_rig;
}

void dropRig() {
    delete g_rig;
    g_rig = nullptr;
}

// Argument: the records in the list. Each iteration adds one record; the list grows by the
// iterations' count, a few hundred at most.
void BM_AddToList(benchmark::State& state) {
    Rig& r = rig();
    r.setList(int(state.range(0)));
    test::child<QLineEdit>(r.form, "Edit7")->setText("Quartz");
    test::child<QLineEdit>(r.form, "Edit6")->setText("Place 1, Sweden");
    test::child<QLineEdit>(r.form, "Edit5")->setText("SiO2");
    auto* button = test::child<QPushButton>(r.form, "Button6");
    for (auto _ : state) {
        button->click();
        QApplication::processEvents();
    }
    if (!r.boxes.shown().empty())
        state.SkipWithError("Add showed a message");
    state.counters["records"] = double(state.range(0));
}

// Argument: the records in the list. One letter typed in the middle of the list, then its
// Backspace, each to the box's next painted frame; the time is per keystroke.
void BM_KeystrokeInList(benchmark::State& state) {
    Rig& r = rig();
    const int records = int(state.range(0));
    r.setList(records);
    r.box->setFocus();
    QTextCursor cursor(r.box->document()->findBlockByNumber(records / 2));
    cursor.movePosition(QTextCursor::EndOfBlock);
    r.box->setTextCursor(cursor);
    r.box->ensureCursorVisible();
    QApplication::processEvents();
    const std::string before = r.box->lines().text();
    for (auto _ : state) {
        for (const auto& [key, text] :
             {std::pair{Qt::Key_X, QStringLiteral("x")}, std::pair{Qt::Key_Backspace, QString()}}) {
            const int frames = r.counter.frames;
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
            QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
            QApplication::sendEvent(r.box, &press);
            QApplication::sendEvent(r.box, &release);
            if (!r.nextFrame(frames)) {
                state.SkipWithError("the list box did not paint");
                return;
            }
        }
    }
    state.SetItemsProcessed(2 * state.iterations());
    if (r.box->lines().text() != before)
        state.SkipWithError("the list is not back as it was");
    state.counters["records"] = double(records);
}

// Open list's load into the box (what follows the dialog): argument 0 is a file of 8 MiB of
// line breaks, refused by the line limit; otherwise a list of that many records saved by Save
// list. Reports the peak resident memory of the process.
void BM_OpenList(benchmark::State& state) {
    Rig& r = rig();
    r.setList(0);
    const int records = int(state.range(0));
    const std::string path = r.data.prefix().toStdString() + "open-bench.rtf";
    if (records == 0) {
        test::writeFile(QString::fromStdString(path), std::string(8u << 20, '\n'));
    } else {
        r.setList(records);
        r.box->lines().saveToFile(path);
    }
    const bool reset = bench::resetPeakResident();
    const long before = bench::residentKiB();
    bool refused = false;
    for (auto _ : state) {
        r.box->lines().setText({});
        QApplication::processEvents();
        try {
            r.box->lines().loadFromFile(path);
        } catch (const std::exception&) {
            refused = true;
        }
        QApplication::processEvents();
    }
    if (refused != (records == 0))
        state.SkipWithError("the load did not end as expected");
    state.counters["peak_KiB"] = double(bench::peakResidentKiB());
    state.counters["rss_before_KiB"] = double(before);
    state.counters["peak_reset"] = reset ? 1 : 0;
}

} // namespace

BENCHMARK(BM_OpenList)->Arg(0)->Arg(50000)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AddToList)->Arg(10)->Arg(50000)->Iterations(200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeystrokeInList)->Arg(10)->Arg(50000)->Iterations(100)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return bench::runWithApplication(argc, argv, dropRig);
}
