#include "pelk/foundgames.h"

#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QRegularExpression>
#include <memory>

#include "core/date.h"
#include "core/game.h"
#include "core/mfile.h"
#include "core/pgnparser.h"
#include "pelk/resultindex.h"

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
    QList<Headers> games;
    MFile file;
    if (QFileInfo(path).isDir() ||
        file.Open(QFile::encodeName(path).constData(), FMODE_ReadOnly) != OK) {
        return games;
    }
    PgnParser parser(&file);
    parser.SetEndOfInputWarnings(false);
    auto game = std::make_unique<Game>();
    while (parser.ParseGame(game.get()) != ERROR_NotFound) {
        games << Headers{ResultIndex::tagText(game->GetWhiteStr()),
                         ResultIndex::tagText(game->GetBlackStr()),
                         QString::fromLatin1(RESULT_LONGSTR[game->GetResult() & 3]),
                         int(date_GetYear(game->GetDate()))};
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
        const QString year = game.year > 0 ? QString::number(game.year) : QString();
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
