#include "support/FakePreviewDocument.h"

#include <QFile>
#include <QPainter>
#include <QSaveFile>

#include "stores/Error.h"

namespace qlx::test {

namespace {
const QByteArray kMagic = "QLXFAKEPAGES 1\n";
constexpr qint64 kMaxFile = 1 << 20;
} // namespace

FakePreviewDocument::FakePreviewDocument(QSizeF paperTenthsMm)
    : m_paper(paperTenthsMm) {}

FakePreviewDocument::~FakePreviewDocument() {
    *m_alive = false;
}

void FakePreviewDocument::addPage(const QColor& colour) {
    m_pages << colour;
    emit pageAvailable(int(m_pages.size()));
}

void FakePreviewDocument::reportProgress(int percent) {
    m_progress = percent;
    emit progressChanged(percent);
}

void FakePreviewDocument::drawPage(int n, QPainter& p, const QRectF& target) const {
    if (n < 1 || n > m_pages.size())
        return;
    ++m_drawCount;
    // A band of the page's colour across the middle half of the page, with its number.
    const QRectF band(target.left() + target.width() * 0.25, target.top() + target.height() * 0.25,
                      target.width() * 0.5, target.height() * 0.5);
    p.fillRect(band, m_pages[n - 1]);
    p.setPen(Qt::black);
    p.drawText(band, Qt::AlignCenter, QString::number(n));
}

void FakePreviewDocument::saveTo(const QString& path) const {
    QByteArray out = kMagic;
    out += QByteArray::number(m_paper.width()) + ' ' + QByteArray::number(m_paper.height()) + '\n';
    for (const QColor& c : m_pages)
        out += c.name().toLatin1() + '\n';
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(out) != out.size() || !f.commit())
        throw Error("Cannot create file " + path.toStdString());
}

void FakePreviewDocument::loadFrom(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw Error("Cannot open file " + path.toStdString());
    const QByteArray bytes = f.read(kMaxFile + 1);
    if (bytes.size() > kMaxFile || !bytes.startsWith(kMagic))
        throw Error("Failed to Load Stream");
    const QList<QByteArray> lines = bytes.mid(kMagic.size()).trimmed().split('\n');
    const QList<QByteArray> paper = lines.value(0).split(' ');
    bool okW = false, okH = false;
    const double w = paper.value(0).toDouble(&okW), h = paper.value(1).toDouble(&okH);
    if (paper.size() != 2 || !okW || !okH || w <= 0 || h <= 0 || lines.size() < 2)
        throw Error("Failed to Load Stream");
    QList<QColor> pages;
    for (int i = 1; i < lines.size(); ++i) {
        const QColor c(QString::fromLatin1(lines[i]));
        if (!c.isValid())
            throw Error("Failed to Load Stream");
        pages << c;
    }
    m_pages = pages;
    m_paper = QSizeF(w, h);
    m_finished = true;
    m_loaded = true;
}

} // namespace qlx::test
