#include "filefingerprint.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

namespace fingerprints {

namespace {

// The SHA-256 in hex of the first `length` bytes of `file` (of none, for
// 0); empty when fewer can be read.
QByteArray hashOfStart(QFile &file, qint64 length)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    qint64 left = length;
    QByteArray block;
    while (left > 0) {
        block = file.read(std::min<qint64>(left, 64 * 1024));
        if (block.isEmpty())
            return {};
        hash.addData(block);
        left -= block.size();
    }
    return hash.result().toHex();
}

} // namespace

FileFingerprint take(const QString &path)
{
    FileFingerprint print;
    const QFileInfo info(path);
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        return print;
    const qint64 size = info.size();
    const qint64 length = std::min(size, hashedBytes);
    const QByteArray hash = hashOfStart(file, length);
    if (hash.isEmpty())
        return print;
    print.size = size;
    print.modifiedMs = info.lastModified().toMSecsSinceEpoch();
    print.hashedLength = length;
    print.sha256 = hash;
    return print;
}

Change compare(const QString &path, const FileFingerprint &saved)
{
    const QFileInfo info(path);
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        return Change::Missing;
    if (!saved.isKnown())
        return Change::Same;
    const qint64 size = info.size();
    if (size < saved.size || saved.hashedLength > saved.size)
        return Change::Changed;
    if (hashOfStart(file, saved.hashedLength) != saved.sha256)
        return Change::Changed;
    if (size > saved.size)
        return Change::Grew;
    // The same size and start: the same file, unless bytes past the hashed
    // start may have been written anew since.
    if (saved.hashedLength < size && info.lastModified().toMSecsSinceEpoch() != saved.modifiedMs)
        return Change::Changed;
    return Change::Same;
}

} // namespace fingerprints
