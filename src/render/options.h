// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The renderer's command line.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace vorlane::render {

struct Options {
    QByteArray params; // a file name's bytes; empty: the panel's defaults
    int width = 1600;
    int height = 1000;
    int picture = 1;
    int threads = 1;
    bool quiet = false;
    QByteArray output;          // a file name's bytes
    const char* format = "BMP"; // "BMP" or "PNG", after the output's extension
};

// What a command line asks for: a picture, a text to print (the help or the
// version), or nothing, for a reason given in message.
struct CommandLine {
    enum class Action { Render, Help, Refuse };
    Action action = Action::Refuse;
    Options options;
    QString message; // the text to print, or what is wrong
};

// arguments[0] is the program's name. Each argument holds its bytes as
// Latin-1 characters, one a byte, so that file names keep their bytes
// exactly whatever they are. defaultThreads is the number of threads
// when --threads is not given.
CommandLine parseCommandLine(const QStringList& arguments, int defaultThreads);

} // namespace vorlane::render
