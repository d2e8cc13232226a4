#include "widgets/path_text.h"

#include "platform/paths.h"

#include <QFontMetrics>
#include <QWidget>

#include <charconv>
#include <cmath>
#include <limits>

namespace widgets {

QString NextToken(QString& commandLine)
{
    qsizetype start = 0;
    while (start < commandLine.size() && commandLine.at(start) == QLatin1Char(' '))
        ++start;
    commandLine.remove(0, start);

    QString token;
    if (commandLine.startsWith(QLatin1Char('"'))) {
        const qsizetype close = commandLine.indexOf(QLatin1Char('"'), 1);
        if (close < 0) {
            token = commandLine.mid(1);
            commandLine.clear();
        } else {
            token = commandLine.mid(1, close - 1);
            commandLine.remove(0, close + 1);
        }
        return token;
    }
    const qsizetype blank = commandLine.indexOf(QLatin1Char(' '));
    if (blank < 0) {
        token = commandLine;
        commandLine.clear();
    } else {
        token = commandLine.left(blank);
        commandLine.remove(0, blank + 1);
    }
    return token;
}

QString ShortenPath(const QString& path, const QWidget& measuringWindow, int maxWidth)
{
    const QFontMetrics metrics(measuringWindow.font());
    // Positions are those of separators; the kept head runs up to and including the first.
    const qsizetype first = path.indexOf(platform::kPathSeparator);
    qsizetype next = first;
    QString result = path;
    while (metrics.horizontalAdvance(result) >= maxWidth) {
        if (first < 0)
            break;
        next = path.indexOf(platform::kPathSeparator, next + 1);
        if (next < 0)
            break;
        result = path.left(first + 1) + QStringLiteral("...") + path.mid(next);
    }
    return result;
}

std::optional<int32_t> LeadingWholeNumber(const QString& token)
{
    const QByteArray text = token.trimmed().toLatin1();
    const char* const begin = text.constData();
    const char* const end = begin + text.size();
    const char* p = begin;
    auto digits = [&] {
        const char* from = p;
        while (p < end && *p >= '0' && *p <= '9')
            ++p;
        return p > from;
    };

    QByteArray number;
    if (p < end && (*p == '+' || *p == '-'))
        ++p;
    const bool whole = digits();
    bool fraction = false;
    if (p < end && *p == '.') {
        ++p;
        fraction = digits();
    }
    if (!whole && !fraction)
        return 0;
    const char* mantissaEnd = p;
    if (p < end && (*p == 'e' || *p == 'E' || *p == 'd' || *p == 'D')) {
        ++p;
        if (p < end && (*p == '+' || *p == '-'))
            ++p;
        if (!digits())
            p = mantissaEnd;
    }
    number = QByteArray(begin, p - begin);
    if (number.startsWith('+'))
        number.remove(0, 1);
    number.replace('d', 'e').replace('D', 'e');

    double value = 0;
    const auto [last, error] = std::from_chars(number.constData(), number.constData() + number.size(), value);
    if (error != std::errc() || last != number.constData() + number.size())
        return std::nullopt;
    // The default rounding mode sends halves to the even neighbour.
    const double rounded = std::nearbyint(value);
    if (!(rounded >= std::numeric_limits<int32_t>::min() && rounded <= std::numeric_limits<int32_t>::max()))
        return std::nullopt;
    return static_cast<int32_t>(rounded);
}

} // namespace widgets
