// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "parameterfields.h"
#include "sim/command/fields.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <string>

namespace vorlane::files {

// The parameter file: the texts of the panel's eight drawing fields as UTF-8
// text, one "name=text" line a field after a line naming the format. The
// format is described in PARAMETERS.md.
namespace parameterfile {

inline constexpr char kFirstLine[] = "Vorlane parameters 1";
// The longest text that a panel field holds, in UTF-16 units (a line edit's
// maximum length); a file with a longer one is refused rather than cut.
inline constexpr qsizetype kMaxFieldUnits = 32767;

// The longest file that saving can write: every unit of every field at its
// worst, three bytes of UTF-8 (an escape takes two, a surrogate pair four for
// two units).
constexpr qint64 maxFileBytes() {
    qint64 bytes = std::char_traits<char>::length(kFirstLine) + 1;
    for (const auto& field : sim::kRingFieldsByName)
        bytes += std::char_traits<char>::length(field.name) + 2 + 3 * kMaxFieldUnits;
    return bytes;
}
inline constexpr qint64 kMaxBytes = maxFileBytes();

// The fields that "draw rings" reads, in the order in which they are written.
const QStringList& fieldNames();

QByteArray encode(const ParameterFields& fields);

struct Contents {
    QHash<QString, QString> texts; // all of fieldNames() when problem is empty
    QString problem;               // why the file cannot be used
};

// Reads and checks the whole file; a relative name is taken in the current
// directory. Anything but a regular file is refused without waiting on it.
Contents read(const QString& fileName);
// The same for a name given as bytes, used exactly as they are.
Contents read(const QByteArray& fileName);

} // namespace parameterfile
} // namespace vorlane::files
