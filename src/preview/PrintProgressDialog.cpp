#include "preview/PrintProgressDialog.h"

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

namespace qlx {

PrintProgressDialog::PrintProgressDialog(QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::CustomizeWindowHint)
    , m_bar(new QProgressBar(this))
    , m_text(new QLabel(this))
    , m_cancel(new QPushButton(tr("Cancel"), this)) {
    setObjectName("PrintProgressDialog");
    setWindowTitle("Printing progress");
    setFixedSize(149, 97);
    m_bar->setObjectName("ProgressBar");
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_bar->setTextVisible(false);
    m_bar->setGeometry(16, 18, 114, 16);
    m_text->setObjectName("ProgressText");
    m_text->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_text->setGeometry(0, 44, 149, fontMetrics().height());
    m_cancel->setObjectName("CancelButton");
    m_cancel->setGeometry(36, 60, 75, 25);
    connect(m_cancel, &QPushButton::clicked, this, [this] { m_cancelled = true; });
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

QString PrintProgressDialog::progressText(int percent) {
    return QString::number(percent) + "% " + " Completed";
}

void PrintProgressDialog::setProgress(int percent) {
    if (percent < 0 || percent > 100 || percent % 5 != 0)
        return;
    m_bar->setValue(percent);
    m_text->setText(progressText(percent));
}

void PrintProgressDialog::setPagesDone(int done, int total) {
    if (total <= 0 || done < 0 || done > total)
        return;
    m_pagesDone = done;
    const int percent = int(qint64(done) * 100 / total);
    setProgress(percent - percent % 5);
    m_bar->setToolTip(tr("%1 of %2 pages").arg(done).arg(total));
}

} // namespace qlx
