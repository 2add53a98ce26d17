// Vorlane: the rings that a bright point light shows through a scratched
// surface.

#include "shell/mainwindow.h"
#include "shell/program.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    vorlane::shell::Program program;
    program.forms().main().show();
    // Closing main, the last window, ends the loop with status 0.
    return QApplication::exec();
}
