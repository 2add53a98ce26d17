#pragma once

#include "parameterfields.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

namespace vorlane::files {

// The parameter file: the texts of the panel's eight drawing fields as UTF-8
// text, one "name=text" line a field after a line naming the format. The
// format is described in PARAMETERS.md.
namespace parameterfile {

inline constexpr char kFirstLine[] = "Vorlane parameters 1";
inline constexpr qint64 kMaxBytes = 64 * 1024;

// The fields that "draw rings" reads, in the order in which they are written.
const QStringList& fieldNames();

QByteArray encode(const ParameterFields& fields);

struct Contents {
    QHash<QString, QString> texts; // all of fieldNames() when problem is empty
    QString problem;               // why the file cannot be used
};

// Reads and checks the whole file; a relative name is taken in the current
// directory.
Contents read(const QString& fileName);

} // namespace parameterfile
} // namespace vorlane::files
