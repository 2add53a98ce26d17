// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
// vorlane-render as a user calls it: its options, its exit statuses, and the
// files it writes or leaves alone.

#include "renderer.h"
#include "sim/command/fields.h"
#include "sim/rules/drawsettings.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QtEndian>
#include <QScopeGuard>
#include <QTest>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <unistd.h>

using vorlane::test::runRenderer;

namespace {

// A parameter file with the panel's defaults, some of them replaced.
QByteArray parameters(const QHash<QString, QString>& changes) {
    QByteArray text = "Vorlane parameters 1\n";
    for (const vorlane::sim::RingField& field : vorlane::sim::kRingFieldsByName) {
        const QString name = QString::fromLatin1(field.name);
        text += (name + u'=' + changes.value(name, QString::fromLatin1(field.defaultText)) + u'\n')
                    .toUtf8();
    }
    return text;
}

// The files every case starts with.
const QHash<QString, QByteArray>& fixtures() {
    static const QHash<QString, QByteArray> files{
        {"few.pel", parameters({{"txtlines", "40"}})},
        // A text that is not a number stops the drawing at once.
        {"notanumber.pel", parameters({{"txtsky", "grey"}})},
        // With no angle limit every segment has the scratch grey, and a
        // negative grey stops the drawing at the first segment, after the cross.
        {"negativegrey.pel", parameters({{"txtscratchcol", "-5"}, {"txtanglim", "0"}})},
        {"otherformat.pel", "Vorlane parameters 2\n"},
        {"incomplete.pel", "Vorlane parameters 1\ntxtlines=40\n"},
        {"older.bmp", "an older picture"},
    };
    return files;
}

// Runs the renderer with the library that makes the faults named.
std::function<void(QProcess&)> withFaults(const QString& faults) {
    return [faults](QProcess& process) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("LD_PRELOAD", VORLANE_FAULTS_LIBRARY);
        environment.insert("VORLANE_FAULTS", faults);
        // The sanitizers' library wants to come first; this one must. Qt's
        // bitmap writer leaks a row when memory runs out under it.
        environment.insert("ASAN_OPTIONS", environment.value("ASAN_OPTIONS") + ":verify_asan_link_order=0" +
                                               (faults == "realloc" ? ":detect_leaks=0" : ""));
        process.setProcessEnvironment(environment);
    };
}

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The extended attributes of the name itself (not of where a link leads):
// the access list, user.* and trusted.*.
QMap<QByteArray, QByteArray> attributesOf(const QByteArray& name) {
    QMap<QByteArray, QByteArray> attributes;
    QByteArray names(4096, '\0');
    const ssize_t size = ::llistxattr(name, names.data(), names.size());
    for (const QByteArray& key : names.left(std::max<ssize_t>(size, 0)).split('\0')) {
        QByteArray value(4096, '\0');
        if (!key.isEmpty())
            attributes[key] = value.left(::lgetxattr(name, key, value.data(), value.size()));
    }
    return attributes;
}

