// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The README's table of bad input, row by row, against the real "draw rings":
// the table and the program cannot drift apart.

#include "sim/command/rings.h"
#include "sim/pixels/buffercanvas.h"
#include "sim/rules/errors.h"

#include <QFile>
#include <QTest>

#include <algorithm>
#include <optional>
#include <string>

using namespace vorlane::sim;

namespace {

struct Row {
    QString field; // the caption
    QString text;
    QString message; // "none" when the drawing runs to its end
    QString drawn;
};

// The rows of the first table under the heading "## Bad input".
QList<Row> readmeRows() {
    QFile readme(QStringLiteral(VORLANE_README));
    if (!readme.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    const QStringList lines = QString::fromUtf8(readme.readAll()).split(u'\n');
    auto line = std::find(lines.begin(), lines.end(), QStringLiteral("## Bad input"));
    line = std::find_if(line, lines.end(), [](const QString& l) { return l.startsWith(u'|'); });
    QList<Row> rows;
    for (line += line == lines.end() ? 0 : 2; line != lines.end() && line->startsWith(u'|');
         ++line) {
        const QStringList cells = line->split(u'|');
        if (cells.size() != 6)
            return {};
        const QString text = cells[2].trimmed();
        rows.append({cells[1].trimmed(), text.mid(1, text.size() - 2),
                     cells[3].trimmed().replace(QStringLiteral("<br>"), QStringLiteral("\n")),
                     cells[4].trimmed()});
    }
    return rows;
}

std::string RingFields::*fieldCaptioned(const QString& caption) {
    for (const RingField& field : kRingFieldsByName)
        if (caption == QLatin1String(field.caption))
            return field.text;
    return nullptr;
}

// A main window whose canvas comes out 400 by 300 pixels; the canvas starts
// 10 by 10 and white.
constexpr WindowSize kMain = mainWindowFor(400, 300);
const std::uint32_t kWhite = toPixel(vorlane::sim::kWhite);
const std::uint32_t kBlack = toPixel(0);
const std::uint32_t kYellowPixel = toPixel(kYellow);

bool isGrey(std::uint32_t pixel) {
    const std::uint32_t b = pixel & 0xffu;
    return pixel == (0xff000000u | b << 16 | b << 8 | b);
}

// Whether the canvas shows what the table's last column says, in its words.
std::optional<bool> shows(const QString& drawn, const BufferCanvas& canvas) {
    const auto& pixels = canvas.pixels();
    const auto all = [&](auto test) { return std::all_of(pixels.begin(), pixels.end(), test); };
    const bool refitted = canvas.widthPixels() == 400 && canvas.heightPixels() == 300;
    const bool marked = refitted && canvas.pixel(200, 150) == kYellowPixel;
    const auto skyOrMark = [](std::uint32_t p) { return p == kBlack || p == kYellowPixel; };
    const auto skyMarkOrGrey = [](std::uint32_t p) { return p == kYellowPixel || isGrey(p); };
    if (drawn == u"nothing changes")
        return canvas.widthPixels() == 10 && all([](std::uint32_t p) { return p == kWhite; });
    if (drawn == u"the canvas, refitted and cleared in its former background")
        return refitted && all([](std::uint32_t p) { return p == kWhite; });
    if (drawn == u"the sky and the yellow mark")
        return marked && all(skyOrMark);
    if (drawn ==
        u"the sky, the yellow mark and the segments before the first one in a negative grey")
        return marked && all(skyMarkOrGrey);
    if (drawn == u"the whole drawing")
        // Scratches may cover the mark.
        return refitted && all(skyMarkOrGrey) && !all(skyOrMark);
    return std::nullopt;
}

} // namespace

class TestBadInput : public QObject {
    Q_OBJECT
private slots:
    // Every field is tried with the same texts, and the special cases are there.
    void tableCoversEveryFieldAndText() {
        const QList<Row> rows = readmeRows();
        const auto has = [&](const QString& field, const QString& text) {
            return std::any_of(rows.begin(), rows.end(), [&](const Row& row) {
                return row.field == field && row.text == text;
            });
        };
        for (const RingField& field : kRingFieldsByName)
            for (const char* text : {"", "  ", "abc", "1e999", "-0", "32768", "4,5"})
                QVERIFY2(has(QLatin1String(field.caption), QLatin1String(text)),
                         qPrintable(QStringLiteral("%1 \"%2\"").arg(field.caption, text)));
        QVERIFY(has("lines", "2147483648"));
        QVERIFY(has("sky col", "-1") && has("scratch col", "-1"));
        QVERIFY(has("width", "0"));
        QVERIFY(has("smin", "-32768")); // smax minus smin beyond 16 bits
    }

    void eachRowIsWhatTheUserGets_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("drawn");
        for (const Row& row : readmeRows())
            QTest::addRow("%s \"%s\"", qPrintable(row.field), qPrintable(row.text))
                << row.field << row.text << row.message << row.drawn;
    }

    void eachRowIsWhatTheUserGets() {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, message);
        QFETCH(QString, drawn);
        std::string RingFields::*member = fieldCaptioned(field);
        QVERIFY2(member, "no field with this caption");
        RingFields fields;
        fields.*member = text.toStdString();

        BufferCanvas canvas(10, 10);
        Mt19937Source random;
        QString got = QStringLiteral("none");
        try {
            cmdhex_Click(fields, kMain, canvas, random);
        } catch (const RuntimeError& error) {
            got = QString::fromStdString(errorMessage(error));
        }
        QCOMPARE(got, message);
        const std::optional<bool> seen = shows(drawn, canvas);
        QVERIFY2(seen.has_value(), "the table's words for what stays drawn are unknown");
        QVERIFY(*seen);
    }

    // With two bad fields the message names the one that the drawing reads
    // first, whatever their order in the panel.
    void firstBadFieldReadIsNamed_data() {
        QTest::addColumn<QStringList>("bad"); // caption=text, the one named last
        const QStringList order{"width", "sky col", "seg ln", "smin", "smax", "scratch col", "anglim", "lines"};
        for (qsizetype i = 0; i + 1 < order.size(); ++i)
            QTest::addRow("%s before %s", qPrintable(order[i]), qPrintable(order[i + 1]))
                << QStringList{order[i + 1] + "=x", order[i] + "=x"};
        // A negative grey is an error only when a segment is drawn.
        QTest::newRow("lines before a negative scratch col") << QStringList{"scratch col=-1", "lines=x"};
    }
    void firstBadFieldReadIsNamed() {
        QFETCH(QStringList, bad);
        RingFields fields;
        for (const QString& change : bad)
            fields.*fieldCaptioned(change.section(u'=', 0, 0)) = change.section(u'=', 1).toStdString();
        BufferCanvas canvas(10, 10);
        Mt19937Source random;
        try {
            cmdhex_Click(fields, kMain, canvas, random);
            QFAIL("the drawing took bad fields");
        } catch (const RuntimeError& error) {
            const QString named = QStringLiteral("in \"%1\"").arg(bad.last().section(u'=', 0, 0));
            QVERIFY2(QString::fromStdString(error.detail()).contains(named), error.detail().c_str());
        }
    }
};

QTEST_GUILESS_MAIN(TestBadInput)
#include "test_badinput.moc"
