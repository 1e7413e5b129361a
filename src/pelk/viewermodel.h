// What the result viewer shows and how it moves, without any window: the
// games of a result file, the game on the board with its positions, the
// position shown, and the moves between positions, marks and games.
#pragma once

#include <QObject>
#include <QString>

#include "pelk/resultindex.h"
#include "pelk/viewedgame.h"

class ViewerModel : public QObject {
    Q_OBJECT

  public:
    explicit ViewerModel(QObject* parent = nullptr);

    // Opens a result file: its games are found in the background and the
    // first one is shown, at its first marked position, as soon as it is
    // found. With original > 0 the game noted "Original game: original" is
    // shown instead, once the reader has got that far.
    bool open(const QString& path, unsigned original = 0, QString* error = nullptr);
    // Shows the game noted as original game n; false when the file holds
    // none. While games are still being found, it is shown when found.
    bool showOriginal(unsigned n);

    ResultIndex* index() { return &index_; }
    const ResultIndex* index() const { return &index_; }
    QString path() const { return index_.path(); }

    int gameIndex() const { return game_; }  // -1 while no game is shown
    const ViewedGame& game() const { return viewed_; }
    int nodeIndex() const { return node_; }
    const ViewedNode* node() const;
    // What went wrong reading the file or the shown game; "" when nothing.
    QString note() const { return note_; }
    // The mark shown (0-based among the game's marks); -1 when the position
    // shown is not marked.
    int markIndex() const;

    // The position shown, as FEN; the game's text as it stands in the file.
    QString fen() const;
    QString pgn() const;

    enum class Start { FirstMark, Beginning, LastMark };
    bool showGame(int i, Start start = Start::FirstMark);
    bool goTo(int node);

  public slots:
    bool forward();
    bool back();
    bool toStart();
    bool toEnd();
    // The next or previous marked position in reader order, going on into
    // the next or previous game with marks when this game has no more.
    bool nextMark();
    bool previousMark();
    bool nextGame();
    bool previousGame();
    void copyFen() const;
    void copyPgn() const;

  signals:
    // A different game, or a different position, is shown.
    void gameChanged();
    void positionChanged();
    // Games found or the note changed: the status line needs renewing.
    void statusChanged();

  private:
    void gamesFound(int count);
    void setNode(int node);
    int nextMarkedGame(int from, int step) const;

    ResultIndex index_;
    ViewedGame viewed_;
    int game_ = -1;
    int node_ = 0;
    unsigned pendingOriginal_ = 0;  // to be shown when the reader finds it
    QString note_;
    QString gameNote_;
};
