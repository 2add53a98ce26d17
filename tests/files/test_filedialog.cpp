#include "files/files.h"
#include "scripted.h"

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
};

QTEST_GUILESS_MAIN(TestFileDialog)
#include "test_filedialog.moc"
