#include "widgets/WorkProgress.h"

#include <QCoreApplication>
#include <QProgressDialog>

namespace qlx {

namespace {

int g_showDelayMs = WorkProgress::kDefaultShowDelayMs;

} // namespace

void WorkProgress::setShowDelay(int ms) {
    g_showDelayMs = qMax(0, ms);
}

WorkProgress::WorkProgress(QWidget* parent, const QString& text)
    : m_parent(parent)
    , m_text(text) {
    m_clock.start();
}

WorkProgress::~WorkProgress() {
    delete m_dialog.data();
}

QProgressDialog* WorkProgress::dialog() const {
    return m_dialog.data();
}

bool WorkProgress::step(int done, int total) {
    if (m_cancelled)
        return false;
    const qint64 now = m_clock.elapsed();
    if (now - m_lastEvents < kEventsEveryMs && !(g_showDelayMs == 0 && !m_dialog))
        return true;
    m_lastEvents = now;
    if (!m_dialog && now >= g_showDelayMs) {
        m_dialog = new QProgressDialog(m_text, QStringLiteral("Cancel"), 0, 100, m_parent);
        m_dialog->setObjectName("WorkProgress");
        m_dialog->setWindowTitle(QCoreApplication::applicationName());
        m_dialog->setWindowModality(Qt::WindowModal);
        m_dialog->setMinimumDuration(0);
        m_dialog->setAutoReset(false);
        m_dialog->setAutoClose(false);
        QObject::connect(m_dialog, &QProgressDialog::canceled, [this] { m_cancelled = true; });
        m_dialog->show();
    }
    if (m_dialog && total > 0)
        m_dialog->setValue(int(qint64(done) * 100 / total));
    QCoreApplication::processEvents();
    return !m_cancelled;
}

} // namespace qlx
