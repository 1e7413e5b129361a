// The list of the games a run found, beside the output pane: the numbers the
// engine printed as +<N>, with White, Black, result and year read from the
// result file's game headers. Choosing a row asks for that game to be shown.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QTreeWidget>

class FoundGames : public QTreeWidget {
    Q_OBJECT

  public:
    // The header tags of one game of a PGN file.
    struct Headers {
        QString white, black, result;
        int year = 0;  // 0 when unknown
    };

    static constexpr int kNameWidth = 130;

    explicit FoundGames(QWidget* parent = nullptr);

    // The game numbers in a run's output ("+<4>+<5>" gives 4 and 5).
    static QList<int> numbersIn(const QString& output);
    // The headers of the games of a PGN file in file order, as the viewer
    // reads them. Empty when the file cannot be read.
    static QList<Headers> readHeaders(const QString& path);

    // Fills the list: one row per found game, in the order of the result
    // file (`resultPath`, "" when the games went to the screen).
    void showGames(const QList<int>& numbers, const QString& resultPath);
    QString resultPath() const { return resultPath_; }

  signals:
    // A row was chosen: the game's place in the result file, from 1.
    void gameChosen(const QString& resultPath, int place);

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void choose(QTreeWidgetItem* item);

    QString resultPath_;
};
