#include "pelk/errorlocation.h"

#include <QRegularExpression>

std::optional<ErrorLocation> ErrorLocation::parse(QStringView outputLine) {
    static const QRegularExpression format(
        QStringLiteral("^  at line ([1-9][0-9]{0,8}), column ([1-9][0-9]{0,8}):(?: (.*))?$"));
    const QRegularExpressionMatch match = format.match(outputLine);
    if (!match.hasMatch()) return std::nullopt;
    return ErrorLocation{match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3)};
}

int ErrorLocation::characterIndex(QStringView lineText, bool utf8) const {
    int bytes = 0;
    int i = 0;
    while (i < lineText.size() && bytes < column - 1) {
        const char32_t c = lineText[i].isHighSurrogate() && i + 1 < lineText.size()
                               ? QChar::surrogateToUcs4(lineText[i], lineText[i + 1])
                               : lineText[i].unicode();
        const int width = c > 0xffff ? 2 : 1;
        bytes += !utf8 ? 1 : c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        i += width;
    }
    return i;
}
