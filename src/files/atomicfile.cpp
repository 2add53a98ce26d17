#include "atomicfile.h"

#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace vorlane::files {

namespace {

// QSaveFile replaces an existing file through a temporary name: the target's
// name with ".XXXXXX" appended.
constexpr qsizetype kTemporarySuffixBytes = 7;

// Qt's own text where it has one; the system's for the failure it passed on
// as "Unknown error".
QString reasonOf(const QFileDevice& file, int systemError) {
    const QString qtText = file.errorString();
    if (systemError == 0 || (!qtText.isEmpty() && qtText != QLatin1String("Unknown error")))
        return qtText;
    return QString::fromLocal8Bit(std::strerror(systemError));
}

// True when the name fits in its folder but the temporary name beside it
// does not, so that the earlier file cannot be replaced safely.
bool temporaryNameTooLong(const QString& fileName) {
    const QFileInfo info(fileName);
    const long nameMax =
        ::pathconf(QFile::encodeName(info.absolutePath()).constData(), _PC_NAME_MAX);
    const qsizetype nameBytes = QFile::encodeName(info.fileName()).size();
    return nameMax > 0 && nameBytes <= nameMax && nameBytes + kTemporarySuffixBytes > nameMax;
}

// Opening makes the temporary file where the system has no unnamed ones, and
// committing names it to replace an earlier file: either fails when the
// temporary name is too long.
QString nameOrSystemReason(const QSaveFile& file, int systemError) {
    if (systemError == ENAMETOOLONG && temporaryNameTooLong(file.fileName()))
        return QStringLiteral("the name is too long to replace the file safely: the temporary "
                              "file beside it would need a longer name than the system allows; "
                              "choose a shorter name");
    return reasonOf(file, systemError);
}

// Writes all of the content and pushes it to the disk; Qt reports a short
// write as a success, and a failed sync not at all.
bool writeWhole(QSaveFile& file, const QByteArray& content) {
    for (qsizetype done = 0; done < content.size();) {
        const qint64 written = file.write(content.constData() + done, content.size() - done);
        if (written <= 0)
            return false;
        done += written;
    }
    if (!file.flush())
        return false;
    // Some file systems cannot sync at all; that is no failure of the write.
    return ::fsync(file.handle()) == 0 || errno == EINVAL || errno == ENOTSUP;
}

} // namespace

std::optional<QString> saveAtomically(const QString& fileName, const QByteArray& content) {
    QSaveFile file(fileName);
    // Unbuffered, so that every shortfall shows in the write that met it.
    errno = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return nameOrSystemReason(file, errno);
    errno = 0;
    if (!writeWhole(file, content)) {
        const QString reason = reasonOf(file, errno);
        file.cancelWriting();
        return reason;
    }
    errno = 0;
    if (!file.commit())
        return nameOrSystemReason(file, errno);
    return std::nullopt;
}

} // namespace vorlane::files
