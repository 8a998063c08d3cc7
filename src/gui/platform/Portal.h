#pragma once

#include <QString>

// Where the desktop portal answers on the session bus.
namespace Portal {
inline const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
inline const QString path = QStringLiteral("/org/freedesktop/portal/desktop");
} // namespace Portal
