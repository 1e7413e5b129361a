// The games of a result file, found by a reader in the background: for each
// game its byte range and what the game list shows at once (its original
// number, its marks, its result and year). The moves and names of a game are
// read again from its range when it is shown, so memory grows by one small
// entry per game however large the file.
#pragma once

#include <QObject>
#include <QString>
#include <QVector>
#include <atomic>
#include <cstdint>
#include <thread>

class Game;

struct ResultEntry {
    quint64 offset = 0;
    quint32 length = 0;
    quint32 original = 0;  // "Original game: N"; 0 when the game has no such note
    quint32 matches = 0;   // positions marked MATCH
    quint32 matches2 = 0;  // positions marked MATCH2
    quint16 year = 0;      // 0 when unknown
    quint8 result = 0;     // the core's result code
    bool damaged = false;  // the reader met an error in the game
};

class ResultIndex : public QObject {
    Q_OBJECT

  public:
    explicit ResultIndex(QObject* parent = nullptr);
    ~ResultIndex() override;

    // Starts finding the games of the file; false with a message when it
    // cannot be read. A file opened before is dropped.
    bool open(const QString& path, QString* error);
    void close();

    QString path() const { return path_; }
    int count() const { return int(entries_.size()); }
    bool isComplete() const { return complete_; }
    const ResultEntry& entry(int i) const { return entries_[i]; }
    // The game noted as original game n, among those found so far; -1 when
    // none is. A file without such notes counts its games from 1.
    int findOriginal(unsigned n) const;

    // Text of the file as the reader keeps it (a name, a comment): UTF-8
    // where it is valid, otherwise Latin-1 (files of either kind are common).
    static QString decoded(const char* text);
    // A tag's value as shown: decoded, with its escaped quotes and
    // backslashes read.
    static QString tagText(const char* value);

    // The game's text as it stands in the file.
    QByteArray text(int i) const;
    // Reads game i into game; false when the reader met an error (a move it
    // could not play, a broken end), with its messages in log. The game holds
    // what was read either way.
    bool read(int i, Game* game, QString* log) const;

  signals:
    // More games were found: count() is now count.
    void gamesFound(int count);
    // The whole file has been read.
    void completed(int count);

  private:
    void find(QString path, quint64 generation);
    void append(quint64 generation, const QVector<ResultEntry>& batch, bool last);

    QString path_;
    QVector<ResultEntry> entries_;
    bool complete_ = false;
    bool numbered_ = false;  // some game carries an original number
    quint64 generation_ = 0;
    std::atomic<bool> stop_{false};
    std::thread worker_;
};
