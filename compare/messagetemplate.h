#pragma once

#include <QString>

namespace MessageTemplate {

// The message with every run of digits replaced by `#`, and every word
// that is a hexadecimal number of six or more hex digits, at least one of
// them 0-9, with or without a leading 0x, replaced by a single `#`: two
// records that differ only in their numbers share a template.
QString of(const QString &message);

} // namespace MessageTemplate
