#include "files/files.h"
#include "scripted.h"

#include <QtEndian>

using namespace vorlane::files;

Q_DECLARE_METATYPE(QImage::Format)

namespace {

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every grey level once, on rows whose 17 pixels need padding in a bitmap.
int greyAt(int x, int y) { return (y * 17 + x) % 256; }

QImage greyRamp(QImage::Format format) {
    QImage image(17, 16, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(greyAt(x, y), greyAt(x, y), greyAt(x, y)));
    return image.convertToFormat(format);
}

} // namespace

class TestImageExport : public QObject {
    Q_OBJECT
private slots:
    void bitmapKeepsEveryGreyLevel_data() {
        QTest::addColumn<QImage::Format>("format");
        QTest::newRow("rgb32") << QImage::Format_RGB32;
        QTest::newRow("argb32") << QImage::Format_ARGB32_Premultiplied;
        QTest::newRow("grayscale8") << QImage::Format_Grayscale8;
    }
    void bitmapKeepsEveryGreyLevel() {
        QFETCH(QImage::Format, format);
        Workspace workspace;
        ScriptedDialogs dialogs;
        dialogs.paths << workspace.path("sky");
        Files files(dialogs);
        files.savimage(greyRamp(format));

        const QByteArray bytes = contentsOf(workspace.path("sky.bmp"));
        QVERIFY(bytes.size() > 54);
        QVERIFY(bytes.startsWith("BM"));
        const auto* header = reinterpret_cast<const uchar*>(bytes.constData());
        QCOMPARE(qFromLittleEndian<qint32>(header + 18), 17);
        QCOMPARE(qAbs(qFromLittleEndian<qint32>(header + 22)), 16);
        QCOMPARE(qFromLittleEndian<quint16>(header + 28), 24); // bits a pixel
        QCOMPARE(qFromLittleEndian<quint32>(header + 30), 0u); // no compression

        const QImage back = QImage::fromData(bytes, "BMP");
        QCOMPARE(back.size(), QSize(17, 16));
        for (int y = 0; y < back.height(); ++y)
            for (int x = 0; x < back.width(); ++x)
                QCOMPARE(back.pixel(x, y), qRgb(greyAt(x, y), greyAt(x, y), greyAt(x, y)));
        QVERIFY(dialogs.errors.isEmpty());
    }

    // Saving before anything was drawn: the white canvas at its full size.
    void whiteImage() {
        Workspace workspace;
        ScriptedDialogs dialogs;
        dialogs.paths << workspace.path("blank.bmp");
        Files files(dialogs);
        QImage white(331, 354, QImage::Format_RGB32);
        white.fill(Qt::white);
        files.savimage(white);
        const QImage back(workspace.path("blank.bmp"), "BMP");
        QCOMPARE(back.size(), white.size());
        QCOMPARE(back.convertToFormat(QImage::Format_RGB32), white);
    }

    void extensionDoesNotChangeTheContent() {
        Workspace workspace;
        ScriptedDialogs dialogs;
        dialogs.paths << workspace.path("sky.jpg") << workspace.path("sky.jpeg");
        Files files(dialogs);
        files.savimage(greyRamp(QImage::Format_RGB32));
        files.savimage(greyRamp(QImage::Format_RGB32));
        QVERIFY(contentsOf(workspace.path("sky.jpg")).startsWith("BM"));
        QVERIFY(contentsOf(workspace.path("sky.jpeg.bmp")).startsWith("BM"));
        QVERIFY(!QFile::exists(workspace.path("sky.jpeg")));
    }

    void cancelThenExport() {
        Workspace workspace;
        ScriptedDialogs dialogs;
        dialogs.paths << std::nullopt << workspace.path("sky");
        Files files(dialogs);
        files.savimage(greyRamp(QImage::Format_RGB32));
        QCOMPARE(files.cancelflag, 1);
        QVERIFY(QDir(workspace.folder()).isEmpty());
        files.savimage(greyRamp(QImage::Format_RGB32));
        QCOMPARE(files.cancelflag, 0);
        QVERIFY(QFile::exists(workspace.path("sky.bmp")));
    }
};

QTEST_GUILESS_MAIN(TestImageExport)
#include "test_imageexport.moc"
