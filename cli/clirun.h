#pragma once

#include <QStringList>

#include <cstdio>

namespace cli {

// Runs `mirtlog` with the arguments that follow the program's name, writing
// to `out` and `err`; returns the exit status. Needs a QCoreApplication.
int run(const QStringList &arguments, std::FILE *out, std::FILE *err);

} // namespace cli
