// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The parameter round trip: any eight texts, saved with the save command and
// retrieved with the retrieve command, come back exactly. The input holds
// the texts as UTF-8, parted by the byte 0xFF, which UTF-8 never uses.
#include "files/files.h"
#include "files/parameterfile.h"
#include "require.h"
#include "scripted.h"

#include <cstdint>

using namespace vorlane::files;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Workspace workspace;
    const QList<QByteArray> parts =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)).split('\xff');
    FieldMap saved;
    const QStringList& names = parameterfile::fieldNames();
    for (qsizetype i = 0; i < names.size(); ++i)
        saved.texts[names[i]] = i < parts.size() ? QString::fromUtf8(parts[i]) : QString();
    // A panel field holds no longer text, and retrieve rightly refuses one.
    for (const QString& text : saved.texts)
        if (text.size() > parameterfile::kMaxFieldUnits)
            return 0;

    ScriptedDialogs dialogs;
    const QString path = workspace.path(QStringLiteral("roundtrip.pel"));
    dialogs.paths << path << path;
    Files files(dialogs);
    files.savparamdlg(saved);
    FieldMap retrieved;
    files.retparamdlg(retrieved);
    require(dialogs.errors.isEmpty() && dialogs.questions.isEmpty(),
            "saved and retrieved without a message");
    require(retrieved.texts == saved.texts, "the texts came back changed");
    return 0;
}
