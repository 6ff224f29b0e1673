// Quillon: what the application is asked on its command line.
#pragma once

#include <QString>
#include <QStringList>

struct StartOptions {
    enum class Action { Start, Help, Version, Error };
    Action action = Action::Start;
    QString document; // the document to convert at start-up; empty for none
    QString error;    // what is wrong with the command line, for Action::Error
};

// Reads the arguments that follow the program's name: -h/--help and -v/--version (which win
// over anything else), at most one document, "--" before a document whose name starts with
// "-". Qt's own options must already be taken out, except when only help and version matter.
StartOptions ParseStartOptions(const QStringList& arguments);

// The text --help prints and the line --version prints.
QString StartUsage();
QString StartVersion();
