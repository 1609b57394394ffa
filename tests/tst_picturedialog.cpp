#include <QBuffer>
#include <QFileDialog>
#include <QLineEdit>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "HostileInputs.h"
#include "pictures/Picture.h"
#include "stores/Error.h"
#include "support/DataRows.h"
#include "support/TestSupport.h"
#include "widgets/FileDialog.h"
#include "widgets/PictureDialog.h"
#include "widgets/PicturePane.h"
#include "widgets/PicturePreview.h"

using namespace qlx;

namespace {

const QString kPictures = QStringLiteral(QLX_TEST_DATA "/pictures/");

class Square : public VectorPicture {
public:
    QSize size() const override { return {120, 80}; }
    void draw(QPainter& painter, const QRectF& target) const override {
        painter.fillRect(target, Qt::green);
    }
};

// Finds the open file dialog, lets `act` work on it, then accepts or rejects it.
void answerRealDialog(std::function<void(QFileDialog*)> act, bool ok) {
    QTimer::singleShot(0, [act, ok] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            qFatal("no file dialog open");
        act(dialog);
        if (ok)
            static_cast<QDialog*>(dialog)->accept();
        else
            dialog->reject();
    });
}

// Bare patterns of a name filter: "All (*.bmp *.ico)" gives "*.bmp", "*.ico".
QStringList patternsOf(const QString& filter) {
    const auto open = filter.indexOf('('), close = filter.lastIndexOf(')');
    return filter.mid(open + 1, close - open - 1).split(' ', Qt::SkipEmptyParts);
}

using CaptionRow = std::tuple<QString, QByteArray, QString>; // file name, bytes, caption
using PlacementRow = std::tuple<QSize, QSize, QRect>;        // picture, pane, placed

} // namespace

class PictureDialogTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString place(const QString& name, const QByteArray& bytes) {
        const QString path = m_dir.filePath(name);
        if (!test::writeFile(path, bytes.toStdString()))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }
    static QByteArray sample(const QString& name) {
        return QByteArray::fromStdString(test::readFile(kPictures + name));
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        Picture::setMetafileLoader([](const QByteArray& bytes, bool) {
            if (bytes.size() < 40)
                throw Error("Metafile is not valid");
            return std::make_shared<Square>();
        });
    }
    void cleanup() {
        OpenPictureDialog::clearAnswers();
        FileDialog::clearAnswers();
    }

    // --- the preview -----------------------------------------------------------------------

    // The caption gives the size of what loads and "Picture:" for anything else (which file
    // loads as what is tst_picture's).
    void previewCaption_data() {
        test::dataRows<CaptionRow>({
            {"bitmap", {"a.bmp", sample("rgb4x3.bmp"), " (4x3)"}},
            {"icon", {"c.ico", sample("two.ico"), " (32x32)"}},
            {"metafile", {"d.emf", sample("square.emf"), " (120x80)"}},
            {"damaged bitmap", {"f.bmp", sample("rgb4x3.bmp").left(50), "Picture:"}},
            {"missing file", {"", QByteArray(), "Picture:"}},
            {"folder", {"folder", QByteArray(), "Picture:"}},
            // Refused before a decoder sees it: the pane never decodes 2,000 scans.
            {"JPEG of 2,000 scans", {"bomb.jpg", hostile::jpegScanBomb(64, 2000), "Picture:"}},
            {"progressive JPEG", {"fine.jpg", hostile::jpegScanBomb(64, 0), " (64x64)"}},
        });
    }
    void previewCaption() {
        QFETCH(CaptionRow, row);
        const auto [name, bytes, caption] = row;
        QString path = m_dir.filePath("missing.bmp");
        if (name == "folder") {
            path = m_dir.filePath("folder.bmp");
            QDir().mkpath(path);
        } else if (!name.isEmpty()) {
            path = place(name, bytes);
        }
        PicturePreview preview;
        preview.showFile(kPictures + "two.ico"); // something shown before
        preview.showFile(path);
        QCOMPARE(preview.caption(), caption);
        QCOMPARE(preview.pane()->picture().isEmpty(), caption == "Picture:");
    }

    void paneShowsNoneOrThePicture() {
        PicturePane pane;
        pane.resize(150, 150);
        const QImage none = pane.grab().toImage();
        // "(None)" is written in the middle: some pixel there differs from the background.
        const QColor background = none.pixelColor(75, 20);
        bool written = false;
        for (int x = 40; x < 110 && !written; ++x)
            for (int y = 65; y < 85 && !written; ++y)
                written = none.pixelColor(x, y) != background;
        QVERIFY(written);

        pane.setPicture(Picture::fromFile(kPictures + "two.ico"));
        const QImage shown = pane.grab().toImage();
        QCOMPARE(shown.pixelColor(75, 75), QColor(Qt::blue)); // 32 x 32, centred
        QCOMPARE(shown.pixelColor(75, 40), background);       // above the centred icon
    }

    void placement_data() {
        test::dataRows<PlacementRow>({
            {"fits: centred", {{32, 32}, {150, 150}, {59, 59, 32, 32}}},
            {"exactly fits", {{150, 100}, {150, 100}, {0, 0, 150, 100}}},
            {"too wide: shrunk", {{600, 300}, {150, 150}, {0, 37, 150, 75}}},
            {"too tall: shrunk", {{100, 400}, {150, 200}, {50, 0, 50, 200}}},
            {"one side too long", {{160, 10}, {150, 150}, {0, 70, 150, 9}}},
            {"thin line keeps a pixel", {{10000, 1}, {150, 150}, {0, 74, 150, 1}}},
            {"empty picture", {{0, 0}, {150, 150}, QRect()}},
        });
    }
    void placement() {
        QFETCH(PlacementRow, row);
        const auto [picture, pane, placed] = row;
        QCOMPARE(PicturePane::placement(picture, pane), placed);
    }

    // --- the filter ------------------------------------------------------------------------

    void filterNamesInOrder() {
        QStringList names;
        for (const QString& f : OpenPictureDialog::nameFilters())
            names << f.left(f.indexOf(" ("));
        QCOMPARE(names, QStringList({"All", "Bitmaps", "PNG images", "JPEG images", "Icons",
                                     "Enhanced Metafiles", "Metafiles"}));
    }

    // "All" offers exactly what the single filters offer, and every offered type loads.
    void filtersMatchWhatLoads() {
        const QStringList filters = OpenPictureDialog::nameFilters();
        QStringList singles;
        for (const QString& f : filters.mid(1))
            singles << patternsOf(f);
        QCOMPARE(patternsOf(filters.first()), singles);
        const QMap<QString, QString> samples{{"*.bmp", "rgb4x3.bmp"}, {"*.png", "rgb4x3.png"},
                                             {"*.jpg", "photo.jpg"},  {"*.jpeg", "photo.jpg"},
                                             {"*.ico", "two.ico"},    {"*.emf", "square.emf"},
                                             {"*.wmf", "square.wmf"}};
        QImage photo(6, 6, QImage::Format_RGB32);
        photo.fill(Qt::darkCyan);
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(photo.save(&buffer, "JPEG"));
        for (const QString& pattern : singles) {
            QVERIFY2(samples.contains(pattern), qPrintable(pattern));
            const QString name = samples[pattern];
            const QString path =
                place("typed" + pattern.mid(1), name == "photo.jpg" ? jpeg : sample(name));
            QVERIFY(!Picture::fromFile(path).isEmpty());
        }
    }

    // --- the picture dialog component ------------------------------------------------------

    void hookAnswers_data() {
        QTest::addColumn<bool>("ok");
        QTest::newRow("OK") << true;
        QTest::newRow("Cancel") << false;
    }
    void hookAnswers() {
        QFETCH(bool, ok);
        OpenPictureDialog dialog;
        dialog.setFileName("/start/label.bmp");
        const int before = OpenPictureDialog::openings();
        QString seen;
        OpenPictureDialog::setAnswerFunction([&](const QString& start) {
            seen = start;
            return ok ? std::optional<QString>("/chosen/custom.ico") : std::nullopt;
        });
        QCOMPARE(dialog.execute(nullptr), ok);
        QCOMPARE(seen, QString("/start/label.bmp"));
        QCOMPARE(dialog.fileName(), ok ? QString("/chosen/custom.ico") : "/start/label.bmp");
        QCOMPARE(OpenPictureDialog::openings() - before, 1);
    }

    void realDialogPreviewsAndRemembers() {
        const QString chosen = place("chosen.bmp", sample("rgb4x3.bmp"));
        OpenPictureDialog dialog;
        QString captionSeen;
        QStringList filtersSeen;
        answerRealDialog(
            [&](QFileDialog* d) {
                filtersSeen = d->nameFilters();
                d->selectFile(chosen);
                emit d->currentChanged(chosen);
                captionSeen = test::child<PicturePreview>(*d, "preview")->caption();
            },
            true);
        QVERIFY(dialog.execute(nullptr));
        QCOMPARE(QFileInfo(dialog.fileName()), QFileInfo(chosen));
        QCOMPARE(captionSeen, QString(" (4x3)"));
        QCOMPARE(filtersSeen, OpenPictureDialog::nameFilters());

        // Opening again starts on the chosen file, already previewed; Cancel keeps the name.
        QString startCaption;
        answerRealDialog(
            [&](QFileDialog* d) {
                startCaption = test::child<PicturePreview>(*d, "preview")->caption();
            },
            false);
        QVERIFY(!dialog.execute(nullptr));
        QCOMPARE(startCaption, QString(" (4x3)"));
        QCOMPARE(QFileInfo(dialog.fileName()), QFileInfo(chosen));
    }

    // --- plain file dialogs ----------------------------------------------------------------

    void fileDialogRemembersTheLastName_data() {
        QTest::addColumn<int>("mode");
        QTest::newRow("open") << int(FileDialog::Mode::Open);
        QTest::newRow("save") << int(FileDialog::Mode::Save);
    }
    void fileDialogRemembersTheLastName() {
        QFETCH(int, mode);
        FileDialog dialog{FileDialog::Mode(mode)};
        QList<FileDialog::Request> requests;
        FileDialog::setAnswerFunction([&](const FileDialog::Request& r) {
            requests.append(r);
            return requests.size() == 2 ? std::nullopt : std::optional<QString>("/a/list.rtf");
        });
        QVERIFY(dialog.execute(nullptr));
        QVERIFY(!dialog.execute(nullptr));
        QCOMPARE(dialog.fileName(), QString("/a/list.rtf"));
        QCOMPARE(requests.size(), 2);
        QCOMPARE(int(requests[0].mode), mode);
        QCOMPARE(requests[0].startName, QString());
        QCOMPARE(requests[1].startName, QString("/a/list.rtf"));
    }

    void fileDialogQueuedAnswers() {
        FileDialog dialog(FileDialog::Mode::Save);
        FileDialog::setNextFileName(QString("/x/one.rtf"));
        FileDialog::setNextFileName(std::nullopt);
        QVERIFY(dialog.execute(nullptr));
        QVERIFY(!dialog.execute(nullptr));
        QCOMPARE(dialog.fileName(), QString("/x/one.rtf"));
    }

    void realFileDialog_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("ok");
        QTest::newRow("open, OK") << int(FileDialog::Mode::Open) << true;
        QTest::newRow("open, Cancel") << int(FileDialog::Mode::Open) << false;
        QTest::newRow("save, Cancel") << int(FileDialog::Mode::Save) << false;
    }
    void realFileDialog() {
        QFETCH(int, mode);
        QFETCH(bool, ok);
        // A name that does not exist yet: neither dialog insists on an existing file (a save
        // through the real dialog is tst_sheetmenu's realDialogs).
        const QString target = m_dir.filePath("new-list.rtf");
        FileDialog dialog{FileDialog::Mode(mode)};
        dialog.setFileName(m_dir.filePath("old.rtf"));
        QFileDialog::AcceptMode accept = QFileDialog::AcceptOpen;
        answerRealDialog(
            [&](QFileDialog* d) {
                accept = d->acceptMode();
                d->selectFile(target);
            },
            ok);
        QCOMPARE(dialog.execute(nullptr), ok);
        QCOMPARE(accept, mode == int(FileDialog::Mode::Open) ? QFileDialog::AcceptOpen
                                                             : QFileDialog::AcceptSave);
        QCOMPARE(QFileInfo(dialog.fileName()), QFileInfo(ok ? target : m_dir.filePath("old.rtf")));
    }
};

QTEST_MAIN(PictureDialogTest)
#include "tst_picturedialog.moc"
