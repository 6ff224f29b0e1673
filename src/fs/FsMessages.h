// Quillon: how the file-system helper reports errors and asks questions.
//
// quillon_fs knows nothing of windows or of the application's error type. The application
// installs a message sink (to show real message boxes) and, if it wants its own error type,
// an invalid-argument raiser; without them errors go to qWarning, questions are answered No
// and invalid arguments raise fs::InvalidArgument.
#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

namespace fs {

// Receives the helper's message boxes.
class FsMessageSink {
public:
    virtual ~FsMessageSink() = default;
    // A box with only an OK button. An empty title stands for the application title; critical
    // asks for the critical-error icon, otherwise the box has no icon.
    virtual void error(const QString& text, const QString& title, bool critical) = 0;
    // A Yes/No box with the application title; true means Yes.
    virtual bool confirm(const QString& text) = 0;
};

// Installs a sink (not owned); nullptr restores the default. Returns the previous sink.
FsMessageSink* setFsMessageSink(FsMessageSink* sink);
// The installed sink, or the default one. Never null.
FsMessageSink& fsMessageSink();

// The error raised for an invalid procedure call or argument (number 5).
class InvalidArgument : public std::exception {
public:
    int number() const noexcept { return 5; }
    QString description() const { return QStringLiteral("Invalid procedure call or argument"); }
    const char* what() const noexcept override { return "Invalid procedure call or argument"; }
};

// Raises the invalid-argument error. If a raiser is installed it is called first and is
// expected to throw the application's own error; if it returns, fs::InvalidArgument is thrown.
[[noreturn]] void raiseInvalidArgument();

using InvalidArgumentRaiser = void (*)();
// Installs a raiser; nullptr restores the default. Returns the previous one.
InvalidArgumentRaiser setInvalidArgumentRaiser(InvalidArgumentRaiser raiser);

} // namespace fs
