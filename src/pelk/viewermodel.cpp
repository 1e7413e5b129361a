#include "pelk/viewermodel.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>

#include "core/game.h"

ViewerModel::ViewerModel(QObject* parent) : QObject(parent) {
    connect(&index_, &ResultIndex::gamesFound, this, &ViewerModel::gamesFound);
    connect(&index_, &ResultIndex::completed, this, [this](int count) {
        if (count == 0) {
            note_ = QStringLiteral("No games were found in %1: it may not be a PGN file.")
                        .arg(QFileInfo(path()).fileName());
        } else if (pendingOriginal_ != 0) {
            note_ = QStringLiteral("The file holds no original game %1.").arg(pendingOriginal_);
            pendingOriginal_ = 0;
            if (game_ < 0) showGame(0);
        }
        emit statusChanged();
    });
}

bool ViewerModel::open(const QString& path, unsigned original, QString* error) {
    game_ = -1;
    node_ = 0;
    viewed_ = ViewedGame();
    note_.clear();
    gameNote_.clear();
    pendingOriginal_ = original;
    QString problem;
    const bool opened = index_.open(path, &problem);
    if (!opened) note_ = problem;
    if (error) *error = problem;
    emit gameChanged();
    emit statusChanged();
    return opened;
}

bool ViewerModel::showOriginal(unsigned n) {
    const int i = index_.findOriginal(n);
    if (i >= 0) {
        pendingOriginal_ = 0;
        return showGame(i);
    }
    if (index_.isComplete()) return false;
    pendingOriginal_ = n;
    return true;
}

void ViewerModel::gamesFound(int count) {
    if (pendingOriginal_ != 0) {
        const int i = index_.findOriginal(pendingOriginal_);
        if (i >= 0) {
            pendingOriginal_ = 0;
            showGame(i);
        }
    } else if (game_ < 0 && count > 0) {
        showGame(0);
    }
    emit statusChanged();
}

const ViewedNode* ViewerModel::node() const {
    return game_ >= 0 && node_ < viewed_.size() ? &viewed_.node(node_) : nullptr;
}

int ViewerModel::markIndex() const {
    return game_ >= 0 ? int(viewed_.marks().indexOf(node_)) : -1;
}

QString ViewerModel::fen() const {
    const ViewedNode* n = node();
    return n ? n->fen : QString();
}

QString ViewerModel::pgn() const {
    return game_ >= 0 ? QString::fromUtf8(index_.text(game_)).trimmed() + u'\n' : QString();
}

bool ViewerModel::showGame(int i, Start start) {
    if (i < 0 || i >= index_.count()) return false;
    Game game;
    QString log;
    const bool whole = index_.read(i, &game, &log);
    viewed_.build(game);
    game_ = i;
    gameNote_.clear();
    if (!whole) {
        gameNote_ = QStringLiteral(
            "This game could not be read in full; it is shown as far as "
            "it goes.");
        if (!log.isEmpty()) gameNote_ += u'\n' + log;
    }
    note_ = gameNote_;
    const QVector<int>& marks = viewed_.marks();
    node_ = 0;
    if (!marks.isEmpty() && start == Start::FirstMark) node_ = marks.first();
    if (!marks.isEmpty() && start == Start::LastMark) node_ = marks.last();
    emit gameChanged();
    emit positionChanged();
    emit statusChanged();
    return true;
}

bool ViewerModel::goTo(int node) {
    if (game_ < 0 || node < 0 || node >= viewed_.size()) return false;
    setNode(node);
    return true;
}

void ViewerModel::setNode(int node) {
    if (node == node_) return;
    node_ = node;
    emit positionChanged();
}

bool ViewerModel::forward() {
    const ViewedNode* n = node();
    return n && n->next >= 0 && goTo(n->next);
}

bool ViewerModel::back() {
    const ViewedNode* n = node();
    return n && n->parent >= 0 && goTo(n->parent);
}

bool ViewerModel::toStart() {
    return goTo(0);
}

bool ViewerModel::toEnd() {
    return game_ >= 0 && goTo(viewed_.lineEnd(node_));
}

int ViewerModel::nextMarkedGame(int from, int step) const {
    for (int i = from; i >= 0 && i < index_.count(); i += step) {
        const ResultEntry& e = index_.entry(i);
        if (e.matches + e.matches2 > 0) return i;
    }
    return -1;
}

bool ViewerModel::nextMark() {
    if (game_ < 0) return false;
    const QVector<int>& marks = viewed_.marks();
    // The same position can carry two marks in a row; step past them both.
    const int at = markIndex();
    for (int k = at >= 0 ? at + 1 : 0; k < marks.size(); ++k) {
        if (at >= 0 || marks[k] > node_) {
            if (marks[k] == node_) continue;
            setNode(marks[k]);
            return true;
        }
    }
    const int next = nextMarkedGame(game_ + 1, 1);
    return next >= 0 && showGame(next, Start::FirstMark);
}

bool ViewerModel::previousMark() {
    if (game_ < 0) return false;
    const QVector<int>& marks = viewed_.marks();
    const int at = markIndex();
    for (int k = at >= 0 ? at - 1 : int(marks.size()) - 1; k >= 0; --k) {
        if (at >= 0 || marks[k] < node_) {
            if (marks[k] == node_) continue;
            setNode(marks[k]);
            return true;
        }
    }
    const int previous = nextMarkedGame(game_ - 1, -1);
    return previous >= 0 && showGame(previous, Start::LastMark);
}

bool ViewerModel::nextGame() {
    return showGame(game_ + 1);
}

bool ViewerModel::previousGame() {
    return game_ > 0 && showGame(game_ - 1);
}

void ViewerModel::copyFen() const {
    if (game_ >= 0) QGuiApplication::clipboard()->setText(fen());
}

void ViewerModel::copyPgn() const {
    if (game_ >= 0) QGuiApplication::clipboard()->setText(pgn());
}
