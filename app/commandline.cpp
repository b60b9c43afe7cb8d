#include "commandline.h"

#include "localpath.h"

#include <cstdio>
#include <cstring>

namespace commandline {

Parsed parse(const QStringList &arguments)
{
    Parsed parsed;
    bool options = true;
    for (const QString &argument : arguments) {
        if (!options || argument == QLatin1String("-") || !argument.startsWith(QLatin1Char('-'))) {
            parsed.files << argument;
        } else if (argument == QLatin1String("--")) {
            options = false;
        } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            parsed.action = Action::Help;
        } else if (argument == QLatin1String("--merge")) {
            parsed.merge = true;
        } else if (argument == QLatin1String("--version")) {
            if (parsed.action != Action::Help)
                parsed.action = Action::Version;
        } else if (parsed.unknown.isEmpty()) {
            parsed.unknown = argument;
        }
    }
    if (parsed.action == Action::Open && !parsed.unknown.isEmpty())
        parsed.action = Action::Unknown;
    return parsed;
}

QStringList arguments(int argc, const char *const *argv)
{
    QStringList decoded;
    for (int i = 1; i < argc && argv[i]; ++i)
        decoded << decodeLocalPath(QByteArray(argv[i]));
    return decoded;
}

int optionsEnd(int argc, const char *const *argv)
{
    for (int i = 1; i < argc && argv[i]; ++i) {
        if (std::strcmp(argv[i], "--") == 0)
            return i;
    }
    return argc;
}

QString usage()
{
    return QStringLiteral("Usage: MirtLogFileAnalyzer [OPTION]... [--] [FILE]...\n"
                          "Shows robot control logs, each FILE in a tab of its own.\n"
                          "\n"
                          "      --merge    show all FILEs in one tab, their records merged by time\n"
                          "  -h, --help     show this help and exit\n"
                          "      --version  show the version and exit\n"
                          "  --             take every argument after it for a file, also one\n"
                          "                 that starts with '-'\n"
                          "\n"
                          "The toolkit's own options, such as -platform or -style, are taken too.\n");
}

QString version()
{
    return QStringLiteral("MirtLogFileAnalyzer %1\n").arg(applicationVersion);
}

int answer(const Parsed &parsed)
{
    const auto print = [](std::FILE *stream, const QString &text) {
        std::fputs(text.toLocal8Bit().constData(), stream);
        std::fflush(stream);
    };
    switch (parsed.action) {
    case Action::Help:
        print(stdout, usage());
        return 0;
    case Action::Version:
        print(stdout, version());
        return 0;
    case Action::Unknown:
        print(stderr, QStringLiteral("unknown option '%1'\n").arg(displayPath(parsed.unknown)) + usage());
        return 2;
    case Action::Open:
        break;
    }
    return -1;
}

} // namespace commandline
