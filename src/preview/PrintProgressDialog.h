#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace qlx {

// "Printing progress": shown while a report is produced on the printer. Progress is shown in
// steps of 5 percent; Cancel marks the job as cancelled for the producer to notice.
class PrintProgressDialog : public QDialog {
    Q_OBJECT
public:
    explicit PrintProgressDialog(QWidget* parent = nullptr);

    void setProgress(int percent);
    // Progress counted in pages: `done` of `total` finished, shown in the steps of 5 percent.
    void setPagesDone(int done, int total);
    int pagesDone() const { return m_pagesDone; }
    bool isCancelled() const { return m_cancelled; }

    QProgressBar* bar() const { return m_bar; }
    QLabel* textLine() const { return m_text; }
    QPushButton* cancelButton() const { return m_cancel; }

    // The text line for a progress of p percent: p, "% " and " Completed".
    static QString progressText(int percent);

private:
    QProgressBar* m_bar;
    QLabel* m_text;
    QPushButton* m_cancel;
    bool m_cancelled = false;
    int m_pagesDone = 0;
};

} // namespace qlx
