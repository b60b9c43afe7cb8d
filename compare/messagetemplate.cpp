#include "messagetemplate.h"

namespace {

bool isWordCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

bool isHexDigit(QChar c)
{
    const ushort u = c.unicode();
    return (u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F');
}

bool isDigit(QChar c)
{
    return c.unicode() >= '0' && c.unicode() <= '9';
}

// Whether the word is a hexadecimal number as templates replace them whole.
bool isLongHexNumber(const QChar *word, int length)
{
    int start = 0;
    if (length > 2 && word[0] == QLatin1Char('0') && (word[1] == QLatin1Char('x') || word[1] == QLatin1Char('X')))
        start = 2;
    if (length - start < 6)
        return false;
    bool digit = false;
    for (int i = start; i < length; ++i) {
        if (!isHexDigit(word[i]))
            return false;
        digit = digit || isDigit(word[i]);
    }
    return digit;
}

} // namespace

QString MessageTemplate::of(const QString &message)
{
    QString out;
    out.reserve(message.size());
    const QChar *text = message.constData();
    const int size = message.size();
    int i = 0;
    while (i < size) {
        if (!isWordCharacter(text[i])) {
            out += text[i++];
            continue;
        }
        int end = i;
        while (end < size && isWordCharacter(text[end]))
            ++end;
        if (isLongHexNumber(text + i, end - i)) {
            out += QLatin1Char('#');
        } else {
            for (int k = i; k < end; ++k) {
                if (!isDigit(text[k]))
                    out += text[k];
                else if (k == i || !isDigit(text[k - 1]))
                    out += QLatin1Char('#');
            }
        }
        i = end;
    }
    return out;
}
