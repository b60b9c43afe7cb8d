#pragma once

#include "actionoccurrences.h"
#include "logfile.h"

#include <QString>

#include <atomic>
#include <memory>
#include <vector>

// The texts of every run of an analysis, made once off the GUI thread: the
// table shows them, narrowing searches them and sorting compares them.
struct RunTexts final
{
    std::vector<QString> names;
    std::vector<QString> arguments;
    // The message of the record the Cause column shows.
    std::vector<QString> causes;
    // How the failure was traced, e.g.
    // `PickPlace → Grip (Cancelled) → "gripper pressure low" at 812.4`.
    std::vector<QString> causeChains;
    // The short names of a merged view's files, by source; empty for one
    // file.
    std::vector<QString> sourceNames;
    // Name, arguments, outcome, subsystem and cause, in small letters, one
    // per line: what the narrowing words are looked for in.
    std::vector<QString> haystacks;
    // Per run, the place of its name, arguments, subsystem and cause among
    // all of them in alphabetical order (small and capital letters alike):
    // sorting compares these numbers instead of the texts.
    std::vector<int> nameRanks;
    std::vector<int> argumentRanks;
    std::vector<int> subsystemRanks;
    std::vector<int> causeRanks;
    // The widest texts of the Id, Start, End and Duration columns, for
    // fitting them without measuring every row.
    int widestId = 0;
    QString longestArguments;
    double widestTime = 0;
    double widestDuration = 0;

    // Nothing when `cancelled` is set before it is done.
    static std::shared_ptr<const RunTexts> make(const ActionAnalysis &analysis, const LogFile::ReadAccess &file,
                                                const std::atomic<bool> *cancelled = nullptr);
};
