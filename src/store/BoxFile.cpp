#include "store/BoxFile.h"

#include "platform/Exception.h"
#include "platform/Files.h"
#include "store/BoxSync.h"
#include "store/FileAccess.h"

#include <QFile>
#include <algorithm>

QString BoxFileName(int box) {
    return QString::number(box) + QStringLiteral(".dat");
}

BoxFileReadResult ParseBoxFile(std::string_view bytes, TMemoList& list) {
    BoxFileReadResult result;
    if (bytes.empty())
        return result;
    std::size_t pos = 0;
    try {
        const std::int32_t count = FileAccess::ReadInt32(bytes, pos);
        // A record takes at least 24 bytes; a damaged count must not reserve more than fits.
        if (count > 0)
            list.reserve(list.size() + std::min(std::size_t(count), (bytes.size() - pos) / 24));
        for (std::int32_t i = 0; i < count; ++i) {
            auto memo = std::make_unique<TMemoData>(TMemoData::FromFile{});
            memo->LoadFromStream(bytes, pos);
            list.push_back(std::move(memo));
        }
    } catch (const Exception&) {
        result.damaged = true;
    }
    return result;
}

std::string BoxFileBytes(const TMemoList& list) {
    std::string out;
    FileAccess::WriteInt32(out, static_cast<std::int32_t>(list.size()));
    for (const auto& memo : list)
        memo->SaveToStream(out);
    return out;
}

BoxFileReadResult ReadBoxFile(int box, TMemoList& list) {
    const QString name = BoxFileName(box);
    QFile file(name);
    if (!file.exists()) {
        BoxFiles().Remember(name, {});
        return {};
    }
    if (!file.open(QIODevice::ReadOnly))
        throw Exception::CannotOpen(name);
    const QByteArray read = file.readAll();
    file.close();
    std::string bytes(read.constData(), std::size_t(read.size()));
    const BoxFileReadResult result = ParseBoxFile(bytes, list);
    BoxFiles().Remember(name, std::move(bytes));
    return result;
}

void WriteBoxFile(const QString& fileName, const TMemoList& list) {
    std::string bytes = BoxFileBytes(list);
    platform::SaveFile(fileName, bytes);
    BoxFiles().Remember(fileName, std::move(bytes));
}

QString KeepDamagedCopy(const QString& fileName) {
    for (int i = 1; i < 1000; ++i) {
        const QString copy =
            fileName + QStringLiteral(".damaged") + (i > 1 ? QString::number(i) : QString());
        if (QFile::exists(copy))
            continue;
        return QFile::copy(fileName, copy) ? copy : QString();
    }
    return {};
}
