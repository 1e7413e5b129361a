#include "pelk/gamelistmodel.h"

#include <QFont>

#include "core/game.h"
#include "pelk/resultindex.h"

GameListModel::GameListModel(ResultIndex* index, QObject* parent)
    : QAbstractTableModel(parent), index_(index), names_(2000) {
    connect(index_, &ResultIndex::gamesFound, this, &GameListModel::gamesFound);
    connect(index_, &ResultIndex::completed, this, &GameListModel::gamesFound);
}

void GameListModel::gamesFound(int count) {
    if (count < rows_) {
        beginResetModel();
        rows_ = count;
        names_.clear();
        endResetModel();
    } else if (count > rows_) {
        beginInsertRows({}, rows_, count - 1);
        rows_ = count;
        endInsertRows();
    }
}

int GameListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : std::min(rows_, index_->count());
}

int GameListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

const GameListModel::Names& GameListModel::names(int row) const {
    if (Names* cached = names_.object(row)) return *cached;
    Game game;
    index_->read(row, &game, nullptr);
    auto* names = new Names{ResultIndex::tagText(game.GetWhiteStr()),
                            ResultIndex::tagText(game.GetBlackStr()),
                            ResultIndex::tagText(game.GetEventStr())};
    names_.insert(row, names);
    return *names;
}

QVariant GameListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const ResultEntry& e = index_->entry(index.row());
    if (role == Qt::ToolTipRole && e.damaged) {
        return QStringLiteral("The reader met an error in this game.");
    }
    if (role == Qt::FontRole && e.damaged) {
        QFont font;
        font.setItalic(true);
        return font;
    }
    if (role == Qt::TextAlignmentRole) {
        const bool number = index.column() == Number || index.column() == Year ||
                            index.column() == Match || index.column() == Match2;
        return QVariant::fromValue(Qt::AlignVCenter | (number ? Qt::AlignRight : Qt::AlignLeft));
    }
    if (role != Qt::DisplayRole) return {};
    switch (index.column()) {
        case Number:
            return e.original != 0 ? e.original : unsigned(index.row() + 1);
        case White:
            return names(index.row()).white;
        case Black:
            return names(index.row()).black;
        case Result:
            return QString::fromLatin1(RESULT_LONGSTR[e.result & 3]);
        case Year:
            return e.year != 0 ? QVariant(e.year) : QVariant(QStringLiteral("?"));
        case Event:
            return names(index.row()).event;
        case Match:
            return e.matches;
        case Match2:
            return e.matches2;
        default:
            return {};
    }
}

QVariant GameListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
    static const char* const titles[ColumnCount] = {"Game", "White", "Black", "Result",
                                                    "Year", "Event", "MATCH", "MATCH2"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(titles[section])
                                                 : QVariant();
}
