#include "localpath.h"

#include <QFile>
#include <QFileInfo>
#include <QTextCodec>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr ushort escapeBase = 0xDC00;

bool isEscape(QChar c)
{
    return c.unicode() >= escapeBase + 0x80 && c.unicode() <= escapeBase + 0xFF;
}

// Length of the well-formed UTF-8 sequence at `data`, or 0.
int utf8SequenceLength(const uchar *data, int available)
{
    const uchar lead = data[0];
    int length = 0;
    uint minimum = 0;
    uint value = 0;
    if (lead < 0x80)
        return 1;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        minimum = 0x80;
        value = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        minimum = 0x800;
        value = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        minimum = 0x10000;
        value = lead & 0x07;
    } else {
        return 0;
    }
    if (available < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((data[i] & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (data[i] & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    return length;
}

bool localeIsUtf8()
{
    return QTextCodec::codecForLocale()->mibEnum() == 106;
}

} // namespace

QString decodeLocalPath(const QByteArray &bytes)
{
    const QString plain = QFile::decodeName(bytes);
    if (QFile::encodeName(plain) == bytes)
        return plain;
    if (!localeIsUtf8())
        return plain; // single-byte locales decode every byte
    QString result;
    result.reserve(bytes.size());
    const auto *data = reinterpret_cast<const uchar *>(bytes.constData());
    const int size = bytes.size();
    int i = 0;
    while (i < size) {
        const int length = utf8SequenceLength(data + i, size - i);
        if (length == 0) {
            result += QChar(ushort(escapeBase + data[i]));
            ++i;
        } else {
            result += QString::fromUtf8(bytes.constData() + i, length);
            i += length;
        }
    }
    return result;
}

QByteArray encodeLocalPath(const QString &path)
{
    int first = 0;
    while (first < path.size() && !isEscape(path.at(first)))
        ++first;
    if (first == path.size())
        return QFile::encodeName(path);
    QByteArray result;
    int runStart = 0;
    for (int i = 0; i <= path.size(); ++i) {
        if (i < path.size() && !isEscape(path.at(i)))
            continue;
        result += QFile::encodeName(path.mid(runStart, i - runStart));
        if (i < path.size())
            result += char(path.at(i).unicode() - escapeBase);
        runStart = i + 1;
    }
    return result;
}

QString displayPath(const QString &path)
{
    QString result = path;
    for (QChar &c : result) {
        if (isEscape(c))
            c = QChar(QChar::ReplacementCharacter);
    }
    return result;
}

QString shortFileName(const QString &path)
{
    return QFileInfo(displayPath(path)).baseName();
}

int openLogFileDescriptor(const QString &path, QString &error)
{
    const QString shown = displayPath(path);
    const QByteArray name = encodeLocalPath(path);
    struct stat info;
    if (name.isEmpty() || ::stat(name.constData(), &info) != 0) {
        error = errno == ELOOP ? QStringLiteral("file '") + shown + QStringLiteral("' is a symbolic link loop")
                               : QStringLiteral("file '") + shown + QStringLiteral("' does not exist");
        return -1;
    }
    if (!S_ISREG(info.st_mode)) {
        error = QStringLiteral("file '") + shown + QStringLiteral("' is not a regular file");
        return -1;
    }
    // Non-blocking, so that a file swapped for a pipe since the check cannot
    // hang the open; the check below then refuses it.
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat opened;
    if (fd < 0 || ::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        if (fd >= 0)
            ::close(fd);
        error = QStringLiteral("cannot open '") + shown + QStringLiteral("' for reading");
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}
