#include "pelk/viewerwindow.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QVBoxLayout>

#include "pelk/boardwidget.h"
#include "pelk/gamelistmodel.h"
#include "pelk/movelistview.h"
#include "pelk/viewermodel.h"

ViewerWindow::ViewerWindow(QWidget* parent)
    : QMainWindow(parent),
      model_(new ViewerModel(this)),
      list_(new GameListModel(model_->index(), this)),
      board_(new BoardWidget(this)),
      moves_(new MoveListView(this)),
      games_(new QTableView(this)),
      note_(new QLabel(this)),
      status_(new QLabel(this)) {
    games_->setModel(list_);
    games_->setSelectionBehavior(QAbstractItemView::SelectRows);
    games_->setSelectionMode(QAbstractItemView::SingleSelection);
    games_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    games_->setFocusPolicy(Qt::NoFocus);
    games_->setAlternatingRowColors(true);
    games_->verticalHeader()->hide();
    games_->verticalHeader()->setDefaultSectionSize(games_->fontMetrics().height() + 6);
    games_->horizontalHeader()->setStretchLastSection(false);
    games_->horizontalHeader()->setSectionResizeMode(GameListModel::Event, QHeaderView::Stretch);
    const int digit = games_->fontMetrics().horizontalAdvance(u'0');
    games_->setColumnWidth(GameListModel::Number, digit * 8);
    games_->setColumnWidth(GameListModel::White, digit * 20);
    games_->setColumnWidth(GameListModel::Black, digit * 20);
    games_->setColumnWidth(GameListModel::Result, digit * 9);
    games_->setColumnWidth(GameListModel::Year, digit * 6);
    games_->setColumnWidth(GameListModel::Match, digit * 9);
    games_->setColumnWidth(GameListModel::Match2, digit * 9);

    note_->setWordWrap(true);
    note_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    note_->setStyleSheet(
        QStringLiteral("QLabel { background:#fff3cd; color:#5c4400; "
                       "border:1px solid #e0c36a; padding:4px; }"));
    note_->hide();

    auto* right = new QWidget(this);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(note_);
    rightLayout->addWidget(moves_, 1);

    auto* top = new QSplitter(Qt::Horizontal, this);
    top->addWidget(board_);
    top->addWidget(right);
    top->setStretchFactor(0, 3);
    top->setStretchFactor(1, 2);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(top);
    split->addWidget(games_);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    split->setChildrenCollapsible(false);
    split->setSizes({520, 200});
    top->setSizes({560, 440});
    setCentralWidget(split);
    statusBar()->addWidget(status_, 1);

    createActions();
    connect(model_, &ViewerModel::gameChanged, this, &ViewerWindow::showGame);
    connect(model_, &ViewerModel::positionChanged, this, &ViewerWindow::showPosition);
    connect(model_, &ViewerModel::statusChanged, this, &ViewerWindow::showStatus);
    connect(moves_, &MoveListView::nodeClicked, model_, &ViewerModel::goTo);
    connect(games_, &QTableView::clicked, this,
            [this](const QModelIndex& index) { model_->showGame(index.row()); });
    resize(1000, 720);
    setWindowTitle(QStringLiteral("Pelk Viewer"));
    board_->setFocus();
}

