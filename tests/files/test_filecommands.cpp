#include "files/files.h"
#include "files/parameterfile.h"
#include "scripted.h"

using namespace vorlane::files;

enum class Command { SaveImage, SaveParameters, RetrieveParameters };
Q_DECLARE_METATYPE(Command)
Q_DECLARE_METATYPE(FileRequest::Kind)
Q_DECLARE_METATYPE(std::optional<QByteArray>)

namespace {

void writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(content), content.size());
}

void run(Files& files, Command command) {
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(Qt::gray);
    FieldMap fields;
    switch (command) {
    case Command::SaveImage: files.savimage(image); break;
    case Command::SaveParameters: files.savparamdlg(fields); break;
    case Command::RetrieveParameters: files.retparamdlg(fields); break;
    }
}

// A good parameter file in which every field reads "1", less one field.
QByteArray parameterFile(const QString& without = QString()) {
    QByteArray content = "Vorlane parameters 1\n";
    for (const QString& name : parameterfile::fieldNames())
        if (name != without)
            content += name.toUtf8() + "=1\n";
    return content;
}

FieldMap fieldsReading(const QString& text) {
    FieldMap fields;
    for (const QString& name : parameterfile::fieldNames())
        fields.texts[name] = text;
    return fields;
}

} // namespace

class TestFileCommands : public QObject {
    Q_OBJECT
private slots:
    void commandsPassTheirValues_data() {
        QTest::addColumn<Command>("command");
        QTest::addColumn<FileRequest::Kind>("kind");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("dlgfile");
        QTest::newRow("savimage") << Command::SaveImage << FileRequest::Kind::Save
            << "Save Vorlane simulation" << "Tavik picture(*.bmp)" << "*.bmp" << "sky.bmp";
        QTest::newRow("savparamdlg") << Command::SaveParameters << FileRequest::Kind::Save
            << "Select a file name for saving data" << "Pellam file(*.pel)" << "*.pel" << "sky.pel";
        QTest::newRow("retparamdlg") << Command::RetrieveParameters << FileRequest::Kind::Open
            << "Open a file" << "Pellam files(*.pel)" << "*.pel" << "sky.pel";
    }
    void commandsPassTheirValues() {
        QFETCH(Command, command);
        Workspace workspace;
        ScriptedDialogs dialogs;
        dialogs.paths << workspace.path("sky");
        Files files(dialogs);
        files.cancelflag = 1; // left over from an earlier cancelled dialog
        run(files, command);
        QCOMPARE(dialogs.requests.size(), 1);
        QTEST(dialogs.requests[0].kind, "kind");
        QTEST(dialogs.requests[0].title, "title");
        QTEST(dialogs.requests[0].filters[0].caption, "caption");
        QTEST(dialogs.requests[0].filters[0].pattern, "pattern");
        QCOMPARE(dialogs.requests[0].filters.size(), 2);
        QCOMPARE(dialogs.requests[0].filters[1].caption, "All files");
        QCOMPARE(dialogs.requests[0].filters[1].pattern, "*.*");
        QTEST(files.dlgfile, "dlgfile");
        QCOMPARE(files.cancelflag, 0);
    }

    // The dialog confirmed the name as typed; a different existing file
    // that the default extension made the target is asked about here.
    void replacingAnotherTarget_data() {
        QTest::addColumn<Command>("command");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<int>("questions");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("image, no") << Command::SaveImage << "sky" << false << 1 << false;
        QTest::newRow("image, yes") << Command::SaveImage << "sky" << true << 1 << true;
        QTest::newRow("image, confirmed") << Command::SaveImage << "sky.bmp" << false << 0 << true;
        QTest::newRow("image, leading space") << Command::SaveImage << " sky.bmp" << false << 1 << false;
        QTest::newRow("parameters, no") << Command::SaveParameters << "sky" << false << 1 << false;
        QTest::newRow("parameters, yes") << Command::SaveParameters << "sky" << true << 1 << true;
    }
    void replacingAnotherTarget() {
        QFETCH(Command, command);
        QFETCH(QString, chosen);
        QFETCH(bool, answer);
        QFETCH(bool, replaced);
        Workspace workspace;
        const QString target = command == Command::SaveImage ? "sky.bmp" : "sky.pel";
        writeFile(workspace.path(target), "earlier");
        ScriptedDialogs dialogs;
        dialogs.paths << workspace.path(chosen);
        dialogs.answers << answer;
        Files files(dialogs);
        run(files, command);
        QTEST(int(dialogs.questions.size()), "questions");
        if (!dialogs.questions.isEmpty()) {
            QCOMPARE(dialogs.questions[0].caption, dialogs.requests[0].title);
            QVERIFY(dialogs.questions[0].text.contains(target));
        }
        QCOMPARE(contentsOf(workspace.path(target)) != "earlier", replaced);
        QCOMPARE(QDir(workspace.folder()).count(), 3u); // ".", ".." and the target
    }

