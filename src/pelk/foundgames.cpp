#include "pelk/foundgames.h"

#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QRegularExpression>
#include <QStringDecoder>

FoundGames::FoundGames(QWidget* parent) : QTreeWidget(parent) {
    setHeaderLabels({QStringLiteral("Game"), QStringLiteral("White"), QStringLiteral("Black"),
                     QStringLiteral("Result"), QStringLiteral("Year")});
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    // Names can be long: their columns keep a width the user may change, and
    // a cut name shows whole in its tool tip.
    for (int column : {1, 2}) {
        header()->setSectionResizeMode(column, QHeaderView::Interactive);
        header()->resizeSection(column, kNameWidth);
    }
    setToolTip(QStringLiteral("The games found by the last run: click one to see it"));
    connect(this, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) { choose(item); });
}

QList<int> FoundGames::numbersIn(const QString& output) {
    static const QRegularExpression mark(QStringLiteral("\\+<([0-9]{1,9})>"));
    QList<int> numbers;
    for (auto it = mark.globalMatch(output); it.hasNext();)
        numbers << it.next().captured(1).toInt();
    return numbers;
}

QList<FoundGames::Headers> FoundGames::readHeaders(const QString& path) {
    static const QRegularExpression tag(
        QStringLiteral("^\\s*\\[([A-Za-z0-9_]+)\\s+\"((?:[^\"\\\\]|\\\\.)*)\"\\s*\\]"));
    QList<Headers> games;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return games;
    bool inMoves = true;  // a tag after moves (or at the start) opens a game
    while (!file.atEnd()) {
        const QByteArray bytes = file.readLine();
        // Move text is most of a file: only a line starting with "[" can be a tag.
        if (!bytes.trimmed().startsWith('[')) {
            if (!bytes.trimmed().isEmpty()) inMoves = true;
            continue;
        }
        QStringDecoder utf8(QStringDecoder::Utf8);
        QString line = utf8(bytes);
        if (utf8.hasError()) line = QString::fromLatin1(bytes);
        const QRegularExpressionMatch match = tag.match(line);
        if (!match.hasMatch()) {
            if (!line.trimmed().isEmpty()) inMoves = true;
            continue;
        }
        if (inMoves) games << Headers{};
        inMoves = false;
        QString value = match.captured(2);
        value.replace(QStringLiteral("\\\""), QStringLiteral("\""))
            .replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
        const QString name = match.captured(1);
        Headers& game = games.last();
        if (name == u"White") game.white = value;
        if (name == u"Black") game.black = value;
        if (name == u"Result") game.result = value;
        if (name == u"Date") game.date = value;
    }
    return games;
}

void FoundGames::showGames(const QList<int>& numbers, const QString& resultPath) {
    clear();
    resultPath_ = resultPath;
    const QList<Headers> games = resultPath.isEmpty() ? QList<Headers>() : readHeaders(resultPath);
    QList<QTreeWidgetItem*> items;
    for (int i = 0; i < numbers.size(); i++) {
        const Headers game = i < games.size() ? games[i] : Headers{};
        const QString year = game.date.left(4).contains(u'?') ? QString() : game.date.left(4);
        auto* item = new QTreeWidgetItem(
            {QString::number(numbers[i]), game.white, game.black, game.result, year});
        item->setData(0, Qt::UserRole, i + 1);
        item->setToolTip(1, game.white);
        item->setToolTip(2, game.black);
        item->setTextAlignment(0, Qt::AlignRight);
        items << item;
    }
    addTopLevelItems(items);
}

void FoundGames::choose(QTreeWidgetItem* item) {
    if (item == nullptr || resultPath_.isEmpty()) return;
    emit gameChosen(resultPath_, item->data(0, Qt::UserRole).toInt());
}

void FoundGames::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        choose(currentItem());
        return;
    }
    QTreeWidget::keyPressEvent(event);
}
