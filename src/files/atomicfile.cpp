#include "atomicfile.h"

#include <QSaveFile>

namespace vorlane::files {

std::optional<QString> saveAtomically(const QString& fileName, const QByteArray& content) {
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    // A short write puts the file into an error state, and commit() then
    // discards the temporary file instead of renaming it.
    file.write(content);
    if (!file.commit())
        return file.errorString();
    return std::nullopt;
}

} // namespace vorlane::files
