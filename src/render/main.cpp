// vorlane-render: Vorlane's picture without a display, written to a file.

#include "options.h"
#include "renderer.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <thread>

int main(int argc, char* argv[]) {
    using namespace vorlane::render;
    const QCoreApplication app(argc, argv);
    const int processors = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const CommandLine line = parseCommandLine(QCoreApplication::arguments(), processors);
    switch (line.action) {
    case CommandLine::Action::Help:
        std::fputs(qUtf8Printable(line.message), stdout);
        return kWritten;
    case CommandLine::Action::Refuse:
        std::fprintf(stderr, "vorlane-render: %s\nTry \"vorlane-render --help\".\n",
                     qUtf8Printable(line.message));
        return kRefused;
    case CommandLine::Action::Render:
        break;
    }
    return run(line.options);
}
