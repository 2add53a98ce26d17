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
    // dlgfile and the current directory as they were.
    void noFileChosen_data() {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<std::optional<QString>>("path");
        QTest::addColumn<int>("dialogsShown");
        QTest::addColumn<QString>("message");
        const QString none = "No file was selected";
        QTest::newRow("cancelled") << "save" << std::optional<QString>() << 1 << none;
        QTest::newRow("unknown mode") << "Save" << std::optional<QString>() << 0 << none;
        QTest::newRow("empty mode") << "" << std::optional<QString>() << 0 << none;
        QTest::newRow("folder gone") << "load" << std::optional<QString>("/nonexistent/vorlane/sky") << 1
                                     << "The folder \"/nonexistent/vorlane\" does not exist";
        QTest::newRow("file as folder") << "save" << std::optional<QString>("/dev/null/sky") << 1
                                        << "The folder \"/dev/null\" cannot be entered: Not a directory";
    }
    void noFileChosen() {
        QFETCH(QString, mode);
        QFETCH(std::optional<QString>, path);
        Workspace workspace;
        ScriptedDialogs dialogs;
        dialogs.paths << path;
        Files files(dialogs);
        files.dlgfile = "earlier.bmp";
        files.apidialogbox(mode, "Save Vorlane simulation", "Tavik picture(*.bmp)", "*.bmp", ".bmp");
        QTEST(int(dialogs.requests.size()), "dialogsShown");
        QCOMPARE(dialogs.informed.size(), 1);
        QCOMPARE(dialogs.informed[0].caption, "Save Vorlane simulation");
        QTEST(dialogs.informed[0].text, "message");
        QCOMPARE(files.cancelflag, 1);
        QCOMPARE(files.dlgfile, "earlier.bmp");
        QCOMPARE(QDir::currentPath(), workspace.folder());
    }

    // A folder that cannot be entered says why; a name whose bytes are not
    // UTF-8 reaches the program changed and is refused rather than taken for
    // another file, while a name typed with U+FFFD itself is used as it is.
    void namesThatCannotBeUsed_data() {
        QTest::addColumn<QByteArray>("existing"); // made first; a folder if it ends in '/'
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("message"); // %1 the workspace; empty when chosen
        QTest::newRow("folder not to be entered") << QByteArray("locked/") << 0 << "locked/sky.bmp"
            << "The folder \"%1/locked\" cannot be entered: Permission denied";
        QTest::newRow("file name not UTF-8") << QByteArray("\xff.bmp") << 0600 << "\ufffd.bmp"
            << "The name \"%1/\\xff.bmp\" is not UTF-8 text and cannot be used; rename it";
        QTest::newRow("folder name not UTF-8") << QByteArray("\xff/") << 0700 << "\ufffd/sky.bmp"
            << "The name \"%1/\\xff\" is not UTF-8 text and cannot be used; rename it";
        QTest::newRow("U+FFFD typed") << QByteArray() << 0 << "\ufffd.bmp" << "";
    }
    void namesThatCannotBeUsed() {
        QFETCH(QByteArray, existing);
        QFETCH(int, mode);
        QFETCH(QString, chosen);
        QFETCH(QString, message);
        Workspace workspace;
        const QString folder = QFileInfo(workspace.path("x")).absolutePath();
        const QByteArray path = QFile::encodeName(folder) + '/' + existing;
        if (existing.endsWith('/'))
            QCOMPARE(::mkdir(path.constData(), mode_t(mode)), 0);
        else if (!existing.isEmpty())
            QCOMPARE(::close(::creat(path.constData(), mode_t(mode))), 0);
        // Qt cannot remove names that are not UTF-8.
        const auto remove = qScopeGuard([&] {
            if (!existing.isEmpty() && ::rmdir(path.constData()) != 0)
                ::unlink(path.constData());
        });
        ScriptedDialogs dialogs;
        dialogs.paths << workspace.path(chosen);
        Files files(dialogs);
        {
            // Root enters any folder: the folder is tried as another user.
            const bool otherUser = existing == "locked/" && ::geteuid() == 0;
            QVERIFY(!otherUser || ::seteuid(65534) == 0);
            const auto back = qScopeGuard([otherUser] { QVERIFY(!otherUser || ::seteuid(0) == 0); });
            files.apidialogbox("save", "Save Vorlane simulation", "Tavik picture(*.bmp)", "*.bmp", ".bmp");
        }
        QCOMPARE(files.cancelflag, message.isEmpty() ? 0 : 1);
        QCOMPARE(dialogs.informed.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QCOMPARE(dialogs.informed[0].text, message.arg(folder));
        else
            QCOMPARE(files.dlgfile, chosen);
    }
};

QTEST_GUILESS_MAIN(TestFileDialog)
#include "test_filedialog.moc"
