#pragma once

#include <QStringList>

class QVariant;

// Lists of text the window keeps in its settings: the recent files and the
// filter history. A settings file is input like any other: damaged, or
// edited by hand, it may hold a string of megabytes, a list of a hundred
// thousand entries, or values that are not text at all.
namespace settingslists {

// The strings of `value` (a list, or a single string), in order: each one
// not empty, at most `maxLength` characters long and listed once, and at
// most `maxEntries` of them. Anything else is dropped.
QStringList bounded(const QVariant &value, int maxEntries, int maxLength);

// A single string setting, or `fallback` when it is not a string, is empty
// or is longer than `maxLength`.
QString boundedString(const QVariant &value, int maxLength, const QString &fallback);

} // namespace settingslists
