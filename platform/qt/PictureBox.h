#pragma once

#include <QFutureWatcher>
#include <QImage>
#include <QLabel>
#include <memory>

#include "net/Text.h"

namespace vexmora::platform {

// The picture box 图片框1: shows encoded image bytes scaled to fit its area, keeping their
// shape. Decoding runs off the user-interface thread, so a large picture never stalls it.
class PictureBox : public QLabel {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);
    ~PictureBox() override;

    // Shows the picture; empty or undecodable bytes leave the box empty.
    void SetPicture(std::shared_ptr<const Bytes> picture);

    // True while no decode is pending and the box shows the latest picture given.
    bool IsSettled() const { return pending_ == 0; }

signals:
    void doubleClicked();
    // The latest picture is on screen (or the box was cleared).
    void pictureShown();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void Show(const QImage& image, quint64 generation);

    quint64 generation_ = 0;
    int pending_ = 0;
};

} // namespace vexmora::platform
