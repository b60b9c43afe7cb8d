#include "sessionjson.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSaveFile>

#include <cmath>

namespace sessionjson {

namespace {

// The largest integer a JSON number holds exactly.
constexpr double maxExactInteger = 9007199254740992.0;

QString timeText(const QDateTime &time)
{
    return time.toUTC().toString(Qt::ISODateWithMs);
}

// Reads the fields of one object, keeping the first reason it could not.
class FieldReader
{
public:
    explicit FieldReader(const QJsonObject &object)
        : object(object)
    {
    }

    bool failed() const { return !problem.isEmpty(); }
    const QString &error() const { return problem; }
    const QJsonObject &source() const { return object; }
    void fail(const QString &why)
    {
        if (problem.isEmpty())
            problem = why;
    }

    QString text(const QString &key, int maxLength, bool required = false)
    {
        const QJsonValue value = object.value(key);
        if (value.isUndefined() || value.isNull()) {
            if (required)
                fail(QStringLiteral("'%1' is missing").arg(key));
            return QString();
        }
        if (!value.isString()) {
            fail(QStringLiteral("'%1' is not text").arg(key));
            return QString();
        }
        const QString result = value.toString();
        if (result.size() > maxLength) {
            fail(QStringLiteral("'%1' is longer than %2 characters").arg(key).arg(maxLength));
            return QString();
        }
        return result;
    }

    double number(const QString &key, double low, double high, double fallback, bool integer)
    {
        const QJsonValue value = object.value(key);
        if (value.isUndefined() || value.isNull())
            return fallback;
        const double result = value.toDouble(std::nan(""));
        if (!value.isDouble() || !std::isfinite(result)) {
            fail(QStringLiteral("'%1' is not a number").arg(key));
            return fallback;
        }
        if (result < low || result > high || (integer && std::floor(result) != result)) {
            fail(QStringLiteral("'%1' is out of range").arg(key));
            return fallback;
        }
        return result;
    }

    bool flag(const QString &key)
    {
        const QJsonValue value = object.value(key);
        if (value.isUndefined() || value.isNull())
            return false;
        if (!value.isBool())
            fail(QStringLiteral("'%1' is not true or false").arg(key));
        return value.toBool();
    }

    QJsonObject child(const QString &key)
    {
        const QJsonValue value = object.value(key);
        if (!value.isUndefined() && !value.isNull() && !value.isObject())
            fail(QStringLiteral("'%1' is not an object").arg(key));
        return value.toObject();
    }

