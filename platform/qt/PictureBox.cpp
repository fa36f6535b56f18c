#include "platform/qt/PictureBox.h"

#include <QMouseEvent>
#include <QPixmap>
#include <QtConcurrent/QtConcurrent>

namespace vexmora::platform {
namespace {

QImage Decode(const std::shared_ptr<const Bytes>& bytes, QSize area) {
    QImage image;
    if (bytes->empty() || !image.loadFromData(bytes->data(), static_cast<int>(bytes->size()))) {
        return {};
    }
    if (image.width() > area.width() || image.height() > area.height()) {
        image = image.scaled(area, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    return image;
}

} // namespace

PictureBox::PictureBox(QWidget* parent) : QLabel(parent) {
    setAlignment(Qt::AlignCenter);
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
}

PictureBox::~PictureBox() = default;

void PictureBox::SetPicture(std::shared_ptr<const Bytes> picture) {
    quint64 generation = ++generation_;
    if (!picture || picture->empty()) {
        Show({}, generation);
        return;
    }
    ++pending_;
    QSize area = contentsRect().size();
    auto* watcher = new QFutureWatcher<QImage>(this);
    connect(watcher, &QFutureWatcher<QImage>::finished, this, [this, watcher, generation] {
        --pending_;
        Show(watcher->result(), generation);
        watcher->deleteLater();
    });
    watcher->setFuture(QtConcurrent::run(Decode, std::move(picture), area));
}

void PictureBox::Show(const QImage& image, quint64 generation) {
    if (generation != generation_) {
        return; // a newer picture is on its way
    }
    if (image.isNull()) {
        clear();
    } else {
        setPixmap(QPixmap::fromImage(image));
    }
    emit pictureShown();
}

void PictureBox::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        emit doubleClicked();
    }
    QLabel::mouseDoubleClickEvent(event);
}

} // namespace vexmora::platform
