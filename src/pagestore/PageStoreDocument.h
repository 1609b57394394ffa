#pragma once

#include <QDateTime>
#include <QSizeF>
#include <map>
#include <memory>

#include "metafile/Metafile.h"
#include "pagestore/PreviewDocument.h"
#include "pictures/ClockDateTime.h"

namespace qlx {

class PageStore;

// The pages of one report run as the preview window sees them: a page store whose pages are
// enhanced metafiles recorded at screen resolution, played stretched onto whatever the
// window draws on. Releasing the document releases the store and its temporary file.
class PageStoreDocument : public PreviewDocument {
    Q_OBJECT
public:
    // `reportPaper`: the report's page (tenths of a millimetre, width across) while it
    // produces; `owner`: the report.
    explicit PageStoreDocument(QSizeF reportPaper = QSizeF(2100, 2970), QObject* owner = nullptr);
    ~PageStoreDocument() override;

    PageStore& store() { return *m_store; }
    const PageStore& store() const { return *m_store; }

    // Production: appends one page picture and announces it; finish ends the run and writes
    // the date into the header.
    void addPage(const Metafile& picture);
    // Before the first page: the store keeps this run's pages compressed (see PageStore).
    void keepPagesCompressed();
    void finish(const QDateTime& when = clockDateTime());
    // Production progress in percent, announced to the window.
    void setProgress(int percent);

    int pageCount() const override;
    int pagesAvailable() const override;
    int progressPercent() const override;
    bool isFinished() const override;
    bool isLoadedFromFile() const override;
    QString title() const override;
    QSizeF paperSize() const override;
    QSizeF pageFrameTenthsMm(int n) const override;
    void drawPage(int n, QPainter& painter, const QRectF& target) const override;
    QString pageProblem(int n) const override;
    void saveTo(const QString& path) const override;
    void saveCompressedTo(const QString& path) const override;
    void loadFrom(const QString& path) override;

    // Every page picture of a loaded report file is read through the metafile reader, so
    // that a file whose pictures would not play is refused whole. Installed by the first
    // document made; callable again to restore it.
    static void installPictureCheck();

private:
    const Metafile* page(int n) const;

    std::unique_ptr<PageStore> m_store;
    QSizeF m_reportPaper;
    // The last page read, so that playing it again (printing, a new zoom) does not read and
    // check its bytes again.
    mutable int m_cachedPage = 0;
    mutable Metafile m_cached;
    // Pages that could not be drawn whole, and why.
    mutable std::map<int, QString> m_problems;
};

} // namespace qlx
