// Writes the generated hostile inputs into the fuzz corpora, each kind where its reader is
// fuzzed: make_seeds CORPUS_FOLDER (fuzz/corpus). The sizes are the files' shapes made small
// enough for the fuzzers' input limit.
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <cstdio>

#include "HostileInputs.h"

namespace {

bool put(const QString& folder, const QString& name, const QByteArray& bytes) {
    QDir().mkpath(folder);
    QFile file(folder + QLatin1Char('/') + name);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds CORPUS_FOLDER\n");
        return 2;
    }
    using namespace qlx::hostile;
    const QString c = QString::fromLocal8Bit(argv[1]);
    const QByteArray emf[] = {emfClipPathOnHugeFrame(40000),
                              emfClipPathOnHugeFrame(65535),
                              emfEmbeddedPngs(3, 600),
                              emfBrokenPngThenRectangle(),
                              emfPolygon(5000),
                              emfClaimingSize(1 << 28)};
    const char* emfNames[] = {"hostile-clip-40000.emf", "hostile-clip-65535.emf",
                              "hostile-pngs.emf",       "hostile-broken-png.emf",
                              "hostile-polygon.emf",    "hostile-claims-2p28.emf"};
    bool ok = true;
    for (int i = 0; i < 6; ++i) {
        ok = put(c + "/emf", emfNames[i], emf[i]) && ok;
        ok = put(c + "/playsmall", emfNames[i], emf[i]) && ok;
    }
    const QByteArray churn = wmfObjectChurn(2000, 1000);
    ok = put(c + "/wmf", "hostile-object-churn.wmf", churn) && ok;
    ok = put(c + "/playsmall", "hostile-object-churn.wmf", churn) && ok;
    const QByteArray icons[] = {icoSharedEntries(2000, 16), icoSharedEntries(40, 64),
                                icoPngEntry(5000), icoPngEntry(64)};
    const char* iconNames[] = {"hostile-2000-entries.ico", "hostile-40-shared.ico",
                               "hostile-png-5000.ico", "png-64.ico"};
    for (int i = 0; i < 4; ++i) {
        ok = put(c + "/ico", iconNames[i], icons[i]) && ok;
        ok = put(c + "/bmp", iconNames[i], icons[i]) && ok;
    }
    ok = put(c + "/bmp", "hostile-rle-8192x4096.bmp", rleBitmapClaiming(QSize(8192, 4096))) && ok;
    // Pictures that paint without end, scan bombs, and records by the hundred thousand.
    const QByteArray storm = emfHatchedEllipses(2000);
    const QByteArray scans = jpegScanBomb(64, 2000);
    const QByteArray scansInside = emfEmbeddedJpeg(scans, 64);
    ok = put(c + "/emf", "hostile-hatched-storm.emf", storm) && ok;
    ok = put(c + "/playsmall", "hostile-hatched-storm.emf", storm) && ok;
    ok = put(c + "/emf", "hostile-jpeg-scans.emf", scansInside) && ok;
    ok = put(c + "/playsmall", "hostile-jpeg-scans.emf", scansInside) && ok;
    const QByteArray rects = wmfHatchedRectangles(2000);
    ok = put(c + "/wmf", "hostile-hatched-storm.wmf", rects) && ok;
    ok = put(c + "/playsmall", "hostile-hatched-storm.wmf", rects) && ok;
    ok = put(c + "/bmp", "hostile-2000-scans.jpg", scans) && ok;
    ok = put(c + "/lfp", "hostile-hatched-storm.lfp", reportWithPage(storm, true)) && ok;
    ok = put(c + "/lfp", "hostile-jpeg-scans.lfp", reportWithPage(scansInside, true)) && ok;
    ok =
        put(c + "/lfp", "hostile-tiny-records.lfp", reportWithPage(emfTinyRecords(250000), true)) &&
        ok;
    return ok ? 0 : 1;
}
