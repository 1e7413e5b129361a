// pelk, the query editor: edits HUX query files, inserts the language from a
// palette, runs the engine on the query and opens the result.
#include <QApplication>
#include <QDir>

#include "pelk/desktop.h"
#include "pelk/enginerunner.h"
#include "pelk/mainwindow.h"
#include "pelk/viewerwindow.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("pelk"));

    // pelk --view FILE.pgn: only the result viewer, on that file (without
    // one, the viewer asks for it).
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1 && arguments[1] == QLatin1String("--view")) {
        ViewerWindow viewer;
        viewer.show();
        if (arguments.size() > 2) {
            viewer.open(arguments[2]);
        } else {
            viewer.openFile();
        }
        return QApplication::exec();
    }

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
    window.start(arguments.size() > 1 ? arguments[1] : QString());
    return QApplication::exec();
}
