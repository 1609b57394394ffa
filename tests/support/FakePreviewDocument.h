#pragma once

#include <QColor>
#include <QList>
#include <memory>

#include "pagestore/PreviewDocument.h"

namespace qlx::test {

// A test double for the page store: pages are solid colours drawn with a frame and their
// number, saved to and loaded from a small text file of its own.
class FakePreviewDocument : public PreviewDocument {
    Q_OBJECT
public:
    explicit FakePreviewDocument(QSizeF paperTenthsMm = QSizeF(2100, 2970));
    ~FakePreviewDocument() override;

    // Adds a page and announces it, as the report's production does.
    void addPage(const QColor& colour);
    void finish() { m_finished = true; }
    void reportProgress(int percent);

    int pageCount() const override { return int(m_pages.size()); }
    int pagesAvailable() const override { return int(m_pages.size()); }
    int progressPercent() const override { return m_progress; }
    bool isFinished() const override { return m_finished; }
    bool isLoadedFromFile() const override { return m_loaded; }
    QString title() const override { return m_title; }
    QSizeF paperSize() const override { return m_paper; }
    void drawPage(int n, QPainter& painter, const QRectF& target) const override;
    void saveTo(const QString& path) const override;
    void loadFrom(const QString& path) override;

    void setTitle(const QString& t) { m_title = t; }
    QColor pageColour(int n) const { return m_pages.value(n - 1); }
    int drawCount() const { return m_drawCount; }
    // Set to false when the document is released.
    std::shared_ptr<bool> alive() const { return m_alive; }

private:
    QList<QColor> m_pages;
    QSizeF m_paper;
    QString m_title;
    bool m_finished = false;
    bool m_loaded = false;
    int m_progress = 0;
    mutable int m_drawCount = 0;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

} // namespace qlx::test
