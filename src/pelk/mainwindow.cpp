#include "pelk/mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTextBlock>
#include <QToolBar>
#include <QToolButton>

#include "pelk/aboutdialog.h"
#include "pelk/boardeditor.h"
#include "pelk/boardquery.h"
#include "pelk/desktop.h"
#include "pelk/enginerunner.h"
#include "pelk/errorlocation.h"
#include "pelk/foundgames.h"
#include "pelk/outputpane.h"
#include "pelk/palettedialog.h"
#include "pelk/queryeditor.h"
#include "pelk/querytext.h"
#include "pelk/trustedprogram.h"
#include "pelk/viewermodel.h"
#include "pelk/viewerwindow.h"

namespace {

QString viewerName() {
#ifdef Q_OS_WIN
    return QStringLiteral("huxpgnv.exe");
#else
    return QStringLiteral("huxpgnv");
#endif
}

// Desktop themes do not always carry every icon, and the style's own set has
// no editing icons: those fall back to a drawn symbol.
QIcon glyphIcon(const QString& glyph) {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x40, 0x40, 0x40), 2));
    painter.setBrush(QColor(0xf4, 0xf4, 0xf4));
    painter.drawRoundedRect(QRectF(2, 2, 28, 28), 5, 5);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(glyph.size() > 1 ? 13 : 18);
    painter.setFont(font);
    painter.drawText(QRect(0, 0, 32, 32), Qt::AlignCenter, glyph);
    return QIcon(pixmap);
}

QIcon themedIcon(const char* name, const QIcon& fallback) {
    return QIcon::fromTheme(QString::fromLatin1(name), fallback);
}

// Sets the hint the way the window shows it: the part before "|" as tool
// tip, the part after it in the status bar; a hint without "|" serves both.
void setHint(QAction* action, const QString& hint) {
    const qsizetype bar = hint.indexOf(u'|');
    action->setToolTip(bar < 0 ? hint : hint.left(bar));
    action->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
}

}  // namespace

MainWindow::MainWindow(PelkSetup setup, Desktop* desktop, QWidget* parent)
    : QMainWindow(parent),
      setup_(std::move(setup)),
      desktop_(desktop),
      editor_(new QueryEditor(this)),
      output_(new OutputPane(this)),
      found_(new FoundGames(this)),
      paletteDialog_(new PaletteDialog(this)),
      about_(new AboutDialog(this)),
      board_(new BoardEditor(this)),
      fileName_(untitled()),
      viewOffer_(new QPushButton(QStringLiteral("View the games found"), this)) {
    if (setup_.paletteFile.isEmpty()) {
        paletteError_ = QStringLiteral(
            "The palette file pelk.pal was not found in the start directory or the installed "
            "data directory. The palette stays empty.");
    } else {
        Palette::load(setup_.paletteFile, &palette_, &paletteError_);
    }

    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(editor_);
    // The found games stand beside the output; the list shows after a run
    // that found some.
    auto* results = new QSplitter(Qt::Horizontal, splitter);
    results->addWidget(output_);
    results->addWidget(found_);
    results->setStretchFactor(0, 3);
    results->setStretchFactor(1, 2);
    found_->hide();
    splitter->addWidget(results);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);
    splitter->setChildrenCollapsible(false);
    setCentralWidget(splitter);
    createActions();
    connect(output_, &OutputPane::locationClicked, this, &MainWindow::goToLocation);
    connect(found_, &FoundGames::gameChosen, this, &MainWindow::openResultAt);
    connect(editor_->document(), &QTextDocument::modificationChanged, this,
            &QWidget::setWindowModified);
    statusBar()->addPermanentWidget(viewOffer_);
    viewOffer_->setFlat(true);
    viewOffer_->hide();
    connect(viewOffer_, &QPushButton::clicked, this, &MainWindow::viewResult);
    connect(board_, &BoardEditor::insertRequested, this, &MainWindow::insertBoardList);
    resize(820, 640);
    setFileName(untitled());
}

MainWindow::~MainWindow() {
    qDeleteAll(runners_);
    delete viewer_.data();  // a window of its own, but no use without the editor
}

