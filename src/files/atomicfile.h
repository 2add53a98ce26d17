// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <sys/stat.h>

namespace vorlane::files {

// A file replaced whole: the content goes to a temporary file beside the
// target, which is renamed over the target only once it is complete and
// synced, so that a failed save leaves neither a partial file nor a damaged
// earlier one. Names are bytes, used exactly as given; a relative name is
// taken in the current directory, and links are followed to the file they
// lead to. Only a regular file is ever replaced, with its owner, group, mode,
// access list and other extended attributes. Each step gives the reason when
// it fails; a file not committed is removed.
class AtomicFile {
public:
    explicit AtomicFile(QByteArray fileName);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Everything that can be known before the content exists: the target is
    // no regular file or may not be replaced, the folder cannot be written.
    std::optional<QString> open();
    // All of the content, pushed to the disk.
    std::optional<QString> write(const QByteArray& content);
    // Puts the file in the target's place and syncs the folder.
    std::optional<QString> commit();

private:
    std::optional<QString> createNamed();
    std::optional<QString> keepAccess();
    std::optional<QString> syncFolder();

    QByteArray given_;
    QByteArray target_;    // the name given, links followed
    QByteArray temporary_; // the temporary file's name, while it has one
    int fd_ = -1;
    std::optional<struct stat> earlier_; // the file replaced
};

// Why saving under this name would be refused before any content exists, if
// it would: what open() checks first, for a question that would come before.
std::optional<QString> whyNotSaved(const QByteArray& fileName);

// A file name for a message: UTF-8 as it is, control characters and bytes
// that are not UTF-8 escaped.
QString shownName(const QByteArray& name);

// Removes the named temporary file of the save in progress (one at a time),
// if there is one; safe in a signal handler. Signals are held while that file
// comes and goes, so that a handler that calls this and ends the process
// leaves nothing behind.
void removeTemporaryFile() noexcept;
// True once a file has been renamed into its target's place; safe in a
// signal handler.
bool fileReplaced() noexcept;

} // namespace vorlane::files
