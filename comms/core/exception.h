#pragma once
#include <QByteArray>
#include <QString>
#include <exception>

// Base of the exceptions the library raises, as the class library of the components has it:
// a message text and a help context. what() gives the message in UTF-8.
class Exception : public std::exception {
public:
    explicit Exception(const QString& Msg) : Message(Msg), utf8_(Msg.toUtf8()) {}
    const char* what() const noexcept override { return utf8_.constData(); }

    QString Message;
    int HelpContext = 0;

private:
    QByteArray utf8_;
};

// A file, disk or device error of the run-time library; ErrorCode is positive.
class EInOutError : public Exception {
public:
    EInOutError(const QString& Msg, int Code) : Exception(Msg), ErrorCode(Code) {}
    int ErrorCode;
};

class EOutOfMemory : public Exception {
public:
    EOutOfMemory() : Exception(QStringLiteral("Out of memory")) {}
};
