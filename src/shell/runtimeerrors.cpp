#include "runtimeerrors.h"

#include "sim/errors.h"

#include <QMessageBox>

#include <exception>

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
    } catch (const std::exception& error) {
        // Anything else that ends a handler, e.g. memory for a huge picture.
        report(owner, sim::errorMessage(error.what()));
    }
}

} // namespace vorlane::shell
