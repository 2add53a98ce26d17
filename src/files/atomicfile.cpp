// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "atomicfile.h"

#include "sim/errors.h"

#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

namespace vorlane::files {

namespace {

// The temporary name: the target's name with ".XXXXXX" appended.
constexpr qsizetype kTemporarySuffixBytes = 7;

// The temporary file of the save in progress, for removeTemporaryFile.
char pendingName[PATH_MAX];
volatile std::sig_atomic_t pending = 0;

// Holds SIGINT, SIGTERM and SIGHUP while the temporary name comes or goes,
// so that a handler never sees it half made.
class SignalsHeld {
public:
    SignalsHeld() {
        sigset_t held;
        sigemptyset(&held);
        for (const int signal : {SIGINT, SIGTERM, SIGHUP})
            sigaddset(&held, signal);
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

// Where writing the name lands: links followed to the name they end at,
// which need not exist yet. A name that cannot be followed is left for the
// opening to report.
QByteArray followLinks(QByteArray path) {
    for (int hop = 0; hop < 40; ++hop) {
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

QByteArray folderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
}

// A fresh temporary name beside the target, claimed by make (which gives
// false with errno set); empty when none could be claimed.
template <typename Make> QByteArray claimTemporaryName(const QByteArray& target, Make make) {
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        QByteArray name = target + '.';
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

// True when the name fits in its folder but the temporary name beside it
// does not, so that an earlier file cannot be replaced safely.
bool temporaryNameTooLong(const QByteArray& target) {
    const long nameMax = ::pathconf(folderOf(target).constData(), _PC_NAME_MAX);
    const qsizetype nameBytes = target.size() - target.lastIndexOf('/') - 1;
    return nameMax > 0 && nameBytes <= nameMax && nameBytes + kTemporarySuffixBytes > nameMax;
}

const QString kTooLong =
    QStringLiteral("the name is too long to replace the file safely: the temporary file beside "
                   "it would need a longer name than the system allows; choose a shorter name");

// Some file systems cannot sync at all; that is no failure of the save.
bool synced(int fd) {
    return ::fsync(fd) == 0 || errno == EINVAL || errno == ENOTSUP;
}

// Why the target cannot be replaced, if it cannot; earlier is the file that
// it would replace. given is the name before its links were followed.
std::optional<QString> whyNotReplaceable(const QByteArray& target, const QByteArray& given,
                                         std::optional<struct stat>& earlier) {
    struct stat status {};
    if (::stat(target.constData(), &status) != 0) {
        earlier.reset();
        return std::nullopt;
    }
    earlier = status;
    if (!S_ISREG(status.st_mode))
        return target == given ? QStringLiteral("it is not a regular file")
                               : QStringLiteral("it leads to \"%1\", which is not a regular file")
                                     .arg(shownName(target));
    if (::access(target.constData(), W_OK) != 0)
        return QStringLiteral("the file is not writable");
    if (temporaryNameTooLong(target))
        return kTooLong;
    return std::nullopt;
}

} // namespace

QString shownName(const QByteArray& name) {
    return QString::fromStdString(sim::printable({name.constData(), std::size_t(name.size())}));
}

void removeTemporaryFile() noexcept {
    if (pending)
        ::unlink(pendingName);
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
    if (target_.endsWith('/'))
        return systemReason(EISDIR);
    if (auto reason = whyNotReplaceable(target_, given_, earlier_))
        return reason;

    // An unnamed file vanishes with the process whatever ends it; a named
    // one, where the file system has no unnamed ones, is left to
    // removeTemporaryFile when a signal ends the process.
    fd_ = ::open(folderOf(target_).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd_ < 0 && (errno == EOPNOTSUPP || errno == EISDIR)) {
        const SignalsHeld held;
        temporary_ = claimTemporaryName(target_, [this](const QByteArray& name) {
            fd_ = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            return fd_ >= 0;
        });
    }
    if (fd_ < 0)
        return errno == ENAMETOOLONG && temporaryNameTooLong(target_) ? kTooLong
                                                                      : systemReason(errno);
    if (earlier_) {
        // The owner and group where this process may set them, then the mode
        // always (a change of owner clears the set-user-ID bits).
        if (::fchown(fd_, earlier_->st_uid, earlier_->st_gid) != 0 &&
            ::fchown(fd_, uid_t(-1), earlier_->st_gid) != 0) {
            // Neither may be set by this process: the file stays its own.
        }
        if (::fchmod(fd_, earlier_->st_mode & 07777) != 0)
            return systemReason(errno);
    }
    return std::nullopt;
}

std::optional<QString> AtomicFile::write(const QByteArray& content) {
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
        if (!now && link(target_))
            return syncFolder();
        if (now || errno == EEXIST)
            temporary_ = claimTemporaryName(target_, link);
        if (temporary_.isEmpty())
            return systemReason(errno);
    }
    if (::rename(temporary_.constData(), target_.constData()) != 0)
        return systemReason(errno);
    temporary_.clear();
    pending = 0;
    return syncFolder();
}

// The new name lasts only once the folder is synced too. The earlier file is
// gone by then: a failure here means the new file may not outlive a crash.
std::optional<QString> AtomicFile::syncFolder() {
    const int folder = ::open(folderOf(target_).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
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
