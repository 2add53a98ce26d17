// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "parameterfile.h"

#include "sim/command/fields.h"

#include <QFile>
#include <QStringDecoder>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <variant>

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

QString notRegular() {
    return QStringLiteral("it is not a regular file");
}

// The file's bytes, at most kMaxBytes + 1 of them so that an over-long file
// shows without trusting the size that the file system reports; or why not.
std::variant<QByteArray, QString> bytesOf(const QByteArray& fileName) {
    // A FIFO or a device could block for ever or never end: such a file is
    // refused before opening, and again after in case one took the name
    // meanwhile; O_NONBLOCK keeps that opening itself from waiting.
    struct stat status {};
    if (::stat(fileName.constData(), &status) == 0 && !S_ISREG(status.st_mode))
        return notRegular();
    const int fd = ::open(fileName.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return file.errorString();
    }
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
        return notRegular();
    QByteArray bytes = file.read(kMaxBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return file.errorString();
    return bytes;
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
    return read(QFile::encodeName(fileName));
}

Contents read(const QByteArray& fileName) {
    const std::variant<QByteArray, QString> loaded = bytesOf(fileName);
    if (const QString* problem = std::get_if<QString>(&loaded))
        return failure(*problem);
    const QByteArray& bytes = std::get<QByteArray>(loaded);
    // Judged first, on the bytes: a picture or any other file picked by
    // mistake is named as such, not by what else is wrong with it.
    const qsizetype lineEnd = bytes.indexOf('\n');
    QByteArray firstLine = lineEnd < 0 ? bytes : bytes.first(lineEnd);
    if (firstLine.endsWith('\r'))
        firstLine.chop(1);
    if (firstLine != kFirstLine)
        return failure(QStringLiteral("it is not a Vorlane parameter file (its first line is "
                                      "not \"%1\")")
                           .arg(QLatin1String(kFirstLine)));
    if (bytes.size() > kMaxBytes)
        return failure(QStringLiteral("the file is longer than %1 bytes").arg(kMaxBytes));

    // Stateless, so that a sequence cut at the very end is an error too
    // instead of being kept back for input that never comes.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return failure(QStringLiteral("the file is not UTF-8 text"));

    QStringList lines = text.split(u'\n');
    // Tolerate CR LF line ends, e.g. after an edit on Windows.
    for (QString& line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }
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
        if (value->size() > kMaxFieldUnits)
            return failure(QStringLiteral("the text of %1 is longer than the %2 characters that a "
                                          "field holds")
                               .arg(name)
                               .arg(kMaxFieldUnits));
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
