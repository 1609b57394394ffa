#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QString>

class QProgressDialog;
class QWidget;

namespace qlx {

// Progress of a long piece of work done on the user-interface thread, with a Cancel button.
// The dialog (window-modal over `parent`) appears only once the work has taken longer than
// the show delay, so short work shows nothing. Each step lets the windows repaint and take
// clicks, at most every kEventsEveryMs, so the program stays responsive while the work goes
// on and a click on Cancel is seen.
class WorkProgress {
public:
    static constexpr int kEventsEveryMs = 30;
    static constexpr int kDefaultShowDelayMs = 400;

    WorkProgress(QWidget* parent, const QString& text);
    ~WorkProgress();
    WorkProgress(const WorkProgress&) = delete;
    WorkProgress& operator=(const WorkProgress&) = delete;

    // `done` of `total` pieces are finished; false once the user has cancelled.
    bool step(int done, int total);
    bool cancelled() const { return m_cancelled; }
    // The dialog, once it has appeared.
    QProgressDialog* dialog() const;

    // How long work runs before the dialog appears (tests set 0); the default above.
    static void setShowDelay(int ms);

private:
    QWidget* m_parent;
    QString m_text;
    QElapsedTimer m_clock;
    qint64 m_lastEvents = 0;
    QPointer<QProgressDialog> m_dialog;
    bool m_cancelled = false;
};

} // namespace qlx
