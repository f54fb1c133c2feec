#include "platform/qt_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <cstring>

namespace bb::platform {

std::optional<Picture> QtClipboard::GetBitmap() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) return std::nullopt;
    const QImage image = clipboard->image().convertToFormat(QImage::Format_ARGB32);
    if (image.isNull()) return std::nullopt;
    Picture p;
    p.width = image.width();
    p.height = image.height();
    p.argb.resize(static_cast<std::size_t>(p.width) * static_cast<std::size_t>(p.height));
    for (int y = 0; y < p.height; ++y)
        std::memcpy(p.argb.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(p.width),
                    image.constScanLine(y), static_cast<std::size_t>(p.width) * 4);
    return p;
}

void QtClipboard::Keep() {
    kept_.reset();
    QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
    if (!data) return;
    kept_ = std::make_unique<QMimeData>();
    for (const QString& format : data->formats())
        kept_->setData(format, data->data(format));
}

void QtClipboard::PutBack() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard || !kept_) return;
    if (kept_->formats().isEmpty())
        clipboard->clear();
    else
        clipboard->setMimeData(kept_.release());  // the clipboard owns it from here
    kept_.reset();
}

}  // namespace bb::platform