    QJsonArray list(const QString &key, bool required = false)
    {
        const QJsonValue value = object.value(key);
        if ((value.isUndefined() || value.isNull()) && !required)
            return {};
        if (!value.isArray())
            fail(QStringLiteral("'%1' is not a list").arg(key));
        return value.toArray();
    }

private:
    const QJsonObject &object;
    QString problem;
};

QJsonObject fileToJson(const SessionFile &file, bool merged, const QString &folder)
{
    QJsonObject object{{QStringLiteral("path"), storedPath(file.path, folder)}};
    if (merged)
        object.insert(QStringLiteral("shift"), file.shift);
    const FileFingerprint &print = file.fingerprint;
    if (print.isKnown()) {
        object.insert(QStringLiteral("size"), double(print.size));
        object.insert(QStringLiteral("modified"), timeText(QDateTime::fromMSecsSinceEpoch(print.modifiedMs, Qt::UTC)));
        object.insert(QStringLiteral("hashedBytes"), double(print.hashedLength));
        object.insert(QStringLiteral("sha256"), QString::fromLatin1(print.sha256));
    }
    return object;
}

QJsonObject tabToJson(const SessionTab &tab, const QString &folder)
{
    QJsonArray files;
    for (const SessionFile &file : tab.files)
        files.append(fileToJson(file, tab.merged, folder));
    QJsonArray bookmarks;
    for (const SessionBookmark &mark : tab.bookmarks) {
        QJsonObject object{{QStringLiteral("line"), double(mark.line)}, {QStringLiteral("note"), mark.note}};
        if (tab.merged)
            object.insert(QStringLiteral("source"), mark.source);
        bookmarks.append(object);
    }
    QJsonObject current;
    if (tab.currentLine > 0) {
        current.insert(QStringLiteral("line"), double(tab.currentLine));
        if (tab.merged)
            current.insert(QStringLiteral("source"), tab.currentSource);
    }
    return QJsonObject{
        {QStringLiteral("merged"), tab.merged},
        {QStringLiteral("files"), files},
        {QStringLiteral("filter"), tab.filter},
        {QStringLiteral("context"), tab.contextRows},
        {QStringLiteral("follow"), tab.following},
        {QStringLiteral("currentRow"), tab.currentLine > 0 ? QJsonValue(current) : QJsonValue()},
        {QStringLiteral("panels"),
         QJsonObject{{QStringLiteral("actions"), tab.showActions}, {QStringLiteral("timeline"), tab.showTimeline}}},
        {QStringLiteral("bookmarks"), bookmarks},
        {QStringLiteral("timeOrigin"), tab.timeOrigin ? QJsonValue(timeText(*tab.timeOrigin)) : QJsonValue()},
    };
}

bool readFingerprint(FieldReader &fields, FileFingerprint &print)
{
    const QString hash = fields.text(QStringLiteral("sha256"), 64);
    if (hash.isEmpty())
        return true; // saved without one: nothing to compare with
    if (hash.size() != 64 || !QRegularExpression(QStringLiteral("^[0-9a-f]+$")).match(hash).hasMatch()) {
        fields.fail(QStringLiteral("'sha256' is not a SHA-256 in hex"));
        return false;
    }
    print.sha256 = hash.toLatin1();
    print.size = qint64(fields.number(QStringLiteral("size"), 0, maxExactInteger, 0, true));
    print.hashedLength = qint64(fields.number(QStringLiteral("hashedBytes"), 0, double(print.size), 0, true));
    const QDateTime modified =
        QDateTime::fromString(fields.text(QStringLiteral("modified"), 64, true), Qt::ISODateWithMs);
    if (!modified.isValid())
        fields.fail(QStringLiteral("'modified' is not a date and time"));
    print.modifiedMs = modified.toMSecsSinceEpoch();
    return !fields.failed();
}

bool readFile(const QJsonValue &value, const QString &folder, SessionFile &file, QString &error)
{
    if (!value.isObject()) {
        error = QStringLiteral("a file is not an object");
        return false;
    }
    const QJsonObject object = value.toObject();
    FieldReader fields(object);
    const QString stored = fields.text(QStringLiteral("path"), maxPathLength, true);
    if (!fields.failed() && stored.isEmpty())
        fields.fail(QStringLiteral("'path' is empty"));
    file.path = resolvedPath(stored, folder);
    file.shift = fields.number(QStringLiteral("shift"), -maxShift, maxShift, 0, false);
    if (!fields.failed())
        readFingerprint(fields, file.fingerprint);
    error = fields.error();
    return !fields.failed();
}

// Bookmarks that cannot be read are left out, and counted.
std::vector<SessionBookmark> readBookmarks(const QJsonArray &list, int files, int &skipped)
{
    std::vector<SessionBookmark> marks;
    skipped = std::max(0, list.size() - maxBookmarks);
    for (int i = 0; i < std::min(list.size(), maxBookmarks); ++i) {
        const QJsonObject object = list.at(i).toObject();
        FieldReader fields(object);
        SessionBookmark mark;
        mark.line = qint64(fields.number(QStringLiteral("line"), 1, double(maxLine), 0, true));
        mark.note = fields.text(QStringLiteral("note"), maxNoteLength);
        mark.source = int(fields.number(QStringLiteral("source"), 0, double(std::max(files - 1, 0)), 0, true));
        if (!list.at(i).isObject() || fields.failed() || mark.line == 0)
            ++skipped;
        else
            marks.push_back(mark);
    }
    return marks;
}

// The parts of a tab besides its files; false with `error` when one is
// not what it should be.
bool readView(FieldReader &fields, SessionTab &tab, QStringList &notes, const QString &name)
{
    tab.filter = fields.text(QStringLiteral("filter"), maxFilterLength);
    tab.contextRows = int(fields.number(QStringLiteral("context"), 0, maxContextRows, 0, true));
    tab.following = fields.flag(QStringLiteral("follow"));
    const QJsonObject current = fields.child(QStringLiteral("currentRow"));
    FieldReader row(current);
    tab.currentLine = qint64(row.number(QStringLiteral("line"), 0, double(maxLine), 0, true));
    tab.currentSource = int(row.number(QStringLiteral("source"), 0, double(tab.files.size() - 1), 0, true));
    if (row.failed())
        fields.fail(QStringLiteral("in 'currentRow', ") + row.error());
    const QJsonObject panels = fields.child(QStringLiteral("panels"));
    FieldReader shown(panels);
    tab.showActions = shown.flag(QStringLiteral("actions"));
    tab.showTimeline = shown.flag(QStringLiteral("timeline"));
    if (shown.failed())
        fields.fail(QStringLiteral("in 'panels', ") + shown.error());
    if (fields.failed())
        return false;
    // A bad bookmark list or time origin costs only itself.
    FieldReader extra(fields.source());
    int skipped = 0;
    tab.bookmarks = readBookmarks(extra.list(QStringLiteral("bookmarks")), int(tab.files.size()), skipped);
    if (skipped > 0)
        notes << QStringLiteral("%1: %2 bookmarks could not be read and were left out").arg(name).arg(skipped);
    const QString origin = extra.text(QStringLiteral("timeOrigin"), 64);
    if (!origin.isEmpty()) {
        const QDateTime time = QDateTime::fromString(origin, Qt::ISODateWithMs);
        if (time.isValid())
            tab.timeOrigin = time;
        else
            extra.fail(QStringLiteral("'timeOrigin' is not a date and time"));
    }
    if (extra.failed())
        notes << QStringLiteral("%1: %2: left out").arg(name, extra.error());
    return true;
}

// A tab, or false with the reason it is left out.
bool readTab(const QJsonValue &value, const QString &folder, SessionTab &tab, QStringList &notes, QString &error)
{
    if (!value.isObject()) {
        error = QStringLiteral("it is not an object");
        return false;
    }
    const QJsonObject object = value.toObject();
    FieldReader fields(object);
    tab.merged = fields.flag(QStringLiteral("merged"));
    const QJsonArray files = fields.list(QStringLiteral("files"), true);
    if (!fields.failed() && (files.isEmpty() || files.size() > maxFilesPerTab || (!tab.merged && files.size() > 1)))
        fields.fail(tab.merged ? QStringLiteral("a merged tab has 1 to %1 files").arg(maxFilesPerTab)
                               : QStringLiteral("a tab has one file"));
    if (fields.failed()) {
        error = fields.error();
        return false;
    }
    for (const QJsonValue &file : files) {
        tab.files.emplace_back();
        if (!readFile(file, folder, tab.files.back(), error))
            return false;
    }
    const QString name = QFileInfo(tab.files.front().path).fileName();
    if (!readView(fields, tab, notes, name)) {
        error = fields.error();
        return false;
    }
    return true;
}

} // namespace

bool isSessionFile(const QString &path)
{
    return path.endsWith(extension, Qt::CaseInsensitive);
}

QString storedPath(const QString &path, const QString &folder)
{
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const QString relative = QDir(folder).relativeFilePath(absolute);
    if (relative.startsWith(QLatin1String("../")) || relative == QLatin1String("..") || QDir::isAbsolutePath(relative))
        return absolute;
    return relative;
}

QString resolvedPath(const QString &stored, const QString &folder)
{
    if (stored.isEmpty())
        return stored;
    return QDir::cleanPath(QDir(folder).absoluteFilePath(stored));
}

QByteArray toJson(const Session &session, const QString &folder)
{
    QJsonArray tabs;
    for (const SessionTab &tab : session.tabs)
        tabs.append(tabToJson(tab, folder));
    const QJsonObject root{
        {QStringLiteral("format"), QStringLiteral("mirtsession")},
        {QStringLiteral("version"), formatVersion},
        {QStringLiteral("current"), session.current},
        {QStringLiteral("tabs"), tabs},
    };
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

ReadResult fromJson(const QByteArray &json, const QString &folder)
{
    ReadResult result;
    QJsonParseError parsing;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parsing);
    if (parsing.error != QJsonParseError::NoError) {
        result.error = QStringLiteral("it is not JSON (%1 at byte %2)").arg(parsing.errorString()).arg(parsing.offset);
        return result;
    }
    const QJsonObject root = document.object();
    FieldReader fields(root);
    if (!document.isObject() || root.value(QStringLiteral("format")).toString() != QLatin1String("mirtsession")) {
        result.error = QStringLiteral("it does not say it is one");
        return result;
    }
    const int version = int(fields.number(QStringLiteral("version"), 1, 1e6, 0, true));
    const QJsonArray tabs = fields.list(QStringLiteral("tabs"), true);
    const int current = int(fields.number(QStringLiteral("current"), -1, 1e9, -1, true));
    if (!fields.failed() && version == 0)
        fields.fail(QStringLiteral("'version' is missing"));
    if (!fields.failed() && version > formatVersion)
        fields.fail(QStringLiteral("it was written by a newer version of the program (format %1)").arg(version));
    if (fields.failed()) {
        result.error = fields.error();
        return result;
    }
    const int read = std::min(tabs.size(), maxTabs);
    for (int i = 0; i < read; ++i) {
        SessionTab tab;
        QString error;
        if (!readTab(tabs.at(i), folder, tab, result.notes, error)) {
            result.notes << QStringLiteral("tab %1 of the session could not be read: %2").arg(i + 1).arg(error);
            continue;
        }
        if (i == current)
            result.session.current = int(result.session.tabs.size());
        result.session.tabs.push_back(std::move(tab));
    }
    if (tabs.size() > maxTabs)
        result.notes << QStringLiteral("%1 tabs of the session were left out: at most %2 are restored")
                            .arg(tabs.size() - maxTabs)
                            .arg(maxTabs);
    if (result.session.current < 0 && !result.session.tabs.empty())
        result.session.current = 0;
    result.ok = true;
    return result;
}

bool write(const Session &session, const QString &path, QString *error)
{
    QSaveFile file(path);
    const QByteArray json = toJson(session, QFileInfo(path).absolutePath());
    if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size() || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

ReadResult read(const QString &path)
{
    ReadResult result;
    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    // A pipe or a device would be read without end.
    if (QFileInfo(path).exists() && !QFileInfo(path).isFile()) {
        result.error = QStringLiteral("'%1' is not a session file: it is not a regular file").arg(name);
        return result;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = QStringLiteral("could not open the session '%1': %2").arg(name, file.errorString());
        return result;
    }
    // Checked on what is read, not on the size the file claims: a pipe or
    // a file that grows says nothing true of its size.
    const QByteArray json = file.read(maxFileBytes + 1);
    if (json.size() > maxFileBytes) {
        result.error = QStringLiteral("'%1' is not a session file: it is larger than %2 MiB")
                           .arg(name)
                           .arg(maxFileBytes / (1024 * 1024));
        return result;
    }
    result = fromJson(json, QFileInfo(path).absolutePath());
    if (!result.ok)
        result.error = QStringLiteral("'%1' is not a session file: %2").arg(name, result.error);
    return result;
}

} // namespace sessionjson
