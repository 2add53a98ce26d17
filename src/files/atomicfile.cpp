// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "atomicfile.h"

#include "sim/rules/errors.h"

#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <linux/magic.h>
#include <pthread.h>
#include <sys/statfs.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace vorlane::files {

namespace {

// The temporary name: the target's name, cut where the folder's name limit
// needs it, with ".XXXXXX" appended.
constexpr qsizetype kTemporarySuffixBytes = 7;

// The temporary file of the save in progress, for removeTemporaryFile.
char pendingName[PATH_MAX];
volatile std::sig_atomic_t pending = 0;
volatile std::sig_atomic_t replaced = 0;

// Holds every signal while the temporary name comes or goes or the target is
// replaced, so that a handler never sees either half done.
class SignalsHeld {
public:
    SignalsHeld() {
        sigset_t held;
        sigfillset(&held);
        pthread_sigmask(SIG_BLOCK, &held, &before_);
    }
    ~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &before_, nullptr); }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
    sigset_t before_;
};

QString systemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QByteArray folderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
}

// The kernel's view of processes and devices (/proc, /dev/fd, /sys): its
// links name open files, pipes, sockets and folders, and a "file" there is no
// file to replace.
bool inSystemFiles(const QByteArray& path) {
    if (path.startsWith("/proc/") || path.startsWith("/dev/fd/"))
        return true;
    struct statfs system {};
    if (::statfs(folderOf(path).constData(), &system) != 0)
        return false;
    for (const auto magic : {PROC_SUPER_MAGIC, SYSFS_MAGIC, DEBUGFS_MAGIC, TRACEFS_MAGIC,
                             SECURITYFS_MAGIC, CGROUP2_SUPER_MAGIC})
        if (system.f_type == decltype(system.f_type)(magic))
            return true;
    return false;
}

// Where writing the name lands: links followed to the name they end at,
// which need not exist yet, or to the first name among the system's files.
// A name that cannot be followed is left for the checks to report.
QByteArray followLinks(QByteArray path) {
    for (int hop = 0; hop < 40 && !inSystemFiles(path); ++hop) {
        char target[PATH_MAX];
        const ssize_t length = ::readlink(path.constData(), target, sizeof target);
        if (length < 0 || length == sizeof target)
            return path;
        QByteArray next(target, length);
        if (!next.startsWith('/'))
            next.prepend(path.left(path.lastIndexOf('/') + 1));
        path = next;
    }
    return path;
}

// A fresh temporary name beside the target, claimed by make (which gives
// false with errno set); empty when none could be claimed.
template <typename Make> QByteArray claimTemporaryName(const QByteArray& target, Make make) {
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    const long nameMax = ::pathconf(folderOf(target).constData(), _PC_NAME_MAX);
    const qsizetype start = target.lastIndexOf('/') + 1;
    const qsizetype kept =
        std::min(target.size() - start, (nameMax > 0 ? nameMax : NAME_MAX) - kTemporarySuffixBytes);
    const QByteArray stem = target.left(start + std::max<qsizetype>(kept, 1));
    for (int attempt = 0; attempt < 100; ++attempt) {
        QByteArray name = stem + '.';
        for (qsizetype i = 1; i < kTemporarySuffixBytes; ++i)
            name += kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters - 1))];
        if (make(name)) {
            if (name.size() < qsizetype(sizeof pendingName)) {
                std::memcpy(pendingName, name.constData(), std::size_t(name.size()) + 1);
                pending = 1;
            }
            return name;
        }
        if (errno != EEXIST)
            return {};
    }
    return {};
}

// Some file systems cannot sync at all; that is no failure of the save.
bool synced(int fd) {
    return ::fsync(fd) == 0 || errno == EINVAL || errno == ENOTSUP;
}

// The file attributes (chattr) set on the name, those the file system keeps.
std::uint64_t attributesOf(const QByteArray& path) {
    struct statx status {};
    if (::statx(AT_FDCWD, path.constData(), 0, 0, &status) != 0)
        return 0;
    return status.stx_attributes & status.stx_attributes_mask;
}

