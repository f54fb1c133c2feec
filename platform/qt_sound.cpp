#include "platform/qt_sound.h"

#include <QSoundEffect>
#include <QUrl>
#include <system_error>

namespace bb::platform {

QtSound::QtSound() = default;
QtSound::~QtSound() = default;

void QtSound::PlayAsync(const std::filesystem::path& file) {
    std::error_code ec;
    if (file.empty() || !std::filesystem::is_regular_file(file, ec)) return;
    if (!effect_) effect_ = std::make_unique<QSoundEffect>();
    if (source_ != file) {
        source_ = file;
        effect_->setSource(QUrl::fromLocalFile(QString::fromStdString(file.string())));
    }
    // Loading and playing happen behind the event loop; a sound still
    // playing starts over.
    if (effect_->status() == QSoundEffect::Error) {
        source_.clear();  // tried again from the file next time
        return;
    }
    effect_->play();
    ++started_;
}

}  // namespace bb::platform
