#pragma once

#include <QWidget>

namespace qlx {

// A horizontal bar gauge: a black bar on white inside a single black border, no text.
// Progress is clamped into [minimum, maximum]; the gauge repaints only when the whole-number
// percentage done changes.
class Gauge : public QWidget {
    Q_OBJECT
public:
    explicit Gauge(QWidget* parent = nullptr);

    void setRange(int minimum, int maximum);
    int minimum() const { return m_min; }
    int maximum() const { return m_max; }

    void setProgress(int progress);
    int progress() const { return m_progress; }

    // (progress - minimum) * 100 / (maximum - minimum), truncated.
    int percentDone() const;

    // How many repaints a progress change has asked for (for tests).
    int repaintRequests() const { return m_repaintRequests; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_min = 0;
    int m_max = 100;
    int m_progress = 0;
    int m_repaintRequests = 0;
};

} // namespace qlx
