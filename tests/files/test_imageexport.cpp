// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/files.h"
#include "scripted.h"

#include <QtEndian>

using namespace vorlane::files;

namespace {

// Every grey level once, on rows of 17 pixels that need padding in a bitmap.
QImage greyRamp() {
    QImage image(17, 16, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int grey = (y * 17 + x) % 256;
            image.setPixel(x, y, qRgb(grey, grey, grey));
        }
    return image;
}

QImage white(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

// As a canvas on a screen of that density and device-pixel ratio makes it.
QImage onScreen(QImage image, int dotsPerMetre, qreal ratio) {
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    image.setDevicePixelRatio(ratio);
    return image;
}

} // namespace

class TestImageExport : public QObject {
    Q_OBJECT
private slots:
    void bitmapIsTheExactPicture_data() {
        QTest::addColumn<QImage>("picture");
        QTest::addColumn<QImage>("expected");
        QTest::newRow("rgb32") << greyRamp() << greyRamp();
        QTest::newRow("argb32") << greyRamp().convertToFormat(QImage::Format_ARGB32_Premultiplied) << greyRamp();
        QTest::newRow("grayscale8") << greyRamp().convertToFormat(QImage::Format_Grayscale8) << greyRamp();
        QTest::newRow("white before drawing") << white(331, 354) << white(331, 354);
        QTest::newRow("200 % on a 192 dpi screen") << onScreen(greyRamp(), 7559, 2.0) << greyRamp();
        QTest::newRow("150 %, 100 dpi") << onScreen(greyRamp(), 3937, 1.5) << greyRamp();
    }
    void bitmapIsTheExactPicture() {
        QFETCH(QImage, picture);
        QFETCH(QImage, expected);
        Workspace workspace;
        ScriptedDialogs dialogs;
        dialogs.paths << workspace.path("sky");
        Files files(dialogs);
        files.savimage(picture);

        const QByteArray bytes = contentsOf(workspace.path("sky.bmp"));
        QVERIFY(bytes.size() > 54);
        QVERIFY(bytes.startsWith("BM"));
        const auto* header = reinterpret_cast<const uchar*>(bytes.constData());
        QCOMPARE(qFromLittleEndian<qint32>(header + 18), expected.width());
        QCOMPARE(qAbs(qFromLittleEndian<qint32>(header + 22)), expected.height());
        QCOMPARE(qFromLittleEndian<quint16>(header + 28), 24); // bits a pixel
        QCOMPARE(qFromLittleEndian<quint32>(header + 30), 0u); // no compression
        // 96 dpi each way whatever the screen: the same picture, the same file.
        QCOMPARE(qFromLittleEndian<qint32>(header + 38), 3780);
        QCOMPARE(qFromLittleEndian<qint32>(header + 42), 3780);
        QCOMPARE(QImage::fromData(bytes, "BMP").convertToFormat(QImage::Format_RGB32), expected);
    }

    // Each command clears cancelflag; the chosen extension does not change
    // what is written.
    void cancelThenExportUnderAnyExtension() {
        Workspace workspace;
        ScriptedDialogs dialogs;
        dialogs.paths << std::nullopt << workspace.path("sky.jpg") << workspace.path("sky.jpeg");
        Files files(dialogs);
        files.savimage(greyRamp());
        QCOMPARE(files.cancelflag, 1);
        QVERIFY(QDir(workspace.folder()).isEmpty());
        files.savimage(greyRamp());
        QCOMPARE(files.cancelflag, 0);
        files.savimage(greyRamp());
        QVERIFY(contentsOf(workspace.path("sky.jpg")).startsWith("BM"));
        QVERIFY(contentsOf(workspace.path("sky.jpeg.bmp")).startsWith("BM"));
        QVERIFY(!QFile::exists(workspace.path("sky.jpeg")));
    }

    void emptyPictureIsNotSaved() {
        Workspace workspace;
        ScriptedDialogs dialogs;
        dialogs.paths << workspace.path("sky");
        Files files(dialogs);
        files.savimage(QImage());
        QCOMPARE(dialogs.errors.size(), 1);
        QVERIFY(dialogs.errors[0].text.contains("sky.bmp"));
        QVERIFY(QDir(workspace.folder()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestImageExport)
#include "test_imageexport.moc"
