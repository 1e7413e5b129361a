// The editor's main window: one query in the editor, the file commands, the
// keyword palette, running (and stopping) the engine on the query with its
// output in a pane below and the games it found beside it, the places of
// query errors marked in the editor, and opening the result file.
#pragma once

#include <QList>
#include <QMainWindow>
#include <QPointer>

#include "pelk/palette.h"
#include "pelk/queryfile.h"

class AboutDialog;
class BoardEditor;
class BoardQuery;
class Desktop;
class EngineRunner;
class FoundGames;
class OutputPane;
class QAction;
struct ErrorLocation;
class PaletteDialog;
class QueryEditor;
class QPushButton;
class ViewerWindow;

// Where pelk finds what it works with; fixed when the window is created.
struct PelkSetup {
    QString startDir;     // e$$$.hux, the runner script and the viewer live here
    QString paletteFile;  // "" when no palette file was found
    QString engine;       // hux, for runs without a runner script; "" when none
};

class MainWindow : public QMainWindow {
    Q_OBJECT

  public:
    MainWindow(PelkSetup setup, Desktop* desktop, QWidget* parent = nullptr);
    ~MainWindow() override;

    static QString titlePrefix() { return QStringLiteral("Pelk ver 1.00"); }
    static QString untitled() { return QStringLiteral("Untitled"); }

    // What the window does when first shown: report a missing palette, then
    // open the file given on the command line, or start a new query.
    void start(const QString& file);

    QString fileName() const { return fileName_; }
    QueryEditor* editor() const { return editor_; }
    OutputPane* output() const { return output_; }
    FoundGames* foundGames() const { return found_; }
    QAction* stopAction() const { return stopAction_; }
    PaletteDialog* paletteDialog() const { return paletteDialog_; }
    AboutDialog* aboutDialog() const { return about_; }
    BoardEditor* boardEditor() const { return board_; }
    const Palette& palette() const { return palette_; }
    PaletteChoice paletteChoice() const { return choice_; }
    bool isModified() const;
    bool isRunning() const;

    // Inserts the text of a palette cell at the caret, as a palette choice
    // does, and remembers the choice for the next use.
    void insertPaletteText(const PaletteChoice& choice);

    // Shows a result file in the built-in viewer, at the game noted as
    // original game `original` when that is above 0. One viewer window
    // serves the editor and opens each file anew.
    void openViewer(const QString& path, unsigned original = 0);
    ViewerWindow* viewer() const;
    // The status bar's offer to view the games of the last run.
    QPushButton* viewOffer() const { return viewOffer_; }

  public slots:
    void newQuery();
    void openQuery();
    bool save();
    bool saveAs();
    void run();
    void viewResult();
    void openExternalViewer();
    void openResultFile();
    // Ends the running engine (Stop, Escape while running).
    void stop();
    // Games File... and Output File...: a chosen file after :pgn or :output.
    void chooseGamesFile();
    void chooseOutputFile();
    // Shows a found game, the game at `place` (from 1) of the result file, in
    // the result viewer.
    void openResultAt(const QString& file, int place);
    // Takes the caret to where the engine located a query error.
    void goToLocation(const ErrorLocation& location);
    void chooseFont();
    void showPalette();
    void showAbout();
    // Board: the board editor, showing the position list the caret is in.
    void showBoard();
    // The board's list goes in place of the position list the caret is in,
    // or at the caret.
    void insertBoardList(const QString& list);
    // A position from the viewer, on the board editor.
    void searchPosition(const BoardQuery& query);

  signals:
    // A run of the engine ended and its output is complete in the pane.
    void runFinished(bool succeeded);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void createActions();
    void setFileName(const QString& name);
    bool loadFile(const QString& path);
    bool writeFile(const QString& path);
    // Asks what to do with unsaved changes; false when the user keeps them
    // by cancelling.
    bool maybeSave();
    void engineFinished(EngineRunner* runner, int runStart, const QString& result, int exitCode,
                        bool crashed, const QString& problem);
    // The list of the games the run found, when they went to a result file.
    void showFoundGames(int runStart, const QString& result);
    void updateRunActions();
    void markLocations(int runStart);
    void chooseMatchFile(const QString& keyword, bool forOutput);
    // The position in the editor a location points at, and the length of the
    // word there; -1 when the query has no such line.
    std::pair<int, int> locationInEditor(const ErrorLocation& location) const;
    // The external viewer, when one may be run; otherwise "" with a note in
    // the pane when one was passed over.
    QString trustedViewer();
    ViewerWindow* ensureViewer();

    PelkSetup setup_;
    Desktop* desktop_;
    QueryEditor* editor_;
    OutputPane* output_;
    FoundGames* found_;
    QAction* stopAction_ = nullptr;
    bool rerun_ = false;  // Run once the stopped engine has ended
    PaletteDialog* paletteDialog_;
    AboutDialog* about_;
    BoardEditor* board_;
    Palette palette_;
    QString paletteError_;
    PaletteChoice choice_;
    QString fileName_;
    QueryFormat format_;
    QList<EngineRunner*> runners_;
    QPointer<ViewerWindow> viewer_;
    QPushButton* viewOffer_;
};
