#include "pagestore/PageStoreDocument.h"

#include <QPainter>

#include "metafile/EmfPictureCheck.h"
#include "pagestore/PageStore.h"
#include "stores/Error.h"

namespace qlx {

namespace {

// The full check of a page picture: the header as the file layout wants it, then every
// record read as the player would read it.
bool pictureIsPlayableEmf(const QByteArray& picture, QString* error) {
    if (!EmfPictureCheck::headerIsWellFormed(picture, error))
        return false;
    try {
        if (Metafile::fromBytes(picture).format() == Metafile::Format::Emf)
            return true;
        if (error)
            *error = QStringLiteral("page picture is not an enhanced metafile");
    } catch (const Error& e) {
        if (error)
            *error = QStringLiteral("page picture is damaged: ") + QString::fromUtf8(e.what());
    }
    return false;
}

} // namespace

void PageStoreDocument::installPictureCheck() {
    EmfPictureCheck::setValidator(pictureIsPlayableEmf);
}

PageStoreDocument::PageStoreDocument(QSizeF reportPaper, QObject* owner)
    : m_reportPaper(reportPaper) {
    static const bool installed = (installPictureCheck(), true);
    (void)installed;
    // The store posts its notices to this document, which passes them on; the window takes
    // them queued, after the current command.
    m_store = std::make_unique<PageStore>(PageDestination::Pictures, owner, this);
    connect(m_store.get(), &PageStore::pageAvailable, this, &PreviewDocument::pageAvailable);
    connect(m_store.get(), &PageStore::progressUpdate, this, &PreviewDocument::progressChanged);
}

// The store's stream deletes its temporary file as it goes.
PageStoreDocument::~PageStoreDocument() = default;

void PageStoreDocument::addPage(const Metafile& picture) {
    m_store->addPage(picture.bytes());
}

void PageStoreDocument::keepPagesCompressed() {
    m_store->keepPagesCompressed();
}

void PageStoreDocument::finish(const QDateTime& when) {
    m_store->finish(when);
}

void PageStoreDocument::setProgress(int percent) {
    m_store->setProgress(percent);
}

int PageStoreDocument::pageCount() const {
    return m_store->pageCount();
}

int PageStoreDocument::pagesAvailable() const {
    return m_store->pagesAvailable();
}

int PageStoreDocument::progressPercent() const {
    return m_store->progress();
}

bool PageStoreDocument::isFinished() const {
    return m_store->isFinished();
}

bool PageStoreDocument::isLoadedFromFile() const {
    return m_store->loadedFromFile();
}

QString PageStoreDocument::title() const {
    return m_store->title();
}

QSizeF PageStoreDocument::paperSize() const {
    return m_store->loadedFromFile() ? m_store->printerSettings().paper.tenthsMm() : m_reportPaper;
}

QSizeF PageStoreDocument::pageFrameTenthsMm(int n) const {
    try {
        if (const Metafile* picture = page(n)) {
            const QSizeF frame = picture->frameMm() * 10.0;
            if (frame.width() > 0 && frame.height() > 0)
                return frame;
        }
    } catch (const Error&) {
        // An unreadable page draws nothing; its size does not matter.
    }
    return paperSize();
}

const Metafile* PageStoreDocument::page(int n) const {
    if (n < 1 || n > m_store->pageCount())
        return nullptr;
    if (m_cachedPage != n) {
        m_cachedPage = 0;
        m_cached = Metafile::fromBytes(m_store->readPage(n));
        m_cachedPage = n;
    }
    return &m_cached;
}

void PageStoreDocument::drawPage(int n, QPainter& painter, const QRectF& target) const {
    std::string problem;
    try {
        if (const Metafile* picture = page(n))
            picture->play(painter, target, &problem);
    } catch (const Error& failure) {
        // A page that cannot be read draws nothing; the pages were checked when they came in.
        problem = failure.what();
    }
    if (problem.empty())
        m_problems.erase(n);
    else
        m_problems[n] = QString::fromStdString(problem);
}

QString PageStoreDocument::pageProblem(int n) const {
    const auto found = m_problems.find(n);
    return found == m_problems.end() ? QString() : found->second;
}

void PageStoreDocument::saveTo(const QString& path) const {
    m_store->saveToFile(path);
}

void PageStoreDocument::saveCompressedTo(const QString& path) const {
    m_store->saveToFile(path, true);
}

void PageStoreDocument::loadFrom(const QString& path) {
    m_store->loadFromFile(path); // checks everything first; on failure nothing has changed
    m_cachedPage = 0;
    m_cached = Metafile();
    m_problems.clear();
}

} // namespace qlx
