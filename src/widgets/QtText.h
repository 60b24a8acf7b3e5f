// Texts of the layers below (UTF-8 in std::string_view) as Qt's strings.
#pragma once

#include <QString>
#include <string_view>

namespace widgets {

inline QString Q(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace widgets