void ViewerWindow::createActions() {
    auto add = [this](QMenu* menu, const QString& text, QKeySequence key, auto slot) {
        auto* action = new QAction(text, this);
        action->setShortcut(key);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, slot);
        menu->addAction(action);
        addAction(action);
        return action;
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    add(file, QStringLiteral("&Open Result File..."), QKeySequence::Open, [this] { openFile(); });
    file->addSeparator();
    add(file, QStringLiteral("&Close"), QKeySequence::Close, [this] { close(); });
    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    add(edit, QStringLiteral("Copy &Position (FEN)"),
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), [this] { model_->copyFen(); });
    add(edit, QStringLiteral("Copy &Game (PGN)"), QKeySequence(Qt::CTRL | Qt::Key_C),
        [this] { model_->copyPgn(); });
    edit->addSeparator();
    search_ = add(edit, QStringLiteral("&Search This Position"), QKeySequence(Qt::CTRL | Qt::Key_B),
                  [this] { searchThisPosition(); });
    search_->setStatusTip(
        QStringLiteral("Put the pieces on the board editor: all of them, or those on the squares "
                       "clicked on the board"));
    search_->setEnabled(false);
    QMenu* go = menuBar()->addMenu(QStringLiteral("&Go"));
    add(go, QStringLiteral("Next Move"), QKeySequence(Qt::Key_Right),
        [this] { model_->forward(); });
    add(go, QStringLiteral("Previous Move"), QKeySequence(Qt::Key_Left),
        [this] { model_->back(); });
    add(go, QStringLiteral("Start of Game"), QKeySequence(Qt::Key_Home),
        [this] { model_->toStart(); });
    add(go, QStringLiteral("End of Line"), QKeySequence(Qt::Key_End), [this] { model_->toEnd(); });
    go->addSeparator();
    add(go, QStringLiteral("Next Marked Position"), QKeySequence(Qt::Key_F3),
        [this] { model_->nextMark(); });
    add(go, QStringLiteral("Previous Marked Position"), QKeySequence(Qt::SHIFT | Qt::Key_F3),
        [this] { model_->previousMark(); });
    go->addSeparator();
    add(go, QStringLiteral("Next Game"), QKeySequence(Qt::Key_PageDown),
        [this] { model_->nextGame(); });
    add(go, QStringLiteral("Previous Game"), QKeySequence(Qt::Key_PageUp),
        [this] { model_->previousGame(); });
    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    add(view, QStringLiteral("&Flip Board"), QKeySequence(Qt::Key_F), [this] { board_->flip(); });
}

bool ViewerWindow::open(const QString& path, unsigned original) {
    setWindowTitle(QFileInfo(path).fileName() + titleSuffix());
    return model_->open(path, original);
}

void ViewerWindow::openFile() {
    const QString start = model_->path().isEmpty() ? QString() : QFileInfo(model_->path()).path();
    const QString path =
        QFileDialog::getOpenFileName(this, QStringLiteral("Open Result File"), start,
                                     QStringLiteral("PGN files (*.pgn *.PGN);;All files (*)"));
    if (!path.isEmpty()) open(path);
}

void ViewerWindow::showGame() {
    const int game = model_->gameIndex();
    if (game >= 0 && game < list_->rowCount()) {
        games_->selectRow(game);
        games_->scrollTo(list_->index(game, 0));
    } else {
        games_->clearSelection();
    }
    showPosition();
}

void ViewerWindow::showPosition() {
    const ViewedNode* node = model_->node();
    if (node) {
        board_->setPosition(node->board, node->from, node->to, node->marks);
    } else {
        std::array<pieceT, 64> empty;
        empty.fill(EMPTY);
        board_->setPosition(empty, NULL_SQUARE, NULL_SQUARE, 0);
    }
    moves_->show(model_->game(), model_->nodeIndex());
    showStatus();
}

void ViewerWindow::showStatus() {
    const ResultIndex* index = model_->index();
    QStringList parts;
    if (model_->gameIndex() >= 0) {
        parts << QStringLiteral("Game %1 of %2%3")
                     .arg(model_->gameIndex() + 1)
                     .arg(index->count())
                     .arg(index->isComplete() ? QString() : QStringLiteral("+"));
        const ResultEntry& e = index->entry(model_->gameIndex());
        if (e.original != 0) parts << QStringLiteral("original game %1").arg(e.original);
        const int marks = int(model_->game().marks().size());
        const int at = model_->markIndex();
        if (marks > 0) {
            parts << (at >= 0 ? QStringLiteral("mark %1 of %2").arg(at + 1).arg(marks)
                              : QStringLiteral("%1 marks").arg(marks));
        }
    }
    if (!index->isComplete() && !index->path().isEmpty()) {
        parts << QStringLiteral("finding games... %1 so far").arg(index->count());
    }
    status_->setText(parts.join(QStringLiteral("  \u00b7  ")));
    note_->setText(model_->note());
    note_->setVisible(!model_->note().isEmpty());
}

void ViewerWindow::searchThisPosition() {
    const ViewedNode* node = model_->node();
    if (node == nullptr) return;
    const QStringList fields = node->fen.split(u' ');
    const colorT toMove = fields.size() > 1 && fields[1] == u"b" ? BLACK : WHITE;
    emit searchPosition(BoardQuery::fromBoard(node->board, board_->selection(), toMove));
}
