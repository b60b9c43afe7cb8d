#include "cliinput.h"

#include "localpath.h"
#include "logloader.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <algorithm>

#include <fcntl.h>
#include <unistd.h>

namespace cli {

QString standardInputName()
{
    return QStringLiteral("(standard input)");
}

QString inputName(const QString &argument)
{
    return argument == QLatin1String("-") ? standardInputName() : displayPath(argument);
}

int openInput(const QString &argument, QString &error)
{
    if (argument != QLatin1String("-"))
        return openLogFileDescriptor(argument, error);
    const int fd = ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0);
    if (fd < 0)
        error = QStringLiteral("cannot read standard input");
    return fd;
}

FileLoads::FileLoads(const QStringList &arguments, bool all)
    : arguments(arguments)
    , work(new BackgroundWork(&receiver))
    , loads(size_t(arguments.size()))
{
    while (started < (all ? count() : std::min(count(), readAhead + 1)))
        start(started++);
}

void FileLoads::start(int index)
{
    Slot &slot = loads[size_t(index)];
    const int fd = openInput(arguments[index], slot.error);
    if (fd < 0) {
        slot.finished = true;
        return;
    }
    LogLoader::Client client;
    client.done = [this, index](std::shared_ptr<LogFile> file) {
        loads[size_t(index)].file = std::move(file);
        loads[size_t(index)].finished = true;
    };
    client.failed = [this, index] {
        loads[size_t(index)].error = QStringLiteral("cannot be read");
        loads[size_t(index)].finished = true;
    };
    slot.loader = LogLoader::start(inputName(arguments[index]), fd, *work, std::move(client));
}

FileLoads::~FileLoads()
{
    cancel();
}

void FileLoads::cancel()
{
    work->cancelAll();
}

std::shared_ptr<LogFile> FileLoads::take(int index)
{
    while (started < std::min(count(), index + readAhead + 1))
        start(started++);
    Slot &slot = loads[size_t(index)];
    QEventLoop loop;
    while (!slot.finished)
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    slot.loader.reset();
    return std::move(slot.file);
}

} // namespace cli
