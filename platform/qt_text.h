// The board's texts (UTF-8) as Qt shows them.
#pragma once

#include <QString>
#include <string_view>

namespace bb::platform {

inline QString Q(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace bb::platform