// Why the folder's rules or the file's attributes forbid replacing the file.
std::optional<QString> whyForbidden(const QByteArray& target, const struct stat& file) {
    const std::uint64_t attributes = attributesOf(target);
    if (attributes & STATX_ATTR_IMMUTABLE)
        return QStringLiteral("the file is immutable");
    if (attributes & STATX_ATTR_APPEND)
        return QStringLiteral("the file may only be appended to");
    const QByteArray folder = folderOf(target);
    if (attributesOf(folder) & (STATX_ATTR_IMMUTABLE | STATX_ATTR_APPEND))
        return QStringLiteral("its folder keeps every file it holds (immutable or append-only)");
    // In a sticky folder (such as /tmp) only the file's or the folder's owner
    // may replace a file; root may replace any.
    struct stat folderStatus {};
    const uid_t user = ::geteuid();
    if (::stat(folder.constData(), &folderStatus) == 0 && (folderStatus.st_mode & S_ISVTX) &&
        user != 0 && user != file.st_uid && user != folderStatus.st_uid)
        return QStringLiteral("its folder lets only the file's owner replace it");
    return std::nullopt;
}

// Why the target cannot be replaced, if it cannot; earlier is the file that
// it would replace. given is the name before its links were followed.
std::optional<QString> whyNotReplaceable(const QByteArray& target, const QByteArray& given,
                                         std::optional<struct stat>& earlier) {
    const auto leadsTo = [&](const QString& what) {
        return target == given
                   ? QStringLiteral("it is %1").arg(what)
                   : QStringLiteral("it leads to \"%1\", which is %2").arg(shownName(target), what);
    };
    earlier.reset();
    if (target.endsWith('/'))
        return systemReason(EISDIR);
    if (inSystemFiles(target))
        return leadsTo(QStringLiteral("one of the system's own files (/proc, /dev/fd, /sys)"));
    // A loop, or a chain longer than the system follows.
    struct stat status {};
    if (::stat(given.constData(), &status) != 0 && errno != ENOENT)
        return systemReason(errno);
    if (::stat(target.constData(), &status) != 0)
        return errno == ENOENT ? std::nullopt : std::optional(systemReason(errno));
    earlier = status;
    if (!S_ISREG(status.st_mode))
        return leadsTo(QStringLiteral("not a regular file"));
    if (auto reason = whyForbidden(target, status))
        return reason;
    if (::access(target.constData(), W_OK) != 0)
        return QStringLiteral("the file is not writable");
    return std::nullopt;
}

// The extended attributes of the file replaced, its access list among them,
// on the new file. One that cannot be set is left out, unless leaving it out
// could open the file wider: the system's own (system.posix_acl_access, an
// NFS access list), whose mask the mode's group bits then stand for.
std::optional<QString> copyAttributes(const QByteArray& from, int to) {
    const auto refused = [](const char* name) {
        return QStringLiteral("its access rules (%1) cannot be kept on the new file: %2")
            .arg(QLatin1String(name), systemReason(errno));
    };
    ssize_t size = ::listxattr(from.constData(), nullptr, 0);
    QByteArray names(std::max<ssize_t>(size, 0), '\0');
    if (size > 0)
        size = ::listxattr(from.constData(), names.data(), std::size_t(names.size()));
    if (size < 0)
        return errno == ENOTSUP ? std::nullopt : std::optional(refused("the attribute list"));
    for (const char* name = names.constData(); name < names.constData() + size;
         name += std::strlen(name) + 1) {
        const bool access = std::strncmp(name, "system.", 7) == 0;
        ssize_t length = ::getxattr(from.constData(), name, nullptr, 0);
        QByteArray value(std::max<ssize_t>(length, 0), '\0');
        if (length > 0)
            length = ::getxattr(from.constData(), name, value.data(), std::size_t(value.size()));
        if ((length < 0 || ::fsetxattr(to, name, value.constData(), std::size_t(length), 0) != 0) &&
            access)
            return refused(name);
    }
    return std::nullopt;
}

} // namespace

QString shownName(const QByteArray& name) {
    return QString::fromStdString(sim::printable({name.constData(), std::size_t(name.size())}));
}

std::optional<QString> whyNotSaved(const QByteArray& fileName) {
    std::optional<struct stat> earlier;
    return whyNotReplaceable(followLinks(fileName), fileName, earlier);
}

void removeTemporaryFile() noexcept {
    if (pending)
        ::unlink(pendingName);
}

bool fileReplaced() noexcept {
    return replaced != 0;
}

AtomicFile::AtomicFile(QByteArray fileName)
    : given_(std::move(fileName)), target_(followLinks(given_)) {}

AtomicFile::~AtomicFile() {
    const SignalsHeld held;
    if (fd_ >= 0)
        ::close(fd_);
    if (!temporary_.isEmpty()) {
        ::unlink(temporary_.constData());
        pending = 0;
    }
}

