#pragma once

#include <QByteArray>

namespace fuzzentries {

// Arbitrary bytes as the JSON of a session file: read with its bounds, and
// what was read written and read back the same.
void readSessionJson(const QByteArray &data);

} // namespace fuzzentries
