#pragma once

#include <QImage>
#include <QWidget>

#include "pictures/Picture.h"

namespace qlx {

// An image control: shows its picture (bitmap, icon or metafile) stretched to the control's
// size.
class ImageBox : public QWidget {
    Q_OBJECT
public:
    explicit ImageBox(QWidget* parent = nullptr);

    // The control keeps a copy; pixels stay shared until one side is drawn on.
    void setPicture(const Picture& picture);
    const Picture& picture() const { return m_picture; }

    // The picture drawn into a bitmap image.
    QImage image() const { return m_picture.toImage(); }

    // The bitmap to draw on, detached from every copy; the control repaints afterwards. An
    // empty control first gets a white bitmap of its own size. Throws for an icon or a
    // metafile.
    QImage& canvas();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Picture m_picture;
};

} // namespace qlx
