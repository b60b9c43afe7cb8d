#include "fuzzentries.h"

#include "actionparser.h"
#include "expr.h"
#include "exprnode.h"
#include "logfile.h"
#include "logfileentry.h"
#include "logfileexprcontext.h"
#include "logfileviewer.h"
#include "loginput.h"
#include "logreader.h"
#include "logscanner.h"

#include <QApplication>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <cmath>
#include <cstdlib>

namespace {

void ensureApplication()
{
    if (QApplication::instance())
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    new QApplication(argc, argv); // lives for the whole process
}

QString writeTemporary(const QByteArray &data)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("input.log"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(data);
    return path;
}

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// Depth-first walk that aborts when an action is reached again below itself.
void checkAcyclic(const RobotAction *action, QSet<const RobotAction *> &path, QSet<const RobotAction *> &done)
{
    if (done.contains(action))
        return;
    check(!path.contains(action));
    path.insert(action);
    check(path.size() <= LogFile::maxActionDepth + 1);
    for (const auto &child : action->children())
        checkAcyclic(child, path, done);
    path.remove(action);
    done.insert(action);
}

const char filterLog[] =
    "0.5 : Info : drive : Moving to dock\n"
    "1.0 : Warning : vision : Exposure clipped\n"
    "    vision : lowering gain\n"
    "1.5 : Info : planner : starting action: 5: Pick, bin3 [6: Move, 0.4 [],7: Grip []]\n"
    "2.0 : Error : arm : Joint 4 over temperature\n"
    "2.5 : Info : planner : completing action: 5:\n"
    "98.76543 : Debug : battery : 81 %\n";

} // namespace

namespace fuzzentries {

void readLogBytes(const QByteArray &data)
{
    ensureApplication();
    QStringList errors;
    std::shared_ptr<LogFile> file = LogFile::load(writeTemporary(data), errors);
    // Every regular file opens: data that starts as compressed data is
    // read as far as it expands.
    check(file != nullptr);
    if (!file)
        return;
    LogFileViewer viewer(file);
    check(viewer.topLevelItemCount() == file->entries().size());
    for (int row = 0; row < viewer.topLevelItemCount(); row += 97)
        viewer.setCurrentItem(viewer.topLevelItem(row));
    // Compressed data was expanded by the load: the comparison below is of text.
    if (compressionOfHead(data.left(6)) != LogCompression::None)
        return;

    // The same bytes as a background load reads them: in pieces of all
    // sizes, entries handed on as they are finished and linked apart from
    // the reading. It must give the same entries, links and messages.
    LogFile piped(file->path());
    {
        LogFile::Batch handed;
        LogReader reader(piped);
        reader.setEntrySink([&handed](LogFileEntry &&entry, EntryLines line) {
            handed.emplace_back(std::move(entry), line);
        });
        // Linked piece by piece while reading goes on, as a load does: the
        // messages of linking wait until the reader is done.
        const auto link = [&] {
            LogFile::Appender appender(piped);
            appender.holdLinkProblems(true);
            appender.append(handed);
        };
        for (int done = 0, step = 0; done < data.size(); ++step) {
            const int piece = std::min(data.size() - done, 1 + (uchar(data.at(step % data.size())) * 37 + step) % 301);
            reader.addData(data.constData() + done, piece);
            done += piece;
            link();
        }
        reader.finish();
        link();
        LogFile::Appender(piped).holdLinkProblems(false);
    }
    check(piped.entries().size() == file->entries().size());
    for (int i = 0; i < piped.entries().size(); ++i) {
        const LogFileEntry &a = *piped.entries().at(i);
        const LogFileEntry &b = *file->entries().at(i);
        // A time no double holds makes its line unreadable.
        check(std::isfinite(a.time()) && a.time() == b.time());
        check(a.type() == b.type() && a.subsystem() == b.subsystem() && a.message() == b.message());
        check(a.hasAction() == b.hasAction());
        check(!a.hasAction() || (a.action()->id() == b.action()->id() && a.activity() == b.activity()));
    }
    check(piped.messages() == file->messages() && piped.problemCount() == file->problemCount());
}

void linkActionMessages(const QByteArray &data)
{
    LogFile file(QStringLiteral("fuzz"));
    const QList<QByteArray> lines = data.split('\n');
    for (const QByteArray &line : lines) {
        const QString message = QString::fromUtf8(line);
        int position = 0;
        if (matchActionPrefix(message, position).isEmpty())
            continue;
        file.findOrParseAction(message, position);
        check(position >= 0 && position <= message.size());
    }
    QSet<const RobotAction *> path, done;
    for (const auto &action : file.actions())
        checkAcyclic(action.get(), path, done);
}

void runFilterText(const QByteArray &data)
{
    ensureApplication();
    static std::shared_ptr<LogFile> file = [] {
        QStringList errors;
        return LogFile::load(writeTemporary(QByteArray(filterLog)), errors);
    }();
    static LogFileViewer *viewer = new LogFileViewer(file);

    mirt::expr::Expr expr;
    LogFileExprContext context;
    QString error;
    if (!expr.parse(context, QString::fromUtf8(data), error)) {
        check(!expr.root);
        return;
    }
    check(error.isEmpty());
    QStringList names;
    expr.root->getVariables(names);
    expr.root->toString();
    context.setLogFile(file);
    for (int row = 0; row < viewer->topLevelItemCount(); ++row) {
        context.setItem(viewer->topLevelItem(row));
        expr.evaluate(context);
    }
}

void compareScanners(const QByteArray &data)
{
    static const QRegularExpression record(
        QStringLiteral("([0-9]+\\.[0-9]+) *: *(Info|Debug|Warning|Error) *: *([a-zA-Z0-9]+) *: *(.*)"));
    static const QRegularExpression continuation(QStringLiteral(" *([a-zA-Z0-9]+) *: *(.*)"));
    static const char *const levels[] = {"Debug", "Info", "Warning", "Error"};

    const QStringList lines = QString::fromUtf8(data).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        const QRegularExpressionMatch expected = record.match(line);
        RecordLineMatch got;
        const bool matched = matchRecordLine(line.constData(), line.size(), got);
        check(matched == expected.hasMatch());
        if (matched) {
            const QString time = line.mid(got.timeBegin, got.timeEnd - got.timeBegin);
            check(time == expected.captured(1));
            check(int(got.type) >= 0 && int(got.type) < 4 && expected.captured(2) == QLatin1String(levels[got.type]));
            check(line.mid(got.subsystemBegin, got.subsystemEnd - got.subsystemBegin) == expected.captured(3));
            check(line.mid(got.messageBegin) == expected.captured(4));
            const double value = recordTime(time.constData(), time.size());
            const double reference = time.toDouble();
            check(value == reference || (value != value && reference != reference));
        }
        const QRegularExpressionMatch expectedContinuation = continuation.match(line);
        ContinuationLineMatch gotContinuation;
        const bool continued = matchContinuationLine(line.constData(), line.size(), gotContinuation);
        check(continued == expectedContinuation.hasMatch());
        if (continued) {
            check(line.mid(gotContinuation.subsystemBegin, gotContinuation.subsystemEnd - gotContinuation.subsystemBegin)
                  == expectedContinuation.captured(1));
            check(line.mid(gotContinuation.textBegin) == expectedContinuation.captured(2));
        }
    }
}

} // namespace fuzzentries
