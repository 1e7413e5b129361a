#include "pelk/palette.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "pelk/querytext.h"

Palette::Palette(QStringList lines) : lines_(std::move(lines)) {
    // A marker given twice counts where it occurs last.
    for (int i = 0; i < lines_.size(); i++) {
        const QString& line = lines_[i];
        if (line.startsWith(u"<struct>")) gridFirst_ = i + 1;
        if (line.startsWith(u"</struct>")) gridLast_ = i - 1;
        if (line.startsWith(u"<inserted_text>")) textFirst_ = i + 1;
        if (line.startsWith(u"</inserted_text>")) textLast_ = i - 1;
    }
}

QString Palette::find(const QStringList& directories) {
    for (const QString& directory : directories) {
        if (directory.isEmpty()) continue;
        const QFileInfo file(QDir(directory).filePath(QStringLiteral("pelk.pal")));
        if (file.isFile()) return file.absoluteFilePath();
    }
    return {};
}

bool Palette::load(const QString& path, Palette* palette, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error =
            QStringLiteral("Cannot read the palette file %1: %2").arg(path, file.errorString());
        return false;
    }
    QString text = QString::fromUtf8(file.readAll());
    text.remove(u'\r');
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    *palette = Palette(std::move(lines));
    return true;
}

QStringList Palette::splitLabels(const QString& line) {
    QStringList items;
    const qsizetype n = line.size();
    auto isBlank = [&](qsizetype i) { return i < n && line[i] <= u' '; };
    qsizetype i = 0;
    while (isBlank(i)) i++;
    while (i < n) {
        QString item;
        if (line[i] == u'"') {
            for (i++; i < n; i++) {
                if (line[i] == u'"') {
                    if (i + 1 < n && line[i + 1] == u'"') {
                        item += u'"';
                        i++;
                    } else {
                        i++;
                        break;
                    }
                } else {
                    item += line[i];
                }
            }
            // Text glued to a closing quote belongs to the same item.
            while (i < n && !isBlank(i) && line[i] != u',') item += line[i++];
        } else {
            while (i < n && !isBlank(i) && line[i] != u',') item += line[i++];
        }
        items << item;
        while (isBlank(i)) i++;
        if (i < n && line[i] == u',') {
            // A comma that ends the line still opens one more, empty, item.
            if (i + 1 == n) items << QString();
            i++;
            while (isBlank(i)) i++;
        }
    }
    return items;
}

QList<QStringList> Palette::columns() const {
    QList<QStringList> result;
    for (int i = gridFirst_; i <= gridLast_ && i < lines_.size(); i++) {
        result << splitLabels(lines_[i]);
    }
    return result;
}

int Palette::rowCount() const {
    int rows = 0;
    for (const QStringList& column : columns()) {
        for (int r = 0; r < column.size(); r++) {
            if (!column[r].isEmpty()) rows = std::max(rows, r + 1);
        }
    }
    return rows;
}

Palette::Range Palette::textRange(int column, int row) const {
    const QString tag = QStringLiteral("<i%1,%2>").arg(column).arg(row);
    const int last = std::min<int>(textLast_, lines_.size() - 1);
    for (int i = textFirst_; i <= last; i++) {
        if (!lines_[i].startsWith(tag)) continue;
        int end = i + 1;
        while (end <= last && !lines_[end].startsWith(u"</>")) end++;
        return {i + 1, end - 1};
    }
    return {};
}

QString Palette::insertion(int column, int row, bool shortForm, const QString& indentation) const {
    const Range range = textRange(column, row);
    QString text;
    for (int i = range.first; i <= range.last; i++) {
        const QString& line = lines_[i];
        if (shortForm) {
            const qsizetype semicolon = line.indexOf(u';');
            text += (semicolon < 0 ? line : line.left(semicolon)).trimmed();
        } else {
            if (i > range.first) text += u'\n' + indentation;
            text += line;
        }
    }
    return text;
}

QString Palette::indentation(const QString& text, int caret) {
    QString before = text.left(caret);
    before.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    const qsizetype p = before.size();
    // The character right before the caret is never looked at.
    qsizetype q = p - 2;
    while (q >= 0 && before[q] == u' ') q--;
    if (q < 0 || (before[q] != u'\n' && before[q] != u'\r')) return {};
    return QString(p - q, u' ');
}

int Palette::caretOffset(const QString& inserted) {
    const qsizetype paren = inserted.indexOf(u'(');
    return paren < 0 ? int(inserted.size()) : int(paren + 1);
}

Palette::Placement Palette::place(const QString& inserted, bool shortForm,
                                  const QString& editorText, int caret,
                                  const QString& indentation) {
    if (inserted.isEmpty()) return {};
    auto isBlank = [](QChar c) { return c == u' ' || c == u'\t'; };
    const int lineStart = caret > 0 ? int(editorText.lastIndexOf(u'\n', caret - 1)) + 1 : 0;
    qsizetype lineEnd = editorText.indexOf(u'\n', caret);
    if (lineEnd < 0) lineEnd = editorText.size();
    const QStringView rest = QStringView(editorText).mid(caret, lineEnd - caret);

    // The words the insertion would touch, and its own first word.
    auto isWordChar = [&](QChar c) { return !isBlank(c) && c != u'(' && c != u')'; };
    int wordStart = caret;
    while (wordStart > lineStart && isWordChar(editorText[wordStart - 1])) wordStart--;
    const QString before = editorText.mid(wordStart, caret - wordStart);
    int wordEnd = 0;
    while (wordEnd < rest.size() && isWordChar(rest[wordEnd])) wordEnd++;
    const QString after = rest.left(wordEnd).toString();
    int firstEnd = 0;
    while (firstEnd < inserted.size() && isWordChar(inserted[firstEnd])) firstEnd++;
    const QString first = inserted.left(firstEnd);

    Placement placement;
    // A square right after a piece (Q, then e4) completes its designator.
    if (caret > lineStart && !isBlank(editorText[caret - 1]) && editorText[caret - 1] != u'(' &&
        !(firstEnd > 0 && isDesignator(before + first))) {
        placement.text = QStringLiteral(" ");
    }
    const int start = int(placement.text.size());
    placement.text += inserted;
    QString tail;
    if (!shortForm && !rest.trimmed().isEmpty()) {
        // Without a continuation indentation (text before the caret on its
        // line), the rest keeps the indentation of the line it came from.
        QString indent = indentation;
        if (indent.isEmpty()) {
            int i = lineStart;
            while (i < caret && isBlank(editorText[i])) indent += editorText[i++];
        }
        tail = u'\n' + indent;
    } else if (shortForm && !rest.isEmpty() && !isBlank(rest[0]) && rest[0] != u')' &&
               !(firstEnd == inserted.size() && isDesignator(inserted + after))) {
        tail = QStringLiteral(" ");
    }
    placement.text += tail;
    placement.caret = start + caretOffset(inserted);
    // Past a long form without "(", the caret goes over the line break onto
    // the rest of the line, where the query goes on.
    if (!inserted.contains(u'(') && !shortForm) placement.caret += int(tail.size());
    return placement;
}

QString Palette::explanation(int column, int row) const {
    const Range range = textRange(column, row);
    if (range.last < range.first) return {};
    QStringList lines{insertion(column, row, true, QString())};
    for (int i = range.first; i <= range.last; i++) {
        const qsizetype semicolon = lines_[i].indexOf(u';');
        if (semicolon < 0) continue;
        const QString comment = lines_[i].mid(semicolon + 1).trimmed();
        if (!comment.isEmpty()) lines << comment;
    }
    return lines.join(u'\n');
}
