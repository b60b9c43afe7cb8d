#pragma once

#include <QByteArray>

// The work of each fuzz target, shared with the regression tests that replay
// every input a fuzzer ever found troublesome. Each function returns normally
// for any input; a broken invariant aborts.
namespace fuzzentries {

// Arbitrary bytes as a log file: loaded, then shown in a viewer.
void readLogBytes(const QByteArray &data);
// Each line as the message of an action record, linked as the loader does;
// then checks that no action became its own descendant.
void linkActionMessages(const QByteArray &data);
// Arbitrary text as a filter, parsed against the log expression context and,
// when it parses, evaluated on a few viewer rows.
void runFilterText(const QByteArray &data);
// Each line matched by the reader's scanner and by the two regular
// expressions it stands for; aborts where they disagree on a match, a group
// or the time's value.
void compareScanners(const QByteArray &data);

} // namespace fuzzentries