    // A name one too long for the temporary file beside it: the write fails.
    void failedWriteKeepsTheEarlierFile_data() {
        QTest::addColumn<Command>("command");
        QTest::addColumn<QString>("extension");
        QTest::newRow("image") << Command::SaveImage << ".bmp";
        QTest::newRow("parameters") << Command::SaveParameters << ".pel";
    }
    void failedWriteKeepsTheEarlierFile() {
        QFETCH(Command, command);
        QFETCH(QString, extension);
        Workspace workspace;
        const QString name = QString(251, u'a') + extension;
        writeFile(workspace.path(name), "earlier");
        ScriptedDialogs dialogs;
        dialogs.paths << workspace.path(name);
        Files files(dialogs);
        run(files, command);
        QCOMPARE(dialogs.errors.size(), 1);
        QCOMPARE(dialogs.errors[0].caption, dialogs.requests[0].title);
        QVERIFY(dialogs.errors[0].text.contains(name));
        QCOMPARE(contentsOf(workspace.path(name)), "earlier");
        QCOMPARE(QDir(workspace.folder()).entryList(QDir::Files | QDir::Hidden), QStringList{name});
    }

    void parametersRoundTrip() {
        Workspace workspace;
        FieldMap saved;
        const QStringList texts{"3", "1,5", "abc", "", " 750 ", "a=b=c", "two\nlines\r\nand \\n", "ü€😀"};
        for (qsizetype i = 0; i < texts.size(); ++i)
            saved.texts[parameterfile::fieldNames()[i]] = texts[i];
        ScriptedDialogs dialogs;
        dialogs.paths << workspace.path("values") << workspace.path("values.pel");
        Files files(dialogs);
        files.savparamdlg(saved);

        const QList<QByteArray> lines = contentsOf(workspace.path("values.pel")).split('\n');
        QCOMPARE(lines.size(), 10); // the format's line, eight fields, the final line end
        QCOMPARE(lines.first(), "Vorlane parameters 1");

        FieldMap retrieved = fieldsReading("0");
        files.retparamdlg(retrieved);
        QVERIFY(dialogs.errors.isEmpty());
        QCOMPARE(retrieved.texts, saved.texts);
    }

    // A good file sets every field; any fault leaves them all as they were
    // and says why.
    void retrieving_data() {
        QTest::addColumn<std::optional<QByteArray>>("content");
        QTest::addColumn<QString>("reason");
        QTest::newRow("unknown lines, CR LF")
            << std::optional("Vorlane parameters 1\r\n# note\r\n\r\ncolour=red\r\ncolour=blue\r\nTXTLINES=9\r\n"
                             + parameterFile().sliced(21).replace("\n", "\r\n"))
            << QString();
        QTest::newRow("no such file") << std::optional<QByteArray>() << "No such file";
        QTest::newRow("empty") << std::optional<QByteArray>("") << "first line";
        QTest::newRow("other version")
            << std::optional(parameterFile().replace("parameters 1", "parameters 2")) << "first line";
        QTest::newRow("field missing") << std::optional(parameterFile("txtanglim")) << "txtanglim";
        QTest::newRow("field twice") << std::optional(parameterFile() + "txtsky=2\n") << "txtsky";
        QTest::newRow("bad escape") << std::optional(parameterFile().replace("txtsky=1", "txtsky=\\t")) << "backslash";
        QTest::newRow("not UTF-8") << std::optional(parameterFile().replace("txtlines=1", "txtlines=\xff")) << "UTF-8";
        QTest::newRow("over-long")
            << std::optional(parameterFile() + "#" + QByteArray(parameterfile::kMaxBytes, 'x')) << "longer";
    }
    void retrieving() {
        QFETCH(std::optional<QByteArray>, content);
        QFETCH(QString, reason);
        Workspace workspace;
        if (content)
            writeFile(workspace.path("values.pel"), *content);
        ScriptedDialogs dialogs;
        dialogs.paths << workspace.path("values.pel");
        Files files(dialogs);
        FieldMap fields = fieldsReading("0");
        files.retparamdlg(fields);
        if (reason.isEmpty()) {
            QVERIFY(dialogs.errors.isEmpty());
            QCOMPARE(fields.texts, fieldsReading("1").texts);
            return;
        }
        QCOMPARE(fields.texts, fieldsReading("0").texts);
        QCOMPARE(dialogs.errors.size(), 1);
        QCOMPARE(dialogs.errors[0].caption, "Open a file");
        QVERIFY2(dialogs.errors[0].text.contains("values.pel") && dialogs.errors[0].text.contains(reason),
                 qPrintable(dialogs.errors[0].text));
    }
};

QTEST_GUILESS_MAIN(TestFileCommands)
#include "test_filecommands.moc"
