#pragma once

#include <QString>
#include <exception>
#include <string>

// The program's one failure type: carries a Japanese message for the user. Raised by any code
// that cannot finish; caught only by Guard (Guard.h), which shows the message.
class Exception : public std::exception {
public:
    explicit Exception(QString message);
    const QString& Message() const { return message_; }
    const char* what() const noexcept override { return utf8_.c_str(); }

    // "ファイル %s は開けません"
    static Exception CannotOpen(const QString& fileName);
    // "ファイル %s を作成できません"
    static Exception CannotCreate(const QString& fileName);
    // "ストリームからの読み込みエラー"
    static Exception ReadError();
    // "ストリームへの書き込みエラー"
    static Exception WriteError();

private:
    QString message_;
    std::string utf8_;
};
