// The result viewer's window: the games of a result file in a list, the
// shown game on a board beside its moves, and the keys that move through
// positions, marks and games.
#pragma once

#include <QMainWindow>

#include "pelk/boardquery.h"

class BoardWidget;
class QAction;
class GameListModel;
class MoveListView;
class QLabel;
class QTableView;
class ViewerModel;

class ViewerWindow : public QMainWindow {
    Q_OBJECT

  public:
    explicit ViewerWindow(QWidget* parent = nullptr);

    static QString titleSuffix() { return QStringLiteral(" - Pelk Viewer"); }

    // Opens a result file at its first game, or at the game noted as
    // original game `original` (the number hux writes in "Original game: N")
    // when that is above 0. Problems show in the window.
    bool open(const QString& path, unsigned original = 0);

    ViewerModel* model() const { return model_; }
    BoardWidget* board() const { return board_; }
    MoveListView* moveList() const { return moves_; }
    QTableView* gameList() const { return games_; }
    QLabel* noteLabel() const { return note_; }
    // "Search this position": on only when an editor listens.
    QAction* searchAction() const { return search_; }

  public slots:
    // Asks for a PGN file and opens it.
    void openFile();
    // The position shown as a position list: every piece, or only those on
    // the squares selected on the board, with the side to move.
    void searchThisPosition();

  signals:
    void searchPosition(const BoardQuery& query);

  private:
    void createActions();
    void showGame();
    void showPosition();
    void showStatus();

    ViewerModel* model_;
    GameListModel* list_;
    BoardWidget* board_;
    MoveListView* moves_;
    QTableView* games_;
    QLabel* note_;
    QLabel* status_;
    QAction* search_ = nullptr;
};
