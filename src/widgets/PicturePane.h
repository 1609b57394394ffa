#pragma once

#include <QWidget>

#include "pictures/Picture.h"

namespace qlx {

// The preview pane of the picture dialog: the picture centred when it fits, otherwise shrunk
// to fit keeping its proportions; "(None)" when there is no picture.
class PicturePane : public QWidget {
    Q_OBJECT
public:
    explicit PicturePane(QWidget* parent = nullptr);

    void setPicture(const Picture& picture);
    const Picture& picture() const { return m_picture; }

    // Where a picture of `picture` size is drawn in a pane of `pane` size.
    static QRect placement(const QSize& picture, const QSize& pane);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Picture m_picture;
};

} // namespace qlx
