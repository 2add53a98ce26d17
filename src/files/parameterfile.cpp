#include "parameterfile.h"

#include "sim/rings.h"

#include <QFile>
#include <QStringDecoder>

#include <optional>

namespace vorlane::files::parameterfile {

namespace {

// Line breaks inside a text would end its line early, so they are written as
// \n and \r, and a backslash itself as \\.
QString escaped(const QString& text) {
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'\\')
            result += QStringLiteral("\\\\");
        else if (c == u'\n')
            result += QStringLiteral("\\n");
        else if (c == u'\r')
            result += QStringLiteral("\\r");
        else
            result += c;
    }
    return result;
}

// Nothing for a backslash that starts no known escape.
std::optional<QString> unescaped(QStringView text) {
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\\') {
            result += text[i];
            continue;
        }
        if (++i == text.size())
            return std::nullopt;
        switch (text[i].unicode()) {
        case u'\\':
            result += u'\\';
            break;
        case u'n':
            result += u'\n';
            break;
        case u'r':
            result += u'\r';
            break;
        default:
            return std::nullopt;
        }
    }
    return result;
}

Contents failure(const QString& problem) {
    return {{}, problem};
}

} // namespace

const QStringList& fieldNames() {
    static const QStringList names = [] {
        QStringList list;
        for (const auto& field : sim::kRingFieldsByName)
            list << QLatin1String(field.name);
        return list;
    }();
    return names;
}

QByteArray encode(const ParameterFields& fields) {
    QString text = QLatin1String(kFirstLine) + u'\n';
    for (const QString& name : fieldNames())
        text += name + u'=' + escaped(fields.fieldText(name)) + u'\n';
    return text.toUtf8();
}

Contents read(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return failure(file.errorString());
    // Reading one byte beyond the limit tells an over-long file without
    // trusting the size that the file system reports.
    const QByteArray bytes = file.read(kMaxBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return failure(file.errorString());
    if (bytes.size() > kMaxBytes)
        return failure(QStringLiteral("the file is longer than %1 bytes").arg(kMaxBytes));

    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return failure(QStringLiteral("the file is not UTF-8 text"));

    QStringList lines = text.split(u'\n');
    // Tolerate CR LF line ends, e.g. after an edit on Windows.
    for (QString& line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }
    if (lines.first() != QLatin1String(kFirstLine))
        return failure(
            QStringLiteral("the first line is not \"%1\"").arg(QLatin1String(kFirstLine)));

    Contents contents;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString& line = lines[i];
        const qsizetype equals = line.indexOf(u'=');
        const QString name = line.left(equals);
        // Lines that name no field of ours are skipped.
        if (equals < 0 || !fieldNames().contains(name))
            continue;
        if (contents.texts.contains(name))
            return failure(QStringLiteral("the field %1 is given twice").arg(name));
        const std::optional<QString> value = unescaped(QStringView(line).sliced(equals + 1));
        if (!value)
            return failure(
                QStringLiteral("the text of %1 has a backslash that is not \\\\, \\n or \\r")
                    .arg(name));
        contents.texts.insert(name, *value);
    }

    QStringList missing;
    for (const QString& name : fieldNames()) {
        if (!contents.texts.contains(name))
            missing << name;
    }
    if (!missing.isEmpty())
        return failure(QStringLiteral("the file lacks the field(s) %1")
                           .arg(missing.join(QStringLiteral(", "))));
    return contents;
}

} // namespace vorlane::files::parameterfile
