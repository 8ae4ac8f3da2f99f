#pragma once

#include <QString>
#include <QUrl>
#include <optional>

// Addresses in this program come from web pages: only web addresses may reach
// the system's opener, never a local path, file: or another scheme that could
// start a program.
namespace AddressRule {

std::optional<QUrl> openableAddress(const QString &address);

} // namespace AddressRule