std::optional<QString> AtomicFile::open() {
    if (auto reason = whyNotReplaceable(target_, given_, earlier_))
        return reason;

    // An unnamed file vanishes with the process whatever ends it. A named
    // one, where the file system has no unnamed ones, is made only once the
    // content is ready, and left to removeTemporaryFile when a signal ends
    // the process; whether the folder takes it is checked now.
    fd_ = ::open(folderOf(target_).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd_ >= 0)
        return keepAccess();
    if (errno != EOPNOTSUPP && errno != EISDIR)
        return systemReason(errno);
    if (::access(folderOf(target_).constData(), W_OK | X_OK) != 0)
        return systemReason(errno);
    return std::nullopt;
}

std::optional<QString> AtomicFile::createNamed() {
    const SignalsHeld held;
    temporary_ = claimTemporaryName(target_, [this](const QByteArray& name) {
        fd_ = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        return fd_ >= 0;
    });
    return fd_ < 0 ? std::optional(systemReason(errno)) : std::nullopt;
}

// Who may use the new file: the earlier file's owner and group where this
// process may set them, then its mode always (a change of owner clears the
// set-user-ID bits), then its access list and other extended attributes.
std::optional<QString> AtomicFile::keepAccess() {
    if (!earlier_)
        return std::nullopt;
    if (::fchown(fd_, earlier_->st_uid, earlier_->st_gid) != 0 &&
        ::fchown(fd_, uid_t(-1), earlier_->st_gid) != 0) {
        // Neither may be set by this process: the file stays its own.
    }
    if (::fchmod(fd_, earlier_->st_mode & 07777) != 0) {
        // A file system without modes (vfat) gives every file the same one;
        // what matters is that the new file is open to no one more.
        struct stat now {};
        const int error = errno;
        if ((error != ENOSYS && error != EPERM && error != ENOTSUP) || ::fstat(fd_, &now) != 0 ||
            (now.st_mode & 07777 & ~earlier_->st_mode) != 0)
            return systemReason(error);
    }
    return copyAttributes(target_, fd_);
}

std::optional<QString> AtomicFile::write(const QByteArray& content) {
    if (fd_ < 0) {
        if (auto reason = createNamed(); reason || (reason = keepAccess()))
            return reason;
    }
    for (qsizetype done = 0; done < content.size();) {
        const ssize_t written =
            ::write(fd_, content.constData() + done, std::size_t(content.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return systemReason(errno);
        done += written;
    }
    if (!synced(fd_))
        return systemReason(errno);
    return std::nullopt;
}

std::optional<QString> AtomicFile::commit() {
    const SignalsHeld held;
    // A node that took the name meanwhile is not replaced either.
    std::optional<struct stat> now;
    if (auto reason = whyNotReplaceable(target_, given_, now))
        return reason;
    if (temporary_.isEmpty()) {
        // An unnamed file gets the target's name directly where none exists,
        // else a temporary one that the rename then moves over the target.
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd_);
        const auto link = [&self](const QByteArray& name) {
            return ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, name.constData(),
                            AT_SYMLINK_FOLLOW) == 0;
        };
        if (!now && link(target_)) {
            replaced = 1;
            return syncFolder();
        }
        if (now || errno == EEXIST)
            temporary_ = claimTemporaryName(target_, link);
        if (temporary_.isEmpty())
            return systemReason(errno);
    }
    if (::rename(temporary_.constData(), target_.constData()) != 0)
        return systemReason(errno);
    temporary_.clear();
    pending = 0;
    replaced = 1;
    return syncFolder();
}

// The new name lasts only once the folder is synced too. The earlier file is
// gone by then: a failure here means the new file may not outlive a crash.
// A folder that this process may not open (a write-only drop box) cannot be
// synced by it at all; the file itself is complete and synced.
std::optional<QString> AtomicFile::syncFolder() {
    const int folder = ::open(folderOf(target_).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0 && errno == EACCES)
        return std::nullopt;
    const bool done = folder >= 0 && synced(folder);
    const int error = errno;
    if (folder >= 0)
        ::close(folder);
    if (!done)
        return QStringLiteral("the file is in place, but its folder could not be synced, so it "
                              "may not outlast a crash: %1")
            .arg(systemReason(error));
    return std::nullopt;
}

} // namespace vorlane::files
