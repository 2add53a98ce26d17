// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The parameter-file reader on any bytes, through the retrieve command: no
// crash; a refused file changes no field; an accepted one is valid UTF-8,
// sets every field within a panel field's length, and reads back the same
// after saving those texts again.
#include "files/files.h"
#include "files/parameterfile.h"
#include "require.h"
#include "scripted.h"

#include <cstdint>

using namespace vorlane::files;

namespace {

FieldMap retrieved(const QString& path, bool& refused) {
    FieldMap fields;
    for (const QString& name : parameterfile::fieldNames())
        fields.texts[name] = QStringLiteral("before");
    ScriptedDialogs dialogs;
    dialogs.paths << path;
    Files files(dialogs);
    files.retparamdlg(fields);
    refused = !dialogs.errors.isEmpty();
    return fields;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    require(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size(),
            "the input file can be written");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Workspace workspace;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString path = workspace.path(QStringLiteral("input.pel"));
    writeFile(path, bytes);

    bool refused = false;
    const FieldMap fields = retrieved(path, refused);
    if (refused) {
        for (const QString& name : parameterfile::fieldNames())
            require(fields.texts.value(name) == QLatin1String("before"),
                    "a refused file changed a field");
        return 0;
    }
    require(QString::fromUtf8(bytes).toUtf8() == bytes, "a file that is not UTF-8 accepted");
    for (const QString& name : parameterfile::fieldNames())
        require(fields.texts.value(name).size() <= parameterfile::kMaxFieldUnits,
                "a field longer than the panel holds");

    writeFile(path, parameterfile::encode(fields));
    bool refusedAgain = false;
    require(retrieved(path, refusedAgain).texts == fields.texts && !refusedAgain,
            "the texts read do not read back the same after saving");
    return 0;
}