void MainWindow::createActions() {
    QStyle* s = style();
    auto make = [this](const QString& text, const QIcon& icon, const QString& hint,
                       QKeySequence shortcut = {}) {
        auto* action = new QAction(icon, text, this);
        setHint(action, hint);
        if (!shortcut.isEmpty()) action->setShortcut(shortcut);
        return action;
    };
    QAction* newAction = make(
        QStringLiteral("&New"), themedIcon("document-new", s->standardIcon(QStyle::SP_FileIcon)),
        QStringLiteral("New|Create a new file"), QKeySequence(Qt::CTRL | Qt::Key_N));
    QAction* openAction =
        make(QStringLiteral("&Open"),
             themedIcon("document-open", s->standardIcon(QStyle::SP_DialogOpenButton)),
             QStringLiteral("Open|Open a file"), QKeySequence(Qt::CTRL | Qt::Key_O));
    QAction* saveAction =
        make(QStringLiteral("&Save"),
             themedIcon("document-save", s->standardIcon(QStyle::SP_DialogSaveButton)),
             QStringLiteral("Save|Save current file"), QKeySequence(Qt::CTRL | Qt::Key_S));
    QAction* saveAsAction =
        make(QStringLiteral("Save &As..."), themedIcon("document-save-as", QIcon()),
             QStringLiteral("Save As|Save current file with different name"));
    QAction* runAction =
        make(QStringLiteral("&RunHUX"),
             themedIcon("media-playback-start", s->standardIcon(QStyle::SP_MediaPlay)),
             QStringLiteral("RunHUX|Run HUX with a current file query"),
             QKeySequence(Qt::CTRL | Qt::Key_R));
    // The tool button runs the same command under its own caption and hint.
    QAction* sendAction = make(QStringLiteral("Sen&d"), runAction->icon(),
                               QStringLiteral("RunHUX|Run HUX with a current editor query"));
    stopAction_ = make(
        QStringLiteral("S&top"), themedIcon("process-stop", s->standardIcon(QStyle::SP_MediaStop)),
        QStringLiteral("Stop|Stop the running HUX (Esc)"), QKeySequence(Qt::Key_Escape));
    QAction* gamesAction = make(QStringLiteral("&Games File..."), QIcon(),
                                QStringLiteral("Games File|Choose the PGN file to search (:pgn)"));
    QAction* outputAction =
        make(QStringLiteral("O&utput File..."), QIcon(),
             QStringLiteral("Output File|Choose the file the found games go to (:output)"));
    QAction* exitAction = make(QStringLiteral("E&xit"), themedIcon("application-exit", QIcon()),
                               QStringLiteral("Exit|Exit application"));
    QAction* cutAction =
        make(QStringLiteral("Cu&t"), themedIcon("edit-cut", glyphIcon(QStringLiteral("X"))),
             QStringLiteral("Cut|Cuts the selection and puts it on the Clipboard"),
             QKeySequence(Qt::CTRL | Qt::Key_X));
    QAction* copyAction =
        make(QStringLiteral("&Copy"), themedIcon("edit-copy", glyphIcon(QStringLiteral("C"))),
             QStringLiteral("Copy|Copies the selection and puts it on the Clipboard"),
             QKeySequence(Qt::CTRL | Qt::Key_C));
    QAction* pasteAction = make(
        QStringLiteral("&Paste"), themedIcon("edit-paste", glyphIcon(QStringLiteral("V"))),
        QStringLiteral("Paste|Inserts Clipboard contents"), QKeySequence(Qt::CTRL | Qt::Key_V));
    QAction* fontAction =
        make(QStringLiteral("Font"),
             themedIcon("preferences-desktop-font", glyphIcon(QStringLiteral("Aa"))),
             QStringLiteral("Select listing font"), QKeySequence(Qt::CTRL | Qt::Key_F));
    QAction* viewAction =
        make(QStringLiteral("View Result"),
             themedIcon("document-preview", glyphIcon(QStringLiteral("PGN"))),
             QStringLiteral("Show the games the query found"), QKeySequence(Qt::CTRL | Qt::Key_U));
    QAction* externalAction =
        make(QStringLiteral("Open in External Viewer"), QIcon(),
             QStringLiteral("Open the query's result file in another program"));
    QAction* openResultAction =
        make(QStringLiteral("Open Result &File..."), QIcon(),
             QStringLiteral("Open Result File|Show the games of any PGN file in the viewer"));
    QAction* paletteAction =
        make(QStringLiteral("Palette"), themedIcon("insert-text", glyphIcon(QStringLiteral("( )"))),
             QStringLiteral("The HUX keywords and structures palette"),
             QKeySequence(Qt::CTRL | Qt::Key_P));
    QAction* boardAction =
        make(QStringLiteral("&Board..."), themedIcon("view-grid", glyphIcon(QStringLiteral("#"))),
             QStringLiteral("Board|Set up a position on a board and insert it as a position list"),
             QKeySequence(Qt::CTRL | Qt::Key_B));
    QAction* aboutAction =
        make(QStringLiteral("&About..."),
             themedIcon("help-about", s->standardIcon(QStyle::SP_MessageBoxInformation)),
             QStringLiteral("About|Displays program information, version number, and copyright"));

    connect(newAction, &QAction::triggered, this, &MainWindow::newQuery);
    connect(openAction, &QAction::triggered, this, &MainWindow::openQuery);
    connect(saveAction, &QAction::triggered, this, &MainWindow::save);
    connect(saveAsAction, &QAction::triggered, this, &MainWindow::saveAs);
    connect(runAction, &QAction::triggered, this, &MainWindow::run);
    connect(sendAction, &QAction::triggered, this, &MainWindow::run);
    connect(stopAction_, &QAction::triggered, this, &MainWindow::stop);
    connect(gamesAction, &QAction::triggered, this, &MainWindow::chooseGamesFile);
    connect(outputAction, &QAction::triggered, this, &MainWindow::chooseOutputFile);
    stopAction_->setEnabled(false);
    connect(exitAction, &QAction::triggered, this, &QWidget::close);
    connect(cutAction, &QAction::triggered, editor_, &QPlainTextEdit::cut);
    connect(copyAction, &QAction::triggered, editor_, &QPlainTextEdit::copy);
    connect(pasteAction, &QAction::triggered, editor_, &QPlainTextEdit::paste);
    connect(fontAction, &QAction::triggered, this, &MainWindow::chooseFont);
    connect(viewAction, &QAction::triggered, this, &MainWindow::viewResult);
    connect(externalAction, &QAction::triggered, this, &MainWindow::openExternalViewer);
    connect(openResultAction, &QAction::triggered, this, &MainWindow::openResultFile);
    connect(paletteAction, &QAction::triggered, this, &MainWindow::showPalette);
    connect(aboutAction, &QAction::triggered, this, &MainWindow::showAbout);
    connect(boardAction, &QAction::triggered, this, &MainWindow::showBoard);
    cutAction->setEnabled(false);
    copyAction->setEnabled(false);
    connect(editor_, &QPlainTextEdit::copyAvailable, cutAction, &QAction::setEnabled);
    connect(editor_, &QPlainTextEdit::copyAvailable, copyAction, &QAction::setEnabled);

    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addActions({newAction, openAction, saveAction, saveAsAction});
    file->addSeparator();
    file->addAction(openResultAction);
    file->addSeparator();
    file->addActions({runAction, stopAction_});
    file->addSeparator();
    file->addAction(exitAction);
    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->addActions({cutAction, copyAction, pasteAction});
    edit->addSeparator();
    edit->addAction(fontAction);
    edit->addSeparator();
    edit->addAction(boardAction);
    edit->addSeparator();
    edit->addActions({gamesAction, outputAction});
    edit->addSeparator();
    edit->addActions({viewAction, externalAction});
    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addActions({paletteAction, aboutAction});

    QToolBar* tools = addToolBar(QStringLiteral("Tools"));
    tools->setObjectName(QStringLiteral("tools"));
    tools->setMovable(false);
    tools->addActions({newAction, openAction, saveAction});
    tools->addSeparator();
    tools->addActions({cutAction, copyAction, pasteAction});
    tools->addSeparator();
    tools->addAction(fontAction);
    tools->addSeparator();
    tools->addAction(paletteAction);
    tools->addAction(boardAction);
    tools->addSeparator();
    tools->addAction(viewAction);
    tools->addSeparator();
    tools->addAction(sendAction);
    tools->addAction(stopAction_);
    for (QAction* action : {sendAction, stopAction_}) {
        if (auto* button = qobject_cast<QToolButton*>(tools->widgetForAction(action))) {
            button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        }
    }
}

