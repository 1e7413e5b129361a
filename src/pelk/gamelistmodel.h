// The game list of the result viewer: one row per game of the result file,
// with its original number, players, result, year, event and marks. Names
// are read from the file only for the rows on view, and kept for a while.
#pragma once

#include <QAbstractTableModel>
#include <QCache>

class ResultIndex;

class GameListModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    enum Column { Number, White, Black, Result, Year, Event, Match, Match2, ColumnCount };

    explicit GameListModel(ResultIndex* index, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    struct Names {
        QString white, black, event;
    };
    void gamesFound(int count);
    const Names& names(int row) const;

    ResultIndex* index_;
    int rows_ = 0;
    mutable QCache<int, Names> names_;
};
