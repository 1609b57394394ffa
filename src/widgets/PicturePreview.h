#pragma once

#include <QWidget>

class QLabel;

namespace qlx {

class PicturePane;

// The side panel of the picture dialog: a caption with the picture's size, " (WxH)", above
// the preview pane, or "Picture:" over a pane reading "(None)" when the selection is not a
// picture that loads.
class PicturePreview : public QWidget {
    Q_OBJECT
public:
    explicit PicturePreview(QWidget* parent = nullptr);

    // Shows the file at `path`; a folder, a missing file or one that fails to load shows none.
    void showFile(const QString& path);

    QString caption() const;
    PicturePane* pane() const { return m_pane; }

private:
    QLabel* m_caption = nullptr;
    PicturePane* m_pane = nullptr;
};

} // namespace qlx
