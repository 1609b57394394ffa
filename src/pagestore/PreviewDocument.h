#pragma once

#include <QObject>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include "stores/Error.h"

class QPainter;

namespace qlx {

// What the preview window needs of the prepared pages it shows (the page store of one report
// run). The window never reads pages it does not show. Failures of saving and loading are
// thrown as qlx::Error with a message for the user.
class PreviewDocument : public QObject {
    Q_OBJECT
public:
    explicit PreviewDocument(QObject* parent = nullptr)
        : QObject(parent) {}
    ~PreviewDocument() override = default;

    virtual int pageCount() const = 0;
    virtual int pagesAvailable() const = 0;
    virtual int progressPercent() const = 0;
    // All pages of the run are there (production ended, or the pages came from a file).
    virtual bool isFinished() const = 0;
    virtual bool isLoadedFromFile() const = 0;
    // The report title; empty for the label sheet.
    virtual QString title() const = 0;

    // The paper of the pages in tenths of a millimetre, width across: the report's page while
    // it produces, the paper recognised from the first page picture after a load.
    virtual QSizeF paperSize() const = 0;

    // The physical size page n was recorded at, in tenths of a millimetre (its frame); the
    // paper for a document that records none.
    virtual QSizeF pageFrameTenthsMm(int n) const {
        (void)n;
        return paperSize();
    }

    // Plays page n (from 1) stretched over target. Does nothing for a page that is not there.
    virtual void drawPage(int n, QPainter& painter, const QRectF& target) const = 0;
    // What kept page n from being drawn whole when it was last drawn; empty when nothing did.
    virtual QString pageProblem(int n) const {
        Q_UNUSED(n);
        return QString();
    }

    // Copies the prepared pages into a file, replacing it. Only called when finished.
    virtual void saveTo(const QString& path) const = 0;
    // The same with every page picture compressed; a document that cannot throws.
    virtual void saveCompressedTo(const QString& path) const {
        (void)path;
        throw Error("This report cannot be saved compressed");
    }
    // Replaces the pages with those of a prepared report file; on failure nothing changes.
    // Afterwards the document is finished and loaded from file.
    virtual void loadFrom(const QString& path) = 0;

signals:
    // A page has been added; `available` counts the pages there so far.
    void pageAvailable(int available);
    // Production progress in percent.
    void progressChanged(int percent);
};

} // namespace qlx