// True when the file holds 24 bits a pixel, as a bitmap or a PNG.
bool is24Bit(const QByteArray& bytes) {
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    if (bytes.startsWith("BM") && bytes.size() > 54)
        return qFromLittleEndian<quint16>(data + 28) == 24 && // bits a pixel
               qFromLittleEndian<quint32>(data + 30) == 0;    // no compression
    // The PNG header chunk: bit depth 8, colour type 2 (RGB).
    return bytes.startsWith("\x89PNG\r\n\x1a\n") && bytes.size() > 26 && data[24] == 8 &&
           data[25] == 2;
}

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void statusMessageAndFiles_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message"); // part of stderr; empty: stderr is empty
        QTest::addColumn<QString>("written"); // the picture file, if one is written
        QTest::addColumn<QSize>("size");
        const QSize none;
        const auto refused = [&](const char* name, const QStringList& arguments,
                                 const char* message) {
            QTest::newRow(name) << arguments << 2 << QString::fromUtf8(message) << QString()
                                << none;
        };
        refused("no output", {}, "no output file");
        refused("unknown option", {"--colour", "red", "-o", "a.bmp"}, "Unknown option 'colour'");
        // Qt takes such options out of argv unless the parser sees them first.
        refused("Qt's own option", {"-qmljsdebugger=port:1234", "-o", "a.bmp"}, "Unknown options: q");
        refused("Qt's own option with a value", {"-platform", "offscreen", "-o", "a.bmp"},
                "Unknown options: p");
        refused("stray argument", {"few.pel", "-o", "a.bmp"}, "unexpected argument \"few.pel\"");
        refused("value missing", {"-o", "a.bmp", "--size"}, "Missing value after '--size'");
        refused("jpeg output", {"-o", "a.jpg"}, "must end in .bmp or .png");
        refused("output without extension", {"-o", "bmp"}, "must end in .bmp or .png");
        for (const char* size : {"0x10", "10x0", "10", "10x", "x10", "-5x10", "ax10", "10X10",
                                 "32768x10", "10x32768", "10x10x10", " 10x10", "", "800x500\n",
                                 "+800x500", "\uff18\uff10x10"})
            refused(qPrintable(QStringLiteral("size \"%1\"").arg(size)),
                    {"--size", size, "-o", "a.bmp"}, "--size wants WIDTHxHEIGHT");
        for (const char* threads : {"0", "-1", "two", "1025", "1.5", "", " 5", "\u0663"})
            refused(qPrintable(QStringLiteral("threads \"%1\"").arg(threads)),
                    {"--threads", threads, "-o", "a.bmp"}, "--threads wants a whole number");
        for (const char* picture : {"0", "-2", "1.5", "first", "99999999999", "", " 5", "5\n"})
            refused(qPrintable(QStringLiteral("picture \"%1\"").arg(picture)),
                    {"--picture", picture, "-o", "a.bmp"}, "--picture wants a whole number");
        refused("empty parameter file name", {"--params", "", "-o", "a.bmp"},
                "--params wants a file name, not an empty text");
        refused("output twice", {"-o", "a.png", "-o", "b.bmp"}, "--output is given more than once");
        refused("output under both names", {"--output", "a.png", "-o", "b.bmp"},
                "--output is given more than once");
        refused("quiet twice", {"--quiet", "-o", "a.png", "--quiet"}, "--quiet is given more than once");
        refused("size twice", {"--size", "2x2", "--size", "3x3", "-o", "a.png"},
                "--size is given more than once");
        // At once, not after a drawing that would never end.
        refused("BMP of 2 GiB", {"--size", "32767x21846", "--picture", "2000000000", "-o", "a.bmp"},
                "would hold 2147549184 bytes of pixel data, but a BMP holds less than 2 GiB "
                "(at most 2147483647 bytes); write it as .png instead");
        refused("missing parameter file", {"--params", "none.pel", "-o", "a.bmp"},
                "cannot use the parameter file \"none.pel\"");
        refused("parameter file of another format", {"--params", "otherformat.pel", "-o", "a.bmp"},
                "it is not a Vorlane parameter file");
        refused("incomplete parameter file", {"--params", "incomplete.pel", "-o", "a.png"},
                "lacks the field(s) txtsegmin");
        refused("output in a missing folder", {"-o", "nowhere/a.bmp"},
                "cannot write \"nowhere/a.bmp\"");
        refused("output is a folder", {"-o", "folder.png"}, "cannot write \"folder.png\"");

        QTest::newRow("drawing error") << QStringList{"--params", "notanumber.pel", "-o", "a.bmp"}
                                       << 1
            << "Run-time error: Type mismatch\nThe text \"grey\" in \"sky col\" is not a number."
            << QString() << none;
        QTest::newRow("error after the cross, older file kept")
            << QStringList{"--params", "negativegrey.pel", "--size", "40x30", "-o", "older.bmp"}
            << 1
            << "Run-time error: Invalid argument\nThe value -5 in \"scratch col\" is below 0."
            << QString() << none;

        QTest::newRow("bmp") << QStringList{"--size", "64x40", "-o", "a.bmp"} << 0 << QString()
                             << "a.bmp" << QSize(64, 40);
        QTest::newRow("png, upper case") << QStringList{"--size", "33x17", "-o", "a.PNG"} << 0
                                         << QString() << "a.PNG" << QSize(33, 17);
        QTest::newRow("every option")
            << QStringList{"--params",  "few.pel", "--size",  "50x30",    "--picture", "3",
                           "--threads", "3",       "--quiet", "--output", "b.Bmp"}
            << 0 << QString() << "b.Bmp" << QSize(50, 30);
        QTest::newRow("most threads") << QStringList{"--threads", "1024", "--size", "2x2", "-o", "a.bmp"}
                                      << 0 << QString() << "a.bmp" << QSize(2, 2);
        QTest::newRow("widest") << QStringList{"--size", "32767x1", "-o", "a.png"} << 0 << QString()
                                << "a.png" << QSize(32767, 1);
        QTest::newRow("defaults, replacing an older file")
            << QStringList{"-o", "older.bmp"} << 0 << QString() << "older.bmp" << QSize(1600, 1000);
    }
    void statusMessageAndFiles() {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, message);
        QFETCH(QString, written);
        QFETCH(QSize, size);
        QTemporaryDir folder;
        QDir dir(folder.path());
        QVERIFY(dir.mkdir(QStringLiteral("folder.png")));
        for (auto file = fixtures().begin(); file != fixtures().end(); ++file) {
            QFile out(dir.filePath(file.key()));
            QVERIFY(out.open(QIODevice::WriteOnly) &&
                    out.write(file.value()) == file.value().size());
        }

        const auto run = runRenderer(arguments, folder.path());
        QCOMPARE(run.status, status);
        if (message.isEmpty())
            QCOMPARE(run.err, QString());
        else
            QVERIFY2(run.err.contains(message), qPrintable(run.err));

        // Nothing else appears, and no other file changes.
        QStringList expected = QStringList(fixtures().keyBegin(), fixtures().keyEnd())
                               << QStringLiteral("folder.png");
        if (!written.isEmpty() && !expected.contains(written))
            expected << written;
        expected.sort();
        QCOMPARE(dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name),
                 expected);
        for (auto file = fixtures().begin(); file != fixtures().end(); ++file) {
            if (file.key() != written)
                QCOMPARE(contentsOf(dir.filePath(file.key())), file.value());
        }
        if (!written.isEmpty()) {
            const QByteArray bytes = contentsOf(dir.filePath(written));
            QVERIFY(is24Bit(bytes));
            QCOMPARE(QImage::fromData(bytes).size(), size);
        }
    }

    void helpExplainsEveryOption() {
        const auto run = runRenderer({QStringLiteral("--help")}, QDir::tempPath());
        QCOMPARE(run.status, 0);
        QCOMPARE(run.err, QString());
        QVERIFY(run.out.startsWith(QStringLiteral("Usage: vorlane-render ")));
        for (const char* option :
             {"--params <FILE.pel>", "--size <WIDTHxHEIGHT>", "--picture <K>", "--threads <N>",
              "--quiet", "-o, --output <OUT>", "-h, --help", "--version", "Exit status", "2 GiB",
              ".png"})
            QVERIFY2(run.out.contains(QLatin1String(option)), option);

        const auto full = runRenderer({QStringLiteral("--help")}, QDir::tempPath(), [](QProcess& process) {
            process.setStandardOutputFile(QStringLiteral("/dev/full"));
        });
        QCOMPARE(full.status, 2);
        QCOMPARE(full.err, "vorlane-render: cannot write the help: No space left on device\n");
    }

    // Saving over what is there. Only a regular file is replaced, links
    // followed, and it keeps its owner, group and mode; anything else, and a
    // name too long to replace safely, is refused before a drawing that would
    // never end. Faults that no disk makes on demand come from a preloaded
    // library: each gives the system's reason and keeps the earlier file,
    // except a failed folder sync after the rename. Nothing else is left.
    void savingOverWhatIsThere_data() {
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("faults");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message"); // the start of stderr
        QTest::addColumn<bool>("replaced");   // older.bmp
        const QString longName = QString(251, u'a') + ".bmp";
        const QString failed = "vorlane-render: cannot write ";
        const QString notRegular = "\": it leads to \"%1\", which is not a regular file";
        const QString eio = failed + "\"older.bmp\": Input/output error";
        const auto row = [](const char* name) -> QTestData& { return QTest::newRow(name); };
        row("FIFO") << "fifo.bmp" << "" << 2 << failed + "\"fifo.bmp\": it is not a regular file" << false;
        row("link to a FIFO") << "link.bmp" << "" << 2 << failed + "\"link.bmp" + notRegular.arg("fifo.bmp") << false;
        row("device through two links") << "link2.png" << "" << 2
                                         << failed + "\"link2.png" + notRegular.arg("device.bmp") << false;
        row("name of 255 bytes") << longName << "" << 0 << "" << true;
        row("name of 255 bytes, no O_TMPFILE") << longName << "no-tmpfile" << 0 << "" << true;
        const QString system = "\", which is one of the system's own files (/proc, /dev/fd, /sys)";
        row("link to /dev/stdout") << "stdout.bmp" << "" << 2 << failed + "\"stdout.bmp\": it leads to \"/proc/self/fd/1" + system << false;
        row("link to /dev/fd/2") << "fd.bmp" << "" << 2 << failed + "\"fd.bmp\": it leads to \"/dev/fd/2" + system << false;
        row("/proc/self/cwd") << "/proc/self/cwd/older.bmp" << "" << 2
                              << failed + "\"/proc/self/cwd/older.bmp\": it is one of the system's own files" << false;
        row("link loop") << "loop.bmp" << "" << 2 << failed + "\"loop.bmp\": Too many levels of symbolic links" << false;
        row("link to itself") << "self.bmp" << "" << 2 << failed + "\"self.bmp\": Too many levels of symbolic links" << false;
        row("45 links") << "chain1.bmp" << "" << 2 << failed + "\"chain1.bmp\": Too many levels of symbolic links" << false;
        row("immutable") << "immutable.bmp" << "" << 2 << failed + "\"immutable.bmp\": the file is immutable" << false;
        row("append-only") << "append.bmp" << "" << 2 << failed + "\"append.bmp\": the file may only be appended to" << false;
        row("older file") << "older.bmp" << "" << 0 << "" << true;
        row("older file, no O_TMPFILE") << "older.bmp" << "no-tmpfile" << 0 << "" << true;
        row("no modes (vfat)") << "older.bmp" << "no-modes" << 0 << "" << true;
        // Without its access list the file would be open to its whole group.
        row("access list not kept") << "older.bmp" << "no-acl" << 2
            << failed + "\"older.bmp\": its access rules (system.posix_acl_access) cannot be kept on the new "
                        "file: Operation not supported" << false;
        row("access list not kept, no O_TMPFILE") << "older.bmp" << "no-tmpfile,no-acl" << 2
            << failed + "\"older.bmp\": its access rules (system.posix_acl_access)" << false;
        row("size limit") << "older.bmp" << "fsize=100000" << 2 << failed + "\"older.bmp\": File too large" << false;
        row("size limit, no O_TMPFILE") << "older.bmp" << "no-tmpfile,fsize=100000" << 2
                                        << failed + "\"older.bmp\": File too large" << false;
        // Nothing the program writes takes the place of a closed stream.
        row("streams closed") << "older.bmp" << "closed-streams" << 0 << "" << true;
        row("streams closed, folder sync") << "older.bmp" << "closed-streams,fsync-folder" << 2 << "" << true;
        // At most one thread for each processor that the process may run on.
        row("1024 threads on one processor") << "older.bmp" << "one-processor,threads=0" << 0 << "" << true;
        row("file sync") << "older.bmp" << "fsync-file" << 2 << eio << false;
        row("file sync, no O_TMPFILE") << "older.bmp" << "no-tmpfile,fsync-file" << 2 << eio << false;
        row("rename") << "older.bmp" << "rename" << 2 << eio << false;
        row("rename, no O_TMPFILE") << "older.bmp" << "no-tmpfile,rename" << 2 << eio << false;
        row("folder sync") << "older.bmp" << "fsync-folder" << 2
            << failed + "\"older.bmp\": the file is in place, but its folder could not be synced, so it may "
                                        "not outlast a crash: Input/output error" << true;
        row("SIGINT, no O_TMPFILE") << "older.bmp" << "no-tmpfile,signal=2" << 130 << "" << false;
        row("SIGTERM, no O_TMPFILE") << "older.bmp" << "no-tmpfile,signal=15" << 143 << "" << false;
        row("SIGHUP, no O_TMPFILE") << "older.bmp" << "no-tmpfile,signal=1" << 129 << "" << false;
        row("SIGTERM") << "older.bmp" << "signal=15" << 143 << "" << false;
        for (const int signal : {SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGXCPU, SIGVTALRM, SIGPROF})
            row(qPrintable(QStringLiteral("SIG%1, no O_TMPFILE").arg(sigabbrev_np(signal))))
                << "older.bmp" << QStringLiteral("no-tmpfile,signal=%1").arg(signal) << 128 + signal << ""
                << false;
        // A closed reader and a size limit give errors where they matter, never an end.
        row("SIGPIPE") << "older.bmp" << "no-tmpfile,signal=13" << 0 << "" << true;
        row("SIGXFSZ") << "older.bmp" << "no-tmpfile,signal=25" << 0 << "" << true;
        // Once the file is in place, that is the outcome.
        row("SIGINT after the rename") << "older.bmp" << "replaced=2" << 0 << "" << true;
        row("SIGTERM after the rename, no O_TMPFILE") << "older.bmp" << "no-tmpfile,replaced=15" << 0
                                                       << "" << true;
        // Killed while it draws, where there are two threads: no file was named yet.
        row("killed while drawing, no O_TMPFILE") << "older.bmp" << "no-tmpfile,threads=0" << 137 << ""
                                                  << false;
        // The 2.4 MB bitmap grows past the 1 MiB that the fault allows.
        row("no memory to encode") << "older.bmp" << "realloc" << 2
            << "vorlane-render: not enough memory to encode a picture of 1000x800 pixels" << false;
    }
    void savingOverWhatIsThere() {
        QFETCH(QString, output);
        QFETCH(QString, faults);
        QFETCH(int, status);
        QFETCH(QString, message);
        QFETCH(bool, replaced);
        QTemporaryDir folder;
        const auto back = qScopeGuard([start = QDir::currentPath()] { QDir::setCurrent(start); });
        QVERIFY(QDir::setCurrent(folder.path()));
        // Another user's file where this process may give it away (as root).
        QFile older("older.bmp");
        QVERIFY(older.open(QIODevice::WriteOnly) && older.write("an older picture") == 16);
        older.close();
        if (::chown("older.bmp", 65534, 65534) != 0)
            qInfo("the owner is kept only where the renderer may set it");
        // With every mode bit that a replace could lose, an access list and
        // other extended attributes.
        QVERIFY(::chmod("older.bmp", 07640) == 0 && ::mkfifo("fifo.bmp", 0600) == 0);
        if (QProcess::execute("setfacl", {"-m", "u:4242:rw", "older.bmp"}) != 0 ||
            ::setxattr("older.bmp", "user.origin", "test", 4, 0) != 0 ||
            ::setxattr("older.bmp", "trusted.origin", "test", 4, 0) != 0) {
            if (faults.contains("no-acl"))
                QSKIP("no access list on this file system");
            qInfo("no access list or extended attributes on this file system (or not as root)");
        }
        // Only root makes device nodes; a FIFO stands in for others.
        QVERIFY(::mknod("device.bmp", S_IFCHR | 0600, ::makedev(1, 3)) == 0 || ::mkfifo("device.bmp", 0600) == 0);
        QVERIFY(::symlink("fifo.bmp", "link.bmp") == 0 && ::symlink("device.bmp", "link3.bmp") == 0);
        QVERIFY(::symlink("link3.bmp", "link2.png") == 0);
        QCOMPARE(::close(::creat(qPrintable(QString(251, u'a') + ".bmp"), 0600)), 0);
        QVERIFY(::symlink("/dev/stdout", "stdout.bmp") == 0 && ::symlink("/dev/fd/2", "fd.bmp") == 0 && ::symlink("loop2.bmp", "loop.bmp") == 0 &&
                ::symlink("loop.bmp", "loop2.bmp") == 0 && ::symlink("self.bmp", "self.bmp") == 0);
        for (int link = 45; link > 0; --link)
            QVERIFY(::symlink(link == 45 ? "older.bmp" : qPrintable(QStringLiteral("chain%1.bmp").arg(link + 1)),
                              qPrintable(QStringLiteral("chain%1.bmp").arg(link))) == 0);
        for (const char* file : {"immutable.bmp", "append.bmp"})
            QCOMPARE(::close(::creat(file, 0600)), 0);
        const bool attributes = QProcess::execute("chattr", {"+i", "immutable.bmp"}) == 0 &&
                                QProcess::execute("chattr", {"+a", "append.bmp"}) == 0;
        const auto unprotect = qScopeGuard([] { QProcess::execute("chattr", {"-i", "-a", "immutable.bmp", "append.bmp"}); });
        if (!attributes && (output == "immutable.bmp" || output == "append.bmp"))
            QSKIP("chattr: this file system has no immutable or append-only files, or this is not root");
        if (faults.contains("threads=0") && !faults.contains("one-processor") && vorlane::sim::everyProcessor() < 2)
            QSKIP("a drawing on one processor starts no thread");
        const QStringList names = QDir().entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
        QList<struct stat> before(names.size());
        QList<QMap<QByteArray, QByteArray>> attributesBefore;
        for (qsizetype i = 0; i < names.size(); ++i) {
            QCOMPARE(::lstat(qPrintable(names[i]), &before[i]), 0);
            attributesBefore << attributesOf(names[i].toUtf8());
        }

        // A refusal that came after the drawing would never come.
        const QString picture = faults.isEmpty() && status == 2 ? "2000000000" : "1";
        const auto run = runRenderer({"--size", "1000x800", "--picture", picture, "--threads", "1024", "-o", output},
                                     folder.path(), [&faults](QProcess& process) {
                                         withFaults(faults)(process);
                                         // A new file then has the mode of a file system without modes.
                                         process.setChildProcessModifier([] { ::umask(027); });
                                     });
        QCOMPARE(run.status, status);
        QVERIFY2(message.isEmpty() ? run.err.isEmpty() : run.err.startsWith(message), qPrintable(run.err));
        QCOMPARE(QDir().entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot), names);
        for (qsizetype i = 0; i < names.size(); ++i) {
            struct stat after {};
            QCOMPARE(::lstat(qPrintable(names[i]), &after), 0);
            const bool written = replaced && names[i] == output;
            // Where no mode can be set, one that opens it to no one more.
            if (written && faults == "no-modes")
                QCOMPARE(after.st_mode & ~before[i].st_mode, 0u);
            else
                QCOMPARE(after.st_mode, before[i].st_mode);
            QCOMPARE(after.st_uid, before[i].st_uid);
            QCOMPARE(after.st_gid, before[i].st_gid);
            QCOMPARE(after.st_rdev, before[i].st_rdev);
            QCOMPARE(attributesOf(names[i].toUtf8()), attributesBefore[i]);
            const bool changed = after.st_ino != before[i].st_ino || after.st_size != before[i].st_size;
            QCOMPARE(changed, written);
            if (written)
                QCOMPARE(QImage::fromData(contentsOf(names[i])).size(), QSize(1000, 800));
        }
    }

    // As a user other than root, in folders whose rules root is exempt from:
    // a sticky folder lets only a file's owner replace it, which is known
    // before the drawing; a write-only drop box takes a new file, though the
    // renderer cannot open the folder to sync it.
    void inAnotherUsersFolder_data() {
        QTest::addColumn<int>("folderMode");
        QTest::addColumn<QString>("output"); // theirs.bmp exists, another user's, writable by all
        QTest::addColumn<QString>("faults");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::newRow("sticky folder, another user's file") << 01777 << "theirs.bmp" << "" << 2
            << "vorlane-render: cannot write \"shared/theirs.bmp\": its folder lets only the file's owner replace it";
        QTest::newRow("sticky folder, a new file") << 01777 << "new.bmp" << "" << 0 << "";
        QTest::newRow("write-only drop box") << 01733 << "new.bmp" << "" << 0 << "";
        QTest::newRow("write-only drop box, no O_TMPFILE") << 01733 << "new.bmp" << "no-tmpfile" << 0 << "";
    }
    void inAnotherUsersFolder() {
        QFETCH(int, folderMode);
        QFETCH(QString, output);
        QFETCH(QString, faults);
        QFETCH(int, status);
        if (::geteuid() != 0)
            QSKIP("only root may run the renderer as other users");
        QTemporaryDir top;
        const QByteArray shared = QFile::encodeName(top.filePath("shared"));
        QVERIFY(::chmod(QFile::encodeName(top.path()), 0755) == 0 && ::mkdir(shared, 0700) == 0 &&
                ::chmod(shared, mode_t(folderMode)) == 0);
        QCOMPARE(::close(::creat(shared + "/theirs.bmp", 0666)), 0);
        QVERIFY(::chown(shared + "/theirs.bmp", 4242, 4242) == 0 && ::chmod(shared + "/theirs.bmp", 0666) == 0);
        const auto run = runRenderer(
            {"--size", "40x30", "--picture", status == 2 ? "2000000000" : "1", "-o", "shared/" + output},
            top.path(), [&faults](QProcess& process) {
                withFaults(faults)(process);
                process.setChildProcessModifier([] {
                    if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
                        ::_exit(99);
                });
            });
        QCOMPARE(run.status, status);
        QTEST(run.err.section(u'\n', 0, 0), "message");
        QStringList expected{"theirs.bmp"};
        if (status == 0)
            expected << output;
        expected.sort();
        QCOMPARE(QDir(top.filePath("shared")).entryList(QDir::Files | QDir::Hidden, QDir::Name), expected);
        QCOMPARE(contentsOf(top.filePath("shared/theirs.bmp")), QByteArray());
        QVERIFY(status != 0 || QImage(top.filePath("shared/" + output)).size() == QSize(40, 30));
    }

    // Names are the bytes given, whether or not they are UTF-8, and a
    // message shows them escaped.
    void namesAreBytes_data() {
        QTest::addColumn<QByteArray>("existing"); // a parameter file
        QTest::addColumn<QString>("arguments");   // for the shell, with printf for bytes
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QByteArray>("written");
        const QString badParams = "--params \"$(printf 'p\\377.pel')\" --size 2x2 -o a.bmp";
        QTest::newRow("output not UTF-8") << QByteArray() << "--size 2x2 -o \"$(printf 'a\\377.bmp')\""
                                          << 0 << "" << QByteArray("a\xff.bmp");
        QTest::newRow("parameter file not UTF-8") << QByteArray("p\xff.pel") << badParams << 0 << ""
                                                  << QByteArray("a.bmp");
        QTest::newRow("not its UTF-8 look-alike") << QByteArray("p\xef\xbf\xbd.pel") << badParams << 2
            << "vorlane-render: cannot use the parameter file \"p\\xff.pel\": No such file or directory"
            << QByteArray();
        QTest::newRow("control characters") << QByteArray() << "-o \"$(printf 'no\\033[1m\\nwhere/a.bmp')\""
            << 2 << "vorlane-render: cannot write \"no\\x1b[1m\\nwhere/a.bmp\": No such file or directory"
            << QByteArray();
    }
    void namesAreBytes() {
        QFETCH(QByteArray, existing);
        QFETCH(QString, arguments);
        QFETCH(QString, message);
        QFETCH(QByteArray, written);
        QTemporaryDir folder;
        const QByteArray path = QFile::encodeName(folder.path()) + '/';
        QFile parameters;
        QVERIFY(existing.isEmpty() || (parameters.open(::creat(path + existing, 0600), QIODevice::WriteOnly,
                                                       QFileDevice::AutoCloseHandle) &&
                                       parameters.write(fixtures().value("few.pel")) > 0));
        parameters.close();
        // Qt cannot remove names that are not UTF-8.
        const auto remove = qScopeGuard([&] { ::unlink(path + existing); ::unlink(path + written); });
        const auto run = runRenderer({"-c", "exec \"$0\" " + arguments, VORLANE_RENDER}, folder.path(),
                                     {}, "/bin/sh");
        QTEST(run.status, "status");
        QCOMPARE(run.err.section(u'\n', 0, 0), message);
        // Qt lists only the names that are UTF-8: no other file is written.
        QStringList utf8;
        for (const QByteArray& name : {existing, written})
            if (!name.isEmpty() && QString::fromUtf8(name).toUtf8() == name)
                utf8 << QString::fromUtf8(name);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), utf8);
        QVERIFY(written.isEmpty() || ::access(path + written, F_OK) == 0);
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_commandline.moc"
