// pelk, the query editor: edits HUX query files, inserts the language from a
// palette, runs the engine on the query and opens the result.
#include <QApplication>
#include <QDir>

#include "pelk/desktop.h"
#include "pelk/enginerunner.h"
#include "pelk/mainwindow.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("pelk"));

    PelkSetup setup;
    setup.startDir = QDir::currentPath();
    // The start directory may carry its own palette; an installed one comes
    // next (where the build meant to install it, or share/hux beside bin/
    // for an installation moved to another prefix), and one beside the
    // program serves a run from the build tree.
    const QString programDir = QApplication::applicationDirPath();
    setup.paletteFile =
        Palette::find({setup.startDir, QStringLiteral(PELK_DATA_DIR),
                       QDir(programDir).filePath(QStringLiteral("../share/hux")), programDir});
    setup.engine = EngineRunner::findEngine();

    WidgetDesktop desktop;
    MainWindow window(setup, &desktop);
    window.show();
    const QStringList arguments = QApplication::arguments();
    window.start(arguments.size() > 1 ? arguments[1] : QString());
    return QApplication::exec();
}
