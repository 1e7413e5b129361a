#include "pelk/desktop.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QFontDialog>
#include <QProcess>
#include <QUrl>

namespace {

const QString kTitle = QStringLiteral("Pelk");

QString runFileDialog(QWidget* parent, const QString& directory, QFileDialog::AcceptMode mode) {
    QFileDialog dialog(parent, QString(), directory, QStringLiteral("HUX queries (*.hux)"));
    dialog.setAcceptMode(mode);
    dialog.setDefaultSuffix(QStringLiteral("hux"));
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    // Save As asks about overwriting itself, with its own Cancel.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

}  // namespace

QString WidgetDesktop::openFileName(QWidget* parent, const QString& directory) {
    return runFileDialog(parent, directory, QFileDialog::AcceptOpen);
}

QString WidgetDesktop::saveFileName(QWidget* parent, const QString& directory) {
    return runFileDialog(parent, directory, QFileDialog::AcceptSave);
}

QString WidgetDesktop::pgnFileName(QWidget* parent, const QString& directory, bool forOutput) {
    QFileDialog dialog(parent,
                       forOutput ? QStringLiteral("Output File") : QStringLiteral("Games File"),
                       directory, QStringLiteral("PGN files (*.pgn);;All files (*)"));
    dialog.setAcceptMode(forOutput ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(forOutput ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (forOutput) dialog.setDefaultSuffix(QStringLiteral("pgn"));
    // The file is only named in the query; hux writes it when the query runs.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

QMessageBox::StandardButton WidgetDesktop::ask(QWidget* parent, const QString& text,
                                               QMessageBox::StandardButtons buttons,
                                               QMessageBox::StandardButton defaultButton) {
    return QMessageBox::question(parent, kTitle, text, buttons, defaultButton);
}

void WidgetDesktop::inform(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, kTitle, text);
}

void WidgetDesktop::reportError(QWidget* parent, const QString& text) {
    QMessageBox::critical(parent, kTitle, text);
}

bool WidgetDesktop::chooseFont(QWidget* parent, QFont* font) {
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, *font, parent);
    if (ok) *font = chosen;
    return ok;
}

bool WidgetDesktop::openDocument(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool WidgetDesktop::startProgram(const QString& program, const QStringList& arguments,
                                 const QString& directory) {
    return QProcess::startDetached(program, arguments, directory);
}
