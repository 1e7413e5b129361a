// The move list of the result viewer: the game's moves with their comments
// and variations as a reader of the PGN meets them, the current move
// highlighted and marked positions set off; a click on a move goes there.
#pragma once

#include <QTextBrowser>

class ViewedGame;

class MoveListView : public QTextBrowser {
    Q_OBJECT

  public:
    explicit MoveListView(QWidget* parent = nullptr);

    // Shows the game with node `current` highlighted.
    void show(const ViewedGame& game, int current);

  signals:
    void nodeClicked(int node);
};
