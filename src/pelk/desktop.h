// Everything the main window asks of the user or the desktop through modal
// dialogs or other programs. The window talks to this interface only, so a
// test can answer the questions and watch what would have been started.
#pragma once

#include <QFont>
#include <QMessageBox>
#include <QString>
#include <QStringList>

class QWidget;

class Desktop {
  public:
    virtual ~Desktop() = default;

    // A file name chosen in the open or save dialog; "" when cancelled.
    virtual QString openFileName(QWidget* parent, const QString& directory) = 0;
    virtual QString saveFileName(QWidget* parent, const QString& directory) = 0;
    // A PGN file chosen to read games from, or to write the found games to;
    // "" when cancelled.
    virtual QString pgnFileName(QWidget* parent, const QString& directory, bool forOutput) = 0;
    // A question answered by one of the given buttons (Escape: Cancel or No);
    // Enter gives `defaultButton`, which is the answer that loses nothing.
    virtual QMessageBox::StandardButton ask(
        QWidget* parent, const QString& text, QMessageBox::StandardButtons buttons,
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton) = 0;
    virtual void inform(QWidget* parent, const QString& text) = 0;
    virtual void reportError(QWidget* parent, const QString& text) = 0;
    // Lets the user change the font; false when the dialog was cancelled.
    virtual bool chooseFont(QWidget* parent, QFont* font) = 0;
    // Opens a document with the desktop's default application for its type.
    virtual bool openDocument(const QString& path) = 0;
    // Starts a program that runs on its own; pelk does not wait for it.
    virtual bool startProgram(const QString& program, const QStringList& arguments,
                              const QString& directory) = 0;
};

// The real dialogs and programs.
class WidgetDesktop : public Desktop {
  public:
    QString openFileName(QWidget* parent, const QString& directory) override;
    QString saveFileName(QWidget* parent, const QString& directory) override;
    QString pgnFileName(QWidget* parent, const QString& directory, bool forOutput) override;
    QMessageBox::StandardButton ask(
        QWidget* parent, const QString& text, QMessageBox::StandardButtons buttons,
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton) override;
    void inform(QWidget* parent, const QString& text) override;
    void reportError(QWidget* parent, const QString& text) override;
    bool chooseFont(QWidget* parent, QFont* font) override;
    bool openDocument(const QString& path) override;
    bool startProgram(const QString& program, const QStringList& arguments,
                      const QString& directory) override;
};
