// A stand-in for the user and the desktop: it answers the window's questions
// and dialogs from queues the test fills, and records what was asked and what
// would have been started.
#pragma once

#include <QQueue>
#include <QStringList>

#include "pelk/desktop.h"

class FakeDesktop : public Desktop {
  public:
    QQueue<QString> openNames;
    QQueue<QString> saveNames;
    QQueue<QString> pgnNames;
    QQueue<QMessageBox::StandardButton> answers;
    QStringList questions;
    QList<QMessageBox::StandardButton> defaults;  // the default button of each question
    QStringList messages;
    QStringList errors;
    QStringList openedDocuments;
    QList<QStringList> startedPrograms;  // program, then its arguments

    QString openFileName(QWidget*, const QString&) override { return take(openNames); }
    QString saveFileName(QWidget*, const QString&) override { return take(saveNames); }
    QString pgnFileName(QWidget*, const QString&, bool) override { return take(pgnNames); }
    QMessageBox::StandardButton ask(QWidget*, const QString& text, QMessageBox::StandardButtons,
                                    QMessageBox::StandardButton defaultButton) override {
        questions << text;
        defaults << defaultButton;
        return answers.isEmpty() ? QMessageBox::Cancel : answers.dequeue();
    }
    void inform(QWidget*, const QString& text) override { messages << text; }
    void reportError(QWidget*, const QString& text) override { errors << text; }
    bool chooseFont(QWidget*, QFont*) override { return false; }
    bool openDocument(const QString& path) override {
        openedDocuments << path;
        return true;
    }
    bool startProgram(const QString& program, const QStringList& arguments,
                      const QString&) override {
        startedPrograms << (QStringList{program} + arguments);
        return true;
    }

  private:
    static QString take(QQueue<QString>& queue) {
        return queue.isEmpty() ? QString() : queue.dequeue();
    }
};
