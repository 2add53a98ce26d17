// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/rules/numeric.h"

#include "exact.h"

#include <QTest>

#include <cmath>
#include <cstdlib>
#include <limits>

using namespace vorlane::sim;

namespace {

// The kind of error that running f raises, or nothing.
template <typename F> std::optional<ErrorKind> errorOf(F f) {
    try {
        f();
    } catch (const RuntimeError& e) {
        return e.kind();
    }
    return std::nullopt;
}

} // namespace

class TestNumeric : public QObject {
    Q_OBJECT
private slots:
    void readsNumbers_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("integer") << "750" << 750.0;
        QTest::newRow("fraction without integer part") << ".02" << 0.02;
        QTest::newRow("point without fraction") << "4." << 4.0;
        QTest::newRow("negative fraction") << "-0.5" << -0.5;
        QTest::newRow("plus sign") << "+15" << 15.0;
        QTest::newRow("blanks around") << "  \t 100 \t" << 100.0;
        QTest::newRow("exponent") << "2.5e2" << 250.0;
        QTest::newRow("signed exponent") << "25E-1" << 2.5;
        QTest::newRow("leading zeros") << "007" << 7.0;
        QTest::newRow("largest double") << "1.7976931348623157e308"
                                        << std::numeric_limits<double>::max();
        QTest::newRow("below the double range reads as zero") << "1e-400" << 0.0;
        QTest::newRow("tiny with leading zeros") << "0.0000001e-330" << 0.0;
    }
    void readsNumbers() {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE_EXACT(parseNumber(text.toStdString()), value);
    }

    void refusesTextsThatAreNotNumbers_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("kind");
        const int mismatch = int(ErrorKind::TypeMismatch);
        for (const char* text : {"", "   ", "abc", "1,5", "1.2.3", ".", "-", "+-1", "1e", "e5",
                                 "1e+", "inf", "nan", "0x10", "12abc", "1 2", "--1", "1_000"})
            QTest::newRow(text[0] ? text : "(empty)") << QString(text) << mismatch;
        QTest::newRow("beyond the double range") << "1e309" << int(ErrorKind::Overflow);
        QTest::newRow("far beyond, negative") << "-123456e400" << int(ErrorKind::Overflow);
    }
    void refusesTextsThatAreNotNumbers() {
        QFETCH(QString, text);
        QFETCH(int, kind);
        QCOMPARE(errorOf([&] { parseNumber(text.toStdString()); }), ErrorKind(kind));
    }

    // However many digits move the point, the exponent still decides
    // between a value, zero and Overflow; every value is strtod's.
    void readsAnyNumberOfDigits_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value"); // NaN: Overflow
        const double overflow = std::numeric_limits<double>::quiet_NaN();
        const QString zeros(100000, u'0');
        QTest::newRow("tiny mantissa, huge exponent") << "0." + zeros + "1e1000000" << overflow;
        QTest::newRow("huge mantissa, tiny exponent") << "1" + zeros + "e-1000000" << 0.0;
        QTest::newRow("tiny mantissa, exponent brings it to 1e9") << "0." + zeros + "1e100010" << 1e9;
        QTest::newRow("huge mantissa, exponent brings it to 1") << "-1" + zeros + "e-100000" << -1.0;
        QTest::newRow("huge mantissa to a subnormal") << "1" + zeros + "e-100309" << 1e-309;
        QTest::newRow("huge mantissa just beyond") << "1" + zeros + "e-99691" << overflow;
        QTest::newRow("many fraction digits") << "2." + zeros + "1" << 2.0;
        QTest::newRow("exponent longer than the text")
            << "0." + zeros + "1e" + QString(200000, u'0') + "5" << 0.0;
        QTest::newRow("huge exponent digits") << "1e99999999999999999999" << overflow;
        QTest::newRow("huge negative exponent digits") << "1e-99999999999999999999" << 0.0;
    }
    void readsAnyNumberOfDigits() {
        QFETCH(QString, text);
        QFETCH(double, value);
        const std::string utf8 = text.toStdString();
        if (std::isnan(value)) {
            QCOMPARE(errorOf([&] { parseNumber(utf8); }), ErrorKind::Overflow);
            QVERIFY(std::isinf(std::strtod(utf8.c_str(), nullptr)));
            return;
        }
        const double parsed = parseNumber(utf8);
        QCOMPARE_EXACT(parsed, value);
        QCOMPARE_EXACT(parsed, std::strtod(utf8.c_str(), nullptr));
    }

    void roundsDownTo16Bits() {
        QCOMPARE(toInt16Floor(4.9), 4);
        QCOMPARE(toInt16Floor(-0.5), -1);
        QCOMPARE(toInt16Floor(-32768.0), -32768);
        QCOMPARE(toInt16Floor(32767.99), 32767);
        QCOMPARE(errorOf([] { toInt16Floor(32768.0); }), ErrorKind::Overflow);
        QCOMPARE(errorOf([] { toInt16Floor(-32768.01); }), ErrorKind::Overflow);
    }

    void roundsHalfToEven() {
        QCOMPARE(toInt16Round(2.5), 2);
        QCOMPARE(toInt16Round(3.5), 4);
        QCOMPARE(toInt16Round(-2.5), -2);
        QCOMPARE(toInt16Round(152.5), 152);
        QCOMPARE(toInt16Round(2.5000001), 3);
        // The range is checked after rounding.
        QCOMPARE(toInt16Round(32767.4), 32767);
        QCOMPARE(errorOf([] { toInt16Round(32767.5); }), ErrorKind::Overflow);
        QCOMPARE(toInt16Round(-32768.5), -32768);
        QCOMPARE(errorOf([] { toInt16Round(-32769.0); }), ErrorKind::Overflow);
        QCOMPARE(toInt32Round(2147483647.4), 2147483647);
        QCOMPARE(errorOf([] { toInt32Round(2147483647.5); }), ErrorKind::Overflow);
        QCOMPARE(toInt32Round(-2147483648.5), std::numeric_limits<std::int32_t>::min());
    }

    void convertsToSingle() {
        QCOMPARE_EXACT(toSingle(0.02), 0.02f);
        QCOMPARE_EXACT(toSingle(1e-50), 0.0f);
        // Just above the largest single but rounding to it is no overflow.
        QCOMPARE_EXACT(toSingle(3.4028235e38), std::numeric_limits<float>::max());
        QCOMPARE(errorOf([] { toSingle(3.5e38); }), ErrorKind::Overflow);
        QCOMPARE(errorOf([] { toSingle(-1e39); }), ErrorKind::Overflow);
    }

    void guardsIntegerArithmetic() {
        QCOMPARE(subtract<std::int16_t>(100, 4), 96);
        QCOMPARE(subtract<std::int16_t>(-32768, 0), -32768);
        QCOMPARE(errorOf([] { subtract<std::int16_t>(32767, -1); }), ErrorKind::Overflow);
        QCOMPARE(errorOf([] { subtract<std::int16_t>(255, -32513); }), ErrorKind::Overflow);
        QCOMPARE(subtract<std::int16_t>(255, -32512), 32767);
        QCOMPARE(errorOf([] { add<std::int16_t>(32767, 1); }), ErrorKind::Overflow);
        QCOMPARE(errorOf([] { add<std::int32_t>(2147483647, 1); }), ErrorKind::Overflow);
    }

    void guardsFloatingPointResults() {
        QCOMPARE(divide(1.0, 4.0), 0.25);
        QCOMPARE(errorOf([] { divide(1.0, 0.0); }), ErrorKind::DivisionByZero);
        QCOMPARE(errorOf([] { divide(-1.0f, 0.0f); }), ErrorKind::DivisionByZero);
        QCOMPARE(errorOf([] { divide(0.0, 0.0); }), ErrorKind::Overflow);
        QCOMPARE(errorOf([] { divide(1e300, 1e-300); }), ErrorKind::Overflow);
        QCOMPARE(errorOf([] { checked(std::numeric_limits<double>::quiet_NaN()); }),
                 ErrorKind::Overflow);
        QCOMPARE(errorOf([] { checked(3e38f * 10.0f); }), ErrorKind::Overflow);
    }
};

QTEST_APPLESS_MAIN(TestNumeric)
#include "test_numeric.moc"
