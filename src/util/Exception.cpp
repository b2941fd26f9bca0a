#include "util/Exception.h"

Exception::Exception(QString message)
    : message_(std::move(message)), utf8_(message_.toUtf8().toStdString()) {}

Exception Exception::CannotOpen(const QString& fileName) {
    return Exception(QStringLiteral("ファイル %1 は開けません").arg(fileName));
}

Exception Exception::CannotCreate(const QString& fileName) {
    return Exception(QStringLiteral("ファイル %1 を作成できません").arg(fileName));
}

Exception Exception::ReadError() {
    return Exception(QStringLiteral("ストリームからの読み込みエラー"));
}

Exception Exception::WriteError() {
    return Exception(QStringLiteral("ストリームへの書き込みエラー"));
}
