#include "platform/qt_sound.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>
#include <system_error>

#include "support/diagnostic_log.h"

namespace bb::platform {

QtSound::QtSound() = default;
QtSound::~QtSound() = default;

bool QtSound::Audible() const {
    // Asking costs a round trip to the sound server, or a connection tried
    // and failed when there is none: the emergency check asks on every pass.
    if (!devices_) {
        devices_ = std::make_unique<QMediaDevices>();
        QObject::connect(devices_.get(), &QMediaDevices::audioOutputsChanged, devices_.get(),
                         [this] { askedAt_.invalidate(); });
    }
    if (!askedAt_.isValid() || askedAt_.hasExpired(30000)) {
        audible_ = !QMediaDevices::defaultAudioOutput().isNull();
        askedAt_.start();
    }
    return audible_;
}

void QtSound::PlayAsync(const std::filesystem::path& file) {
    std::error_code ec;
    if (file.empty() || !std::filesystem::is_regular_file(file, ec)) return;
    if (!effect_) {
        effect_ = std::make_unique<QSoundEffect>();
        // A file that cannot be played is said once per file and run: the
        // alarm comes again with every rebuild.
        QObject::connect(effect_.get(), &QSoundEffect::statusChanged, effect_.get(), [this] {
            if (effect_->status() != QSoundEffect::Error) return;
            const std::string name = effect_->source().toLocalFile().toStdString();
            if (!unplayable_.insert(name).second) return;
            Common::WriteErrorLog("Alarm sound not played: " + name +
                                  " is not a sound file that can be played");
        });
    }
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
