#include "runtimeerrors.h"

#include "sim/errors.h"

#include <QMessageBox>

#include <exception>

namespace vorlane::shell {

namespace {

void report(QWidget& owner, const QString& error) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Vorlane"),
                    QStringLiteral("Run-time error: %1").arg(error), QMessageBox::Ok, &owner);
    box.exec();
}

} // namespace

void runHandler(QWidget& owner, const std::function<void()>& handler) {
    try {
        handler();
    } catch (const sim::RuntimeError& error) {
        const std::string_view name = sim::errorName(error.kind());
        report(owner, QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    } catch (const std::exception& error) {
        // Anything else that ends a handler, e.g. memory for a huge picture.
        report(owner, QString::fromLocal8Bit(error.what()));
    }
}

} // namespace vorlane::shell
