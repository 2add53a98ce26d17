// vorlane-render as a user calls it: its options, its exit statuses, and the
// files it writes or leaves alone.

#include "renderer.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

using vorlane::test::runRenderer;

namespace {

// A parameter file with the panel's defaults, some of them replaced.
QByteArray parameters(const QHash<QString, QString>& changes) {
    const QList<std::pair<QString, QString>> defaults{
        {"txtsegmin", "4"},      {"txtsegmax", "100"},    {"txtlines", "750"},
        {"txtseglength", ".02"}, {"txtscratchcol", "50"}, {"txtsky", "0"},
        {"txtdrawwidth", "1"},   {"txtanglim", "15"}};
    QByteArray text = "Vorlane parameters 1\n";
    for (const auto& [name, value] : defaults)
        text += (name + u'=' + changes.value(name, value) + u'\n').toUtf8();
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

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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
        refused("stray argument", {"few.pel", "-o", "a.bmp"}, "unexpected argument \"few.pel\"");
        refused("value missing", {"-o", "a.bmp", "--size"}, "Missing value after '--size'");
        refused("jpeg output", {"-o", "a.jpg"}, "must end in .bmp or .png");
        refused("output without extension", {"-o", "bmp"}, "must end in .bmp or .png");
        for (const char* size : {"0x10", "10x0", "10", "10x", "x10", "-5x10", "ax10", "10X10",
                                 "32768x10", "10x32768", "10x10x10", " 10x10", ""})
            refused(qPrintable(QStringLiteral("size \"%1\"").arg(size)),
                    {"--size", size, "-o", "a.bmp"}, "--size wants WIDTHxHEIGHT");
        for (const char* threads : {"0", "-1", "two", "1025", "1.5", ""})
            refused(qPrintable(QStringLiteral("threads \"%1\"").arg(threads)),
                    {"--threads", threads, "-o", "a.bmp"}, "--threads wants a whole number");
        for (const char* picture : {"0", "-2", "1.5", "first", "99999999999", ""})
            refused(qPrintable(QStringLiteral("picture \"%1\"").arg(picture)),
                    {"--picture", picture, "-o", "a.bmp"}, "--picture wants a whole number");
        refused("missing parameter file", {"--params", "none.pel", "-o", "a.bmp"},
                "cannot use the parameter file \"none.pel\"");
        refused("parameter file of another format", {"--params", "otherformat.pel", "-o", "a.bmp"},
                "the first line is not \"Vorlane parameters 1\"");
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
              "--quiet", "-o, --output <OUT>", "-h, --help", "--version", "Exit status"})
            QVERIFY2(run.out.contains(QLatin1String(option)), option);
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_commandline.moc"
