// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/files.h"
#include "scripted.h"

#include <QScopeGuard>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vorlane::files;

Q_DECLARE_METATYPE(std::optional<QString>)

class TestFileDialog : public QObject {
    Q_OBJECT
private slots:
    void chosenNameBecomesDlgfile_data() {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("dlgfile");
        QTest::newRow("no extension") << "sky" << "sky.bmp";
        QTest::newRow("default extension") << "sky.bmp" << "sky.bmp";
        QTest::newRow("capitals") << "sky.BMP" << "sky.BMP";
        QTest::newRow("own three letters") << "sky.jpg" << "sky.jpg";
        QTest::newRow("four letters") << "sky.jpeg" << "sky.jpeg.bmp";
        QTest::newRow("three characters") << "abc" << "abc.bmp";
        QTest::newRow("one letter") << "a.b" << "a.b.bmp";
        QTest::newRow("leading space") << " sky" << "sky.bmp";
        QTest::newRow("trailing space stays") << "sky " << "sky .bmp";
        QTest::newRow("cut at code 30") << QString("sky\x1ex.bmp") << "sky.bmp";
        QTest::newRow("code 31 stays") << QString("sky\x1f") << QString("sky\x1f.bmp");
        QTest::newRow("U+FFFD typed") << "\ufffd" << "\ufffd.bmp";
    }
    void chosenNameBecomesDlgfile() {
        QFETCH(QString, chosen);
        Workspace workspace;
        QDir(workspace.folder()).mkdir("pictures");
        ScriptedDialogs dialogs;
        dialogs.paths << workspace.path("pictures/" + chosen);
        Files files(dialogs);
        files.apidialogbox("save", "Title", "Tavik picture(*.bmp)", "*.bmp", ".bmp");
        QTEST(files.dlgfile, "dlgfile");
        QCOMPARE(files.cancelflag, 0);
        QCOMPARE(QDir::currentPath(), workspace.folder() + "/pictures");
        QVERIFY(dialogs.informed.isEmpty());
    }

    // Each way of ending without a file: the message, cancelflag 1, and
    // dlgfile and the current directory as they were. A folder that cannot
    // be entered says why; a name whose bytes are not UTF-8 reaches the
    // program changed and is refused rather than taken for another file.
    void noFileChosen_data() {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<std::optional<QString>>("path"); // %1 the workspace
        QTest::addColumn<QByteArray>("existing");         // in the workspace; a folder if it ends in /
        QTest::addColumn<int>("dialogsShown");
        QTest::addColumn<QString>("message");
        const QString none = "No file was selected";
        const QString notUtf8 = "\" is not UTF-8 text and cannot be used; rename it";
        QTest::newRow("cancelled") << "save" << std::optional<QString>() << QByteArray() << 1 << none;
        QTest::newRow("unknown mode") << "Save" << std::optional<QString>() << QByteArray() << 0 << none;
        QTest::newRow("empty mode") << "" << std::optional<QString>() << QByteArray() << 0 << none;
        QTest::newRow("folder gone") << "load" << std::optional<QString>("/nonexistent/vorlane/sky") << QByteArray()
                                     << 1 << "The folder \"/nonexistent/vorlane\" does not exist";
        QTest::newRow("file as folder") << "save" << std::optional<QString>("/dev/null/sky") << QByteArray() << 1
                                        << "The folder \"/dev/null\" cannot be entered: Not a directory";
        QTest::newRow("folder not to be entered") << "save" << std::optional<QString>("%1/locked/sky")
            << QByteArray("locked/") << 1 << "The folder \"%1/locked\" cannot be entered: Permission denied";
        QTest::newRow("file name not UTF-8") << "save" << std::optional<QString>("%1/\ufffd.bmp")
                                             << QByteArray("\xff.bmp") << 1 << "The name \"%1/\\xff.bmp" + notUtf8;
        QTest::newRow("folder name not UTF-8") << "load" << std::optional<QString>("%1/\ufffd/sky")
                                               << QByteArray("\xff/") << 1 << "The name \"%1/\\xff" + notUtf8;
    }
    void noFileChosen() {
        QFETCH(QString, mode);
        QFETCH(std::optional<QString>, path);
        QFETCH(QByteArray, existing);
        QFETCH(QString, message);
        Workspace workspace;
        const QString folder = QFileInfo(workspace.path("x")).absolutePath();
        // Qt cannot remove names that are not UTF-8; "locked" is closed to all but root.
        const QByteArray made = QFile::encodeName(folder) + '/' + existing;
        QVERIFY(existing.isEmpty() || (existing.endsWith('/') ? ::mkdir(made, existing == "locked/" ? 0 : 0700)
                                                              : ::close(::creat(made, 0600))) == 0);
        const auto remove = qScopeGuard([&] { ::remove(made.constData()); });
        ScriptedDialogs dialogs;
        dialogs.paths << (path ? std::optional(QString(*path).replace("%1", folder)) : path);
        Files files(dialogs);
        files.dlgfile = "earlier.bmp";
        // Root enters any folder: it is tried as another user.
        const bool otherUser = existing == "locked/" && ::geteuid() == 0;
        QVERIFY(!otherUser || ::seteuid(65534) == 0);
        files.apidialogbox(mode, "Save Vorlane simulation", "Tavik picture(*.bmp)", "*.bmp", ".bmp");
        QVERIFY(!otherUser || ::seteuid(0) == 0);
        QTEST(int(dialogs.requests.size()), "dialogsShown");
        QCOMPARE(dialogs.informed.size(), 1);
        QCOMPARE(dialogs.informed[0].caption, "Save Vorlane simulation");
        QCOMPARE(dialogs.informed[0].text, message.replace("%1", folder));
        QCOMPARE(files.cancelflag, 1);
        QCOMPARE(files.dlgfile, "earlier.bmp");
        QCOMPARE(QDir::currentPath(), workspace.folder());
    }
};

QTEST_GUILESS_MAIN(TestFileDialog)
#include "test_filedialog.moc"
