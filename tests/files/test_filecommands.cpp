// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/files.h"
#include "files/parameterfile.h"
#include "files/processguard.h"
#include "scripted.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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
    case Command::SaveImage:
        files.savimage(image);
        break;
    case Command::SaveParameters:
        files.savparamdlg(fields);
        break;
    case Command::RetrieveParameters:
        files.retparamdlg(fields);
        break;
    }
}

// A good parameter file in which every field reads value, less one field.
QByteArray parameterFile(const QString& without = QString(), const QByteArray& value = "1") {
    QByteArray content = "Vorlane parameters 1\n";
    for (const QString& name : parameterfile::fieldNames())
        if (name != without)
            content += name.toUtf8() + "=" + value + "\n";
    return content;
}

// Runs the command in a child process, guarded as Vorlane's start guards it,
// whose files may grow to at most sizeLimit bytes (writing past it must fail
// with EFBIG instead of killing the process) and gives the error messages
// that the child saw.
QString errorsInChild(const QString& chosenPath, Command command, rlim_t sizeLimit) {
    int channel[2];
    if (::pipe(channel) != 0)
        return "pipe failed";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        guardProcess(SignalEnd::Signal);
        const rlimit limit{sizeLimit, sizeLimit};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ScriptedDialogs dialogs;
        dialogs.paths << chosenPath;
        Files files(dialogs);
        run(files, command);
        QStringList texts;
        for (const Message& error : dialogs.errors)
            texts << error.caption + ": " + error.text;
        const QByteArray report = texts.join('\n').toUtf8();
        const bool sent = ::write(channel[1], report.constData(), report.size()) == report.size();
        ::_exit(sent ? 0 : 1);
    }
    ::close(channel[1]);
    QByteArray report;
    char buffer[4096];
    for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, n);
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? QString::fromUtf8(report)
                                                         : "child failed";
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
                                  << "Save Vorlane simulation"
                                  << "Tavik picture(*.bmp)"
                                  << "*.bmp"
                                  << "sky.bmp";
        QTest::newRow("savparamdlg") << Command::SaveParameters << FileRequest::Kind::Save
                                     << "Select a file name for saving data"
                                     << "Pellam file(*.pel)"
                                     << "*.pel"
                                     << "sky.pel";
        QTest::newRow("retparamdlg")
            << Command::RetrieveParameters << FileRequest::Kind::Open << "Open a file"
            << "Pellam files(*.pel)"
            << "*.pel"
            << "sky.pel";
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
        QTest::newRow("image, leading space")
            << Command::SaveImage << " sky.bmp" << false << 1 << false;
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

    // A write that fails part way: the message names the file and the
    // reason, and the earlier file stays byte for byte with nothing beside
    // it. A name as long as the folder allows replaces it like any other.
    void savingOverAnEarlierFile_data() {
        QTest::addColumn<Command>("command");
        QTest::addColumn<QString>("name");
        QTest::addColumn<quint64>("sizeLimit");
        QTest::addColumn<QString>("reason");
        const QString tooLarge = "File too large";
        const QString replaced; // no error
        // The bitmap of 4 x 3 pixels takes 90 bytes, the parameter file more.
        QTest::newRow("image, size limit")
            << Command::SaveImage << "sky.bmp" << quint64(60) << tooLarge;
        QTest::newRow("parameters, size limit")
            << Command::SaveParameters << "sky.pel" << quint64(60) << tooLarge;
        QTest::newRow("image, 249 bytes") << Command::SaveImage << QString(245, u'a') + ".bmp"
                                          << quint64(RLIM_INFINITY) << replaced;
        QTest::newRow("parameters, 255 bytes")
            << Command::SaveParameters << QString(251, u'a') + ".pel" << quint64(RLIM_INFINITY)
            << replaced;
        QTest::newRow("parameters, 255 bytes in UTF-8")
            << Command::SaveParameters << QString(125, u'é') + "a.pel" << quint64(RLIM_INFINITY)
            << replaced;
    }
    void savingOverAnEarlierFile() {
        QFETCH(Command, command);
        QFETCH(QString, name);
        QFETCH(quint64, sizeLimit);
        QFETCH(QString, reason);
        Workspace workspace;
        writeFile(workspace.path(name), "earlier");
        const QString errors = errorsInChild(workspace.path(name), command, rlim_t(sizeLimit));
        const QString title = command == Command::SaveImage ? "Save Vorlane simulation"
                                                            : "Select a file name for saving data";
        const QString inFolder = "\"" + name + "\" in \"" + workspace.folder() + "\"";
        if (reason.isEmpty())
            QCOMPARE(errors, QString());
        else
            QVERIFY2(errors.startsWith(title + ": ") && !errors.contains('\n') &&
                         errors.contains(inFolder) && errors.contains(reason),
                     qPrintable(errors));
        QCOMPARE(contentsOf(workspace.path(name)) == "earlier", !reason.isEmpty());
        QCOMPARE(QDir(workspace.folder()).entryList(QDir::Files | QDir::Hidden), QStringList{name});
    }

    // Saving over a FIFO or a device would write into it or replace the node:
    // anything but a regular file, links followed, is refused before the
    // question about replacing it, and stays as it was.
    void savesReplaceOnlyRegularFiles_data() {
        QTest::addColumn<Command>("command");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("message");
        // %1: the folder in which the name was chosen.
        QTest::newRow("image, FIFO") << Command::SaveImage << "node.bmp"
                                     << "\"node.bmp\" in \"%1\": it is not a regular file";
        QTest::newRow("image, link")
            << Command::SaveImage << "link.bmp"
            << "\"link.bmp\" in \"%1\": it leads to \"node.bmp\", which is not a regular file";
        QTest::newRow("image, by the default extension")
            << Command::SaveImage << "node"
            << "\"node.bmp\" in \"%1\": it is not a regular file";
        QTest::newRow("parameters, link")
            << Command::SaveParameters << "link"
            << "\"link.pel\" in \"%1\": it leads to \"node.pel\", which is not a regular file";
    }
    void savesReplaceOnlyRegularFiles() {
        QFETCH(Command, command);
        QFETCH(QString, chosen);
        QFETCH(QString, message);
        Workspace workspace;
        const QByteArray node = command == Command::SaveImage ? "node.bmp" : "node.pel";
        QVERIFY(::mkfifo(node, 0600) == 0 && ::symlink(node, "link" + node.sliced(4)) == 0);
        ScriptedDialogs dialogs;
        dialogs.paths << workspace.path(chosen);
        dialogs.answers << true;
        Files files(dialogs);
        run(files, command);
        // The file dialog asks no question about what the save refuses.
        QVERIFY(dialogs.requests[0].refuses(QFile::decodeName(node)));
        QVERIFY(!dialogs.requests[0].refuses(workspace.path("new" + node)));
        QVERIFY(dialogs.questions.isEmpty());
        QCOMPARE(dialogs.errors.size(), 1);
        QCOMPARE(dialogs.errors[0].text, "Could not save " + message.arg(workspace.folder()));
        struct stat status {};
        QVERIFY(::lstat(node, &status) == 0 && S_ISFIFO(status.st_mode));
        QCOMPARE(QDir().entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size(),
                 2);
    }

    // Every field at its longest and at three bytes a unit makes the largest
    // file that saving can write; it reads back whole.
    void largestFileReadsBack() {
        Workspace workspace;
        const FieldMap saved = fieldsReading(QString(parameterfile::kMaxFieldUnits, u'€'));
        ScriptedDialogs dialogs;
        dialogs.paths << workspace.path("big.pel") << workspace.path("big.pel");
        Files files(dialogs);
        files.savparamdlg(saved);
        QCOMPARE(QFileInfo(workspace.path("big.pel")).size(), parameterfile::kMaxBytes);
        FieldMap retrieved = fieldsReading("0");
        files.retparamdlg(retrieved);
        QVERIFY(dialogs.errors.isEmpty());
        QVERIFY(retrieved.texts == saved.texts);
    }

    // Retrieve reads the file picked; the name with the default extension
    // only when the picked one does not exist.
    void retrieveReadsThePickedFile_data() {
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QString>("picked");
        QTest::addColumn<QString>("read"); // empty: nothing is read
        QTest::addColumn<QString>("missing");
        QTest::newRow("both exist") << QStringList{"params", "params.pel"} << "params"
                                    << "params"
                                    << "";
        QTest::newRow("no extension") << QStringList{"params"} << "params"
                                      << "params"
                                      << "";
        QTest::newRow("other extension") << QStringList{"runs.params"} << "runs.params"
                                         << "runs.params"
                                         << "";
        QTest::newRow("only with extension") << QStringList{"params.pel"} << "params"
                                             << "params.pel"
                                             << "";
        QTest::newRow("neither") << QStringList{"other.pel"} << "params"
                                 << ""
                                 << "\"params\": the file does not exist, nor does \"params.pel\"";
        QTest::newRow("picked with extension") << QStringList{} << "params.pel"
                                               << ""
                                               << "\"params.pel\": the file does not exist";
    }
    void retrieveReadsThePickedFile() {
        QFETCH(QStringList, existing);
        QFETCH(QString, picked);
        QFETCH(QString, read);
        QFETCH(QString, missing);
        Workspace workspace;
        for (const QString& name : existing)
            writeFile(workspace.path(name), parameterFile(QString(), name.toUtf8()));
        ScriptedDialogs dialogs;
        dialogs.paths << workspace.path(picked);
        Files files(dialogs);
        FieldMap fields = fieldsReading("0");
        files.retparamdlg(fields);
        QCOMPARE(fields.texts, fieldsReading(read.isEmpty() ? "0" : read).texts);
        if (read.isEmpty()) {
            QCOMPARE(dialogs.errors.size(), 1);
            QCOMPARE(dialogs.errors[0].text, "Could not retrieve the parameters from " + missing);
        } else {
            QVERIFY(dialogs.errors.isEmpty());
        }
    }

    // Reading a FIFO would wait for a writer for ever: anything but a
    // regular file is refused at once.
    void refusesWhatIsNotARegularFile_data() {
        QTest::addColumn<bool>("fifo");
        QTest::newRow("FIFO") << true;
        QTest::newRow("folder") << false;
    }
    void refusesWhatIsNotARegularFile() {
        QFETCH(bool, fifo);
        Workspace workspace;
        const QByteArray path = QFile::encodeName(workspace.path("values.pel"));
        QCOMPARE(fifo ? ::mkfifo(path.constData(), 0600) : ::mkdir(path.constData(), 0700), 0);
        ScriptedDialogs dialogs;
        dialogs.paths << workspace.path("values.pel");
        Files files(dialogs);
        FieldMap fields = fieldsReading("0");
        files.retparamdlg(fields);
        QCOMPARE(fields.texts, fieldsReading("0").texts);
        QCOMPARE(dialogs.errors.size(), 1);
        QVERIFY2(dialogs.errors[0].text.contains("not a regular file"),
                 qPrintable(dialogs.errors[0].text));
    }

    void parametersRoundTrip() {
        Workspace workspace;
        FieldMap saved;
        const QStringList texts{"3",  "1,5", "abc", "", " 750 ", "a=b=c", "two\nlines\r\nand \\n",
                                "ü€😀"};
        for (qsizetype i = 0; i < texts.size(); ++i)
            saved.texts[parameterfile::fieldNames()[i]] = texts[i];
        ScriptedDialogs dialogs;
        dialogs.paths << workspace.path("values") << workspace.path("values.pel");
        Files files(dialogs);
        files.savparamdlg(saved);

        const QList<QByteArray> lines = contentsOf(workspace.path("values.pel")).split('\n');
        QCOMPARE(lines.size(), 10); // the format's line, eight fields, the final line end
        QCOMPARE(lines.first(), "Vorlane parameters 1");
        // In the order that PARAMETERS.md gives.
        const QList<QByteArray> order{"txtsegmin",     "txtsegmax", "txtlines",     "txtseglength",
                                      "txtscratchcol", "txtsky",    "txtdrawwidth", "txtanglim"};
        for (qsizetype i = 0; i < order.size(); ++i)
            QVERIFY2(lines[i + 1].startsWith(order[i] + '='), lines[i + 1].constData());

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
            << std::optional("Vorlane parameters 1\r\n# "
                             "note\r\n\r\ncolour=red\r\ncolour=blue\r\nTXTLINES=9\r\n" +
                             parameterFile().sliced(21).replace("\n", "\r\n"))
            << QString();
        QTest::newRow("no such file") << std::optional<QByteArray>() << "does not exist";
        const QString notOurs = "is not a Vorlane parameter file";
        QTest::newRow("empty") << std::optional<QByteArray>("") << notOurs;
        QTest::newRow("other version")
            << std::optional(parameterFile().replace("parameters 1", "parameters 2")) << notOurs;
        QTest::newRow("a picture")
            << std::optional(QByteArray("BM\x36\x00\xff\xfe\n", 7)) << notOurs;
        QTest::newRow("a large picture")
            << std::optional("BM" + QByteArray(parameterfile::kMaxBytes, '\xff')) << notOurs;
        QTest::newRow("the first line alone")
            << std::optional<QByteArray>("Vorlane parameters 1") << "lacks the field(s) txtsegmin";
        QTest::newRow("field missing") << std::optional(parameterFile("txtanglim")) << "txtanglim";
        QTest::newRow("field twice") << std::optional(parameterFile() + "txtsky=2\n") << "txtsky";
        QTest::newRow("bad escape")
            << std::optional(parameterFile().replace("txtsky=1", "txtsky=\\t")) << "backslash";
        QTest::newRow("lone backslash at the end")
            << std::optional(parameterFile().replace("txtsky=1", "txtsky=1\\")) << "backslash";
        QTest::newRow("not UTF-8")
            << std::optional(parameterFile().replace("txtlines=1", "txtlines=\xff")) << "UTF-8";
        QTest::newRow("over-long")
            << std::optional(parameterFile() + "#" + QByteArray(parameterfile::kMaxBytes, 'x'))
            << "longer";
        QTest::newRow("UTF-8 cut at the end")
            << std::optional(parameterFile() + "#\xe2\x82") << "UTF-8";
        QTest::newRow("field longer than the panel's")
            << std::optional(parameterFile("txtsky") + "txtsky=" + QByteArray(32768, 'x'))
            << "longer than";
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
        QVERIFY2(dialogs.errors[0].text.contains("values.pel") &&
                     dialogs.errors[0].text.contains(reason),
                 qPrintable(dialogs.errors[0].text));
    }
};

QTEST_GUILESS_MAIN(TestFileCommands)
#include "test_filecommands.moc"
