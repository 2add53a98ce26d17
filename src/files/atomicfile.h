#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace vorlane::files {

// Writes the content to a temporary file beside the target and renames it
// over the target only once it is complete, so that a failed write leaves
// neither a partial file nor a damaged earlier one. A relative name is taken
// in the current directory. Gives the reason when the file was not written.
std::optional<QString> saveAtomically(const QString& fileName, const QByteArray& content);

} // namespace vorlane::files
