// The editor's main window: one query in the editor, the file commands, the
// keyword palette, running the engine on the query with its output in a pane
// below, and opening the result file the query names.
#pragma once

#include <QList>
#include <QMainWindow>
#include <QPointer>

#include "pelk/palette.h"
#include "pelk/queryfile.h"

class AboutDialog;
class Desktop;
class EngineRunner;
class OutputPane;
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
    PaletteDialog* paletteDialog() const { return paletteDialog_; }
    AboutDialog* aboutDialog() const { return about_; }
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
    void chooseFont();
    void showPalette();
    void showAbout();

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
    void engineFinished(EngineRunner* runner, int runStart, int exitCode, bool crashed,
                        const QString& problem);

    PelkSetup setup_;
    Desktop* desktop_;
    QueryEditor* editor_;
    OutputPane* output_;
    PaletteDialog* paletteDialog_;
    AboutDialog* about_;
    Palette palette_;
    QString paletteError_;
    PaletteChoice choice_;
    QString fileName_;
    QueryFormat format_;
    QList<EngineRunner*> runners_;
    QPointer<ViewerWindow> viewer_;
    QPushButton* viewOffer_;
};
