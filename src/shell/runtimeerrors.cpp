#include "runtimeerrors.h"

#include "sim/errors.h"

#include <QMessageBox>

#include <exception>
#include <new>
#include <string>

namespace vorlane::shell {

namespace {

void report(QWidget& owner, const std::string& message) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Vorlane"),
                    QString::fromStdString(message), QMessageBox::Ok, &owner);
    box.exec();
}

} // namespace

void runHandler(QWidget& owner, const std::function<void()>& handler) {
    try {
        handler();
    } catch (const sim::RuntimeError& error) {
        report(owner, sim::errorMessage(error));
    } catch (const std::bad_alloc&) {
        // E.g. the memory for a huge canvas.
        report(owner, "Not enough memory: the command stopped.");
    } catch (const std::exception& error) {
        // A fault of the program itself; like a run-time error it ends only
        // the command.
        report(owner, std::string("Internal error: ") + error.what() + "\nThe command stopped.");
    } catch (...) {
        report(owner, "Internal error\nThe command stopped.");
    }
}

} // namespace vorlane::shell
