#pragma once

#include <QImage>
#include <QWidget>

// A picture of a pet on a checkered background, so its transparent parts show as such. Without
// an image it shows a faint paw as a placeholder.
class CheckeredImage : public QWidget {
    Q_OBJECT

public:
    CheckeredImage(int side, int cell, QWidget *parent = nullptr);

    void setImage(const QImage &image);
    bool hasImage() const { return !m_image.isNull(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_image;
    int m_cell;
};