void MainWindow::start(const QString& file) {
    if (!paletteError_.isEmpty()) desktop_->reportError(this, paletteError_);
    about_->setVersion(QStringLiteral("ver 1.00"));
    if (file.isEmpty() || !loadFile(file)) newQuery();
}

bool MainWindow::isModified() const {
    return editor_->document()->isModified();
}

bool MainWindow::isRunning() const {
    return std::any_of(runners_.cbegin(), runners_.cend(),
                       [](const EngineRunner* r) { return r->isRunning(); });
}

void MainWindow::setFileName(const QString& name) {
    fileName_ = name;
    // "[*]" is where the desktop's mark for unsaved changes goes.
    setWindowTitle(QStringLiteral("%1 [%2][*]").arg(titlePrefix(), name));
    setWindowModified(isModified());
}

bool MainWindow::loadFile(const QString& path) {
    QString text;
    QueryFormat format;
    QString error;
    if (!QueryFile::read(path, &text, &format, &error)) {
        desktop_->reportError(this, error);
        return false;
    }
    editor_->setPlainText(text);
    format_ = format;
    setFileName(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
    editor_->setFocus();
    editor_->document()->setModified(false);
    return true;
}

bool MainWindow::writeFile(const QString& path) {
    QString error;
    if (!QueryFile::write(path, editor_->toPlainText(), format_, &error)) {
        desktop_->reportError(this, error);
        return false;
    }
    return true;
}

bool MainWindow::maybeSave() {
    if (!isModified()) return true;
    const auto answer = desktop_->ask(
        this, QStringLiteral("The query %1 has unsaved changes. Save them?").arg(fileName_),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    if (answer == QMessageBox::Save) return save();
    return answer == QMessageBox::Discard;
}

void MainWindow::newQuery() {
    if (!maybeSave()) return;
    setFileName(untitled());
    editor_->clear();
    format_ = {};
    editor_->document()->setModified(false);
    choice_ = {};
    insertPaletteText(choice_);
}

void MainWindow::openQuery() {
    if (!maybeSave()) return;
    const QString path = desktop_->openFileName(this, setup_.startDir);
    if (!path.isEmpty()) loadFile(path);
}

bool MainWindow::save() {
    if (fileName_ == untitled()) return saveAs();
    if (!writeFile(fileName_)) return false;
    editor_->document()->setModified(false);
    return true;
}

bool MainWindow::saveAs() {
    const QString path = desktop_->saveFileName(this, setup_.startDir);
    if (path.isEmpty()) return false;
    if (QFileInfo::exists(path)) {
        const auto answer = desktop_->ask(
            this, QStringLiteral("OK to overwrite %1").arg(QDir::toNativeSeparators(path)),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::No);
        if (answer != QMessageBox::Yes) return false;
    }
    if (!writeFile(path)) return false;
    setFileName(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
    editor_->document()->setModified(false);
    return true;
}

void MainWindow::run() {
    if (isRunning()) {
        // Two runs at once would write the same files: the first one ends,
        // and the new run starts once it has.
        const auto answer = desktop_->ask(
            this, QStringLiteral("HUX is still running. Stop it and run the query again?"),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes) return;
        rerun_ = true;
        stop();
        return;
    }
    // The run takes the editor's text as it stands, saved or not; the file
    // name and the modified flag stay as they are.
    const QString query = QDir(setup_.startDir).filePath(EngineRunner::queryFileName());
    if (!writeFile(query)) return;

    auto* runner =
        new EngineRunner(EngineRunner::command(setup_.startDir, setup_.engine), setup_.startDir);
    runners_ << runner;
    const EngineRunner::Command& command = runner->commandLine();
    const int runStart = output_->beginRun(
        command.program.isEmpty()
            ? EngineRunner::queryFileName()
            : QStringList{QDir::toNativeSeparators(command.program), command.arguments.join(u' ')}
                  .join(u' ')
                  .trimmed());
    if (!command.skipped.isEmpty()) output_->appendNote(command.skipped);
    editor_->clearErrorMarks();
    found_->clear();
    found_->hide();
    // The games found are read from the file this query names, as it was run.
    const QString result = resultFileName(editor_->toPlainText());
    connect(runner, &EngineRunner::output, output_, &OutputPane::appendOutput);
    connect(runner, &EngineRunner::finished, this,
            [this, runner, runStart, result](int exitCode, bool crashed, const QString& problem) {
                engineFinished(runner, runStart, result, exitCode, crashed, problem);
            });
    statusBar()->showMessage(QStringLiteral("HUX is running... (Esc stops it)"));
    viewOffer_->hide();
    runner->start();
    updateRunActions();
}

void MainWindow::stop() {
    for (EngineRunner* runner : std::as_const(runners_)) runner->stop();
}

void MainWindow::updateRunActions() {
    stopAction_->setEnabled(isRunning());
}

void MainWindow::engineFinished(EngineRunner* runner, int runStart, const QString& result,
                                int exitCode, bool crashed, const QString& problem) {
    const bool stopped = runner->wasStopped();
    if (stopped) {
        output_->endStoppedRun();
    } else {
        output_->endRun(runStart, exitCode, crashed, problem);
        markLocations(runStart);
        showFoundGames(runStart, result);
    }
    const bool succeeded = !stopped && !crashed && exitCode == 0 && problem.isEmpty();
    statusBar()->showMessage(stopped     ? QStringLiteral("HUX was stopped.")
                             : succeeded ? QStringLiteral("HUX finished.")
                                         : QStringLiteral("HUX reported an error."));
    // Games found: the viewer is one click away.
    const QFileInfo resultInfo(QDir(setup_.startDir).absoluteFilePath(result));
    viewOffer_->setVisible(succeeded && !result.isEmpty() && resultInfo.isFile() &&
                           resultInfo.size() > 0);
    // A viewer on the file the run rewrote would read stale byte ranges.
    if (viewer_ && !result.isEmpty() && viewer_->model()->path() == resultInfo.absoluteFilePath()) {
        viewer_->open(resultInfo.absoluteFilePath());
    }
    runners_.removeOne(runner);
    runner->deleteLater();
    updateRunActions();
    emit runFinished(succeeded);
    if (rerun_ && !isRunning()) {
        rerun_ = false;
        run();
    }
}

void MainWindow::showFoundGames(int runStart, const QString& result) {
    if (result.isEmpty()) return;
    QTextCursor run(output_->document());
    run.setPosition(runStart);
    run.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    const QList<int> numbers = FoundGames::numbersIn(run.selectedText());
    if (numbers.isEmpty()) return;
    found_->showGames(numbers, QDir(setup_.startDir).absoluteFilePath(result));
    found_->show();
}

std::pair<int, int> MainWindow::locationInEditor(const ErrorLocation& location) const {
    const QTextBlock block = editor_->document()->findBlockByNumber(location.line - 1);
    if (!block.isValid()) return {-1, 0};
    const QString line = block.text();
    // The query file is UTF-8 unless it was read as Latin-1 and still fits.
    const bool utf8 = !format_.latin1 || std::any_of(line.cbegin(), line.cend(),
                                                     [](QChar c) { return c.unicode() > 255; });
    const int index = location.characterIndex(line, utf8);
    int length = 0;
    for (const QueryToken& token : queryTokens(line)) {
        if (token.start <= index && index < token.start + token.length) {
            length = token.start + token.length - index;
        }
    }
    return {block.position() + index, length};
}

void MainWindow::markLocations(int runStart) {
    for (const ErrorLocation& location : output_->locations(runStart)) {
        const auto [position, length] = locationInEditor(location);
        if (position >= 0) editor_->markError(position, length);
    }
}

void MainWindow::goToLocation(const ErrorLocation& location) {
    const int position = locationInEditor(location).first;
    if (position < 0) return;
    QTextCursor cursor = editor_->textCursor();
    cursor.setPosition(position);
    editor_->setTextCursor(cursor);
    editor_->ensureCursorVisible();
    editor_->setFocus();
}

void MainWindow::chooseGamesFile() {
    chooseMatchFile(QStringLiteral(":pgn"), false);
}

void MainWindow::chooseOutputFile() {
    chooseMatchFile(QStringLiteral(":output"), true);
}

void MainWindow::chooseMatchFile(const QString& keyword, bool forOutput) {
    const QString chosen = desktop_->pgnFileName(this, setup_.startDir, forOutput);
    if (chosen.isEmpty()) return;
    // hux runs in the start directory: a file there or below is named from it.
    const QDir start(setup_.startDir);
    QString name = start.relativeFilePath(chosen);
    if (name.startsWith(QStringLiteral("../")) || QDir::isAbsolutePath(name)) {
        name = QFileInfo(chosen).absoluteFilePath();
    }
    name = QDir::toNativeSeparators(name);
    const TextEdit edit = setMatchArgument(editor_->toPlainText(), keyword, name);
    if (edit.start < 0) {
        desktop_->inform(this, QStringLiteral("The query has no match form to put %1 in: start "
                                              "one with New or from the palette.")
                                   .arg(keyword));
        return;
    }
    QTextCursor cursor = editor_->textCursor();
    cursor.setPosition(edit.start);
    cursor.setPosition(edit.start + edit.length, QTextCursor::KeepAnchor);
    cursor.insertText(edit.replacement);
    editor_->setTextCursor(cursor);
    editor_->setFocus();
}

QString MainWindow::trustedViewer() {
    const QFileInfo viewer(QDir(setup_.startDir).filePath(viewerName()));
    if (!viewer.exists()) return {};
    const QString problem = TrustedProgram::problem(viewer.absoluteFilePath());
    if (problem.isEmpty()) return viewer.absoluteFilePath();
    output_->appendNote(QStringLiteral("%1 was not run: it %2.")
                            .arg(QDir::toNativeSeparators(viewer.absoluteFilePath()), problem));
    return {};
}

void MainWindow::openResultAt(const QString& file, int place) {
    // The list shows each game's number in the scanned file, the number the
    // viewer opens a game by.
    const QTreeWidgetItem* row = found_->topLevelItem(place - 1);
    const unsigned original = row != nullptr ? row->text(0).toUInt() : 0;
    openViewer(file, original);
}

void MainWindow::viewResult() {
    const QString name = resultFileName(editor_->toPlainText());
    if (name.isEmpty()) {
        desktop_->inform(this, QStringLiteral("The query names no result file: write :output "
                                              "followed by a file name, such as found.pgn."));
        return;
    }
    const QString path = QDir(setup_.startDir).absoluteFilePath(name);
    if (!QFileInfo::exists(path)) {
        desktop_->inform(this, QStringLiteral("The result file %1 does not exist yet: run the "
                                              "query first.")
                                   .arg(QDir::toNativeSeparators(path)));
        return;
    }
    openViewer(path);
}

ViewerWindow* MainWindow::ensureViewer() {
    if (!viewer_) {
        viewer_ = new ViewerWindow;
        viewer_->setAttribute(Qt::WA_DeleteOnClose);
        viewer_->searchAction()->setEnabled(true);
        connect(viewer_, &ViewerWindow::searchPosition, this, &MainWindow::searchPosition);
    }
    return viewer_;
}

void MainWindow::openViewer(const QString& path, unsigned original) {
    ensureViewer();
    viewer_->open(path, original);
    viewer_->show();
    viewer_->raise();
    viewer_->activateWindow();
}

ViewerWindow* MainWindow::viewer() const {
    return viewer_;
}

void MainWindow::openResultFile() {
    ensureViewer();
    viewer_->show();
    viewer_->openFile();
}

void MainWindow::openExternalViewer() {
    const QString name = resultFileName(editor_->toPlainText());
    if (name.isEmpty()) {
        desktop_->inform(this, QStringLiteral("The query names no result file: write :output "
                                              "followed by a file name, such as found.pgn."));
        return;
    }
    const QDir dir(setup_.startDir);
    const QString viewer = trustedViewer();
    if (!viewer.isEmpty()) {
        if (!desktop_->startProgram(viewer, {name}, setup_.startDir)) {
            desktop_->reportError(this, QStringLiteral("Cannot start the viewer %1.")
                                            .arg(QDir::toNativeSeparators(viewer)));
        }
        return;
    }
    const QString path = dir.absoluteFilePath(name);
    if (!QFileInfo::exists(path)) {
        desktop_->inform(this, QStringLiteral("The result file %1 does not exist yet: run the "
                                              "query first.")
                                   .arg(QDir::toNativeSeparators(path)));
        return;
    }
    if (!desktop_->openDocument(path)) {
        desktop_->reportError(
            this,
            QStringLiteral("No program is set up to open %1.").arg(QDir::toNativeSeparators(path)));
    }
}

void MainWindow::chooseFont() {
    QFont font = editor_->font();
    if (desktop_->chooseFont(this, &font)) editor_->setFont(font);
}

void MainWindow::showPalette() {
    if (palette_.columns().isEmpty()) {
        desktop_->inform(this, QStringLiteral("The palette is empty: no pelk.pal was found, or it "
                                              "has no grid section."));
        return;
    }
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    paletteDialog_->build(palette_, screen ? screen->geometry().width() : 1024);
    const std::optional<PaletteChoice> chosen = paletteDialog_->choose(choice_);
    if (chosen) insertPaletteText(*chosen);
}

void MainWindow::insertPaletteText(const PaletteChoice& choice) {
    choice_ = choice;
    QTextCursor cursor = editor_->textCursor();
    const int start = cursor.selectionStart();
    const QString indentation = Palette::indentation(editor_->toPlainText(), start);
    const QString text =
        palette_.insertion(choice.column, choice.row, choice.shortForm, indentation);
    if (text.isEmpty()) return;
    // The selection goes first, so that the text is fitted to what remains.
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    const Palette::Placement placed =
        Palette::place(text, choice.shortForm, editor_->toPlainText(), start, indentation);
    cursor.insertText(placed.text);
    cursor.endEditBlock();
    cursor.setPosition(start + placed.caret);
    editor_->setTextCursor(cursor);
    editor_->setFocus();
}

void MainWindow::showBoard() {
    const QString text = editor_->toPlainText();
    const TextRange list = positionListAt(text, editor_->textCursor().position());
    if (list.start >= 0) {
        if (const auto query = BoardQuery::fromText(text.mid(list.start, list.length))) {
            board_->load(*query);
        }
    }
    board_->show();
    board_->raise();
    board_->activateWindow();
}

void MainWindow::searchPosition(const BoardQuery& query) {
    board_->load(query);
    board_->show();
    board_->raise();
    board_->activateWindow();
}

void MainWindow::insertBoardList(const QString& list) {
    QTextCursor cursor = editor_->textCursor();
    const TextRange target = positionListAt(editor_->toPlainText(), cursor.position());
    cursor.beginEditBlock();
    if (target.start >= 0) {
        cursor.setPosition(target.start);
        cursor.setPosition(target.start + target.length, QTextCursor::KeepAnchor);
        cursor.insertText(list);
    } else {
        cursor.removeSelectedText();
        const int start = cursor.position();
        const QString indentation = Palette::indentation(editor_->toPlainText(), start);
        cursor.insertText(
            Palette::place(list, true, editor_->toPlainText(), start, indentation).text);
    }
    cursor.endEditBlock();
    editor_->setTextCursor(cursor);
    board_->hide();
    activateWindow();
    editor_->setFocus();
}

void MainWindow::showAbout() {
    about_->exec();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (isModified()) {
        // No, the answer that keeps the edits, is the default. It saves under
        // the query's name; only an untitled query asks for one, and closing
        // anyway after a cancelled Save As would lose the edits.
        const auto answer =
            desktop_->ask(this, QStringLiteral("File not saved. Exit without saving?"),
                          QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes && !save()) {
            event->ignore();
            return;
        }
    }
    if (isRunning()) {
        const auto answer =
            desktop_->ask(this, QStringLiteral("HUX is still running. Stop it and exit?"),
                          QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes) {
            event->ignore();
            return;
        }
    }
    event->accept();
}
