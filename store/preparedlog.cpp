#include "preparedlog.h"

#include "localpath.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace {

// The SHA-256 of the file open at `descriptor`, read in blocks; empty with
// `error` set when reading fails or `cancelled` is set.
QString sha256Of(int descriptor, const QString &path, QString &error, const std::atomic<bool> *cancelled)
{
    QFile device;
    if (!device.open(descriptor, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        error = QStringLiteral("cannot open '") + displayPath(path) + QStringLiteral("' for reading");
        return QString();
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (;;) {
        if (cancelled && cancelled->load(std::memory_order_relaxed)) {
            error = QStringLiteral("cancelled");
            return QString();
        }
        const qint64 got = device.read(block.data(), block.size());
        if (got < 0) {
            error = QStringLiteral("cannot read '") + displayPath(path) + QStringLiteral("': ")
                + device.errorString();
            return QString();
        }
        if (got == 0)
            break;
        hash.addData(block.constData(), int(got));
    }
    return QString::fromLatin1(hash.result().toHex());
}

} // namespace

QString PreparedLog::timeText(const QDateTime &time)
{
    return time.toUTC().toString(Qt::ISODateWithMs);
}

PreparedLog PreparedLog::prepare(const QString &path, const KnownFile *known, const std::atomic<bool> *cancelled)
{
    PreparedLog log;
    log.path = path;
    // The same checks and messages as opening the file in the viewer; a
    // compressed file is hashed as its bytes are, and read as its text.
    const int descriptor = openLogFileDescriptor(path, log.error);
    if (descriptor < 0)
        return log;
    const QFileInfo info(path);
    log.size = info.size();
    log.mtime = timeText(info.lastModified());
    log.sha256 = sha256Of(descriptor, path, log.error, cancelled);
    if (!log.error.isEmpty())
        return log;
    if (known && known->size == log.size && known->mtime == log.mtime && known->sha256 == log.sha256) {
        log.unchanged = true;
        return log;
    }
    QStringList messages;
    log.file = LogFile::load(path, messages);
    if (!log.file) {
        log.error = messages.value(0, QStringLiteral("cannot read '") + displayPath(path) + QLatin1Char('\''));
        return log;
    }
    const LogFile::ReadAccess access(*log.file);
    log.analysis = ActionAnalysis::compute(access, access.count(), cancelled);
    if (log.analysis)
        log.texts = RunTexts::make(*log.analysis, access, cancelled);
    if (!log.texts) {
        log.file.reset();
        log.analysis.reset();
        log.error = QStringLiteral("cancelled");
    }
    return log;
}
