#include "platform/qt_user_interface.h"

#include <QApplication>
#include <QMessageBox>

namespace bb::platform {

void QtUserInterface::MessageBox(std::string_view text, std::string_view caption, int style) {
    QMessageBox box(style & sys::kMbIconStop ? QMessageBox::Critical : QMessageBox::NoIcon,
                    QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())),
                    QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                    QMessageBox::Ok);
    box.exec();
}

}  // namespace bb::platform
