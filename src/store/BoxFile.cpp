#include "store/BoxFile.h"

#include "platform/Files.h"
#include "store/BoxSync.h"
#include "store/FileAccess.h"
#include "util/Exception.h"

#include <QFile>
#include <algorithm>

QString BoxFileName(int box) {
    return QString::number(box) + QStringLiteral(".dat");
}

BoxFileReadResult ParseBoxFile(std::string_view bytes, TMemoList& list) {
    BoxFileReadResult result;
    // The program never writes a file of 0 bytes: only a failed write leaves one.
    if (bytes.empty()) {
        result.damaged = true;
        return result;
    }
    std::size_t pos = 0;
    try {
        const std::int32_t count = FileAccess::ReadInt32(bytes, pos);
        // An empty box is exactly its 4-byte count; records behind a count of 0 or less mean a
        // damaged count, and reading it as an empty box would let the next write drop them.
        if (count <= 0 && pos < bytes.size())
            result.damaged = true;
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
        BoxFiles().Remember(name, {}, {});
        return {};
    }
    if (!file.open(QIODevice::ReadOnly))
        throw Exception::CannotOpen(name);
    const platform::FileStamp stamp = platform::StampOf(file);
    std::string bytes = platform::ReadRest(file);
    file.close();
    const BoxFileReadResult result = ParseBoxFile(bytes, list);
    BoxFiles().Remember(name, std::move(bytes), stamp);
    return result;
}

void WriteBoxFile(const QString& fileName, const TMemoList& list) {
    std::string bytes = BoxFileBytes(list);
    const platform::FileStamp stamp = platform::SaveFile(fileName, bytes);
    BoxFiles().Remember(fileName, std::move(bytes), stamp);
}

namespace {

QString DamagedCopyName(const QString& fileName, int i) {
    return fileName + QStringLiteral(".damaged") + (i > 1 ? QString::number(i) : QString());
}

constexpr int kMaxDamagedCopies = 1000;

} // namespace

bool HasDamagedCopy(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    for (int i = 1; i < kMaxDamagedCopies; ++i) {
        QFile copy(DamagedCopyName(fileName, i));
        if (!copy.exists())
            continue;
        if (copy.size() == bytes.size() && copy.open(QIODevice::ReadOnly) &&
            copy.readAll() == bytes)
            return true;
    }
    return false;
}

QString KeepDamagedCopy(const QString& fileName) {
    for (int i = 1; i < kMaxDamagedCopies; ++i) {
        const QString copy = DamagedCopyName(fileName, i);
        if (QFile::exists(copy))
            continue;
        return QFile::copy(fileName, copy) ? copy : QString();
    }
    return {};
}
