#include "cli/Transfer.h"

#include "platform/FileReplace.h"
#include "util/CP932.h"
#include "util/DateTime.h"
#include "util/Exception.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>
#include <cmath>
#include <set>
#include <utility>

namespace cli {
namespace {

const QDate kEpoch(1899, 12, 30);
constexpr qint64 kMsPerDay = 86'400'000;
const QString kMagic = QStringLiteral("# Tabuko: ");

QStringList SplitLines(const QString& text) {
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    return text.split(lineEnd);
}

QString Decoded(const QByteArray& bytes) {
    QByteArray body = bytes;
    if (body.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(body.mid(3));
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(body);
    if (!utf8.hasError())
        return text;
    return cp932::Decode(std::string_view(body.constData(), std::size_t(body.size())));
}

Exception Unreadable(const QString& fileName, qsizetype line) {
    return Exception(QStringLiteral("ファイル %1 の %2 行目を書き出したメモとして読めません")
                         .arg(QDir::toNativeSeparators(fileName))
                         .arg(line + 1));
}

} // namespace

std::vector<std::string> MemoLines(const QString& text, const QString& where) {
    QStringList lines = SplitLines(cp932::FoldLookAlikes(text));
    if (lines.size() > 1 && lines.back().isEmpty())
        lines.removeLast();
    const QString folded = lines.join(QLatin1Char('\n'));
    // A box file's text ends at a NUL byte: what follows it would be lost at the next start.
    if (folded.contains(QChar(0)))
        throw Exception((where.isEmpty() ? QString() : where + QStringLiteral(": ")) +
                        QStringLiteral("NUL 文字はメモに保存できません。何も保存していません。"));
    if (const auto bad = cp932::FirstUnencodable(folded))
        throw Exception(
            (where.isEmpty() ? QString() : where + QStringLiteral(": ")) +
            QStringLiteral("「%1」（%2）はメモに保存できない文字です。何も保存していません。")
                .arg(QString::fromUcs4(&*bad, 1), cp932::CodePointName(*bad)));
    std::vector<std::string> out;
    out.reserve(std::size_t(lines.size()));
    for (const QString& line : lines)
        out.push_back(cp932::Encode(line));
    return out;
}

std::unique_ptr<TMemoData> NewMemo(const QString& text, TDateTime now) {
    auto memo = std::make_unique<TMemoData>(TMemoData::FromFile{});
    memo->Lines = MemoLines(text);
    memo->MemoDate = now;
    memo->SavedAt = now;
    memo->SortKey = 0;
    return memo;
}

QString ExportFileName(int box, const QString& boxName) {
    QString name = boxName;
    for (QChar& c : name)
        if (c.unicode() < 0x20 || QStringLiteral("/\\:*?\"<>|").contains(c))
            c = QLatin1Char('_');
    return QStringLiteral("%1-%2.txt").arg(box).arg(name.trimmed());
}

QString ExportDate(TDateTime value) {
    const QDateTime moment = datetime::ToQDateTime(value);
    return datetime::FormatDate(moment.date()) + QLatin1Char(' ') +
           moment.time().toString(QStringLiteral("HH:mm:ss.zzz"));
}

bool ParseExportDate(const QString& text, TDateTime& value) {
    static const QRegularExpression form(
        QStringLiteral(R"(^(\d{4,})\.(\d\d)\.(\d\d)\(.\) (\d\d):(\d\d):(\d\d)\.(\d\d\d)$)"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return false;
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt(),
                     m.captured(7).toInt());
    if (!date.isValid() || !time.isValid())
        return false;
    const double days = double(kEpoch.daysTo(date));
    const double fraction = double(time.msecsSinceStartOfDay()) / double(kMsPerDay);
    // Before the epoch the fraction counts away from it, as the stored values do.
    value = days < 0 ? days - fraction : days + fraction;
    return true;
}

QByteArray ExportText(int box, const QString& boxName, const TMemoList& list) {
    QString out = kMagic + QString::number(box) + QLatin1Char(' ') + boxName + QLatin1Char('\n');
    for (const auto& memo : list) {
        out += QStringLiteral("\n=== %1 (%2行) ===\n")
                   .arg(ExportDate(memo->MemoDate))
                   .arg(memo->Lines.size());
        for (const std::string& line : memo->Lines)
            out += cp932::Decode(line) + QLatin1Char('\n');
    }
    return out.toUtf8();
}

void ExportBoxes(const QString& folder, const std::array<const TMemoList*, 7>& lists,
                 const std::array<QString, 7>& boxNames) {
    if (!QDir().mkpath(folder))
        throw Exception(
            QStringLiteral("フォルダ %1 を作成できません").arg(QDir::toNativeSeparators(folder)));
    for (int n = 1; n <= 6; ++n) {
        if (!lists[std::size_t(n)])
            continue;
        const QByteArray text = ExportText(n, boxNames[std::size_t(n)], *lists[std::size_t(n)]);
        platform::ReplaceFileWhole(
            QDir(folder).filePath(ExportFileName(n, boxNames[std::size_t(n)])),
            std::string(text.constData(), std::size_t(text.size())));
    }
}

ImportedFile ParseImportFile(const QString& fileName, const QByteArray& bytes, TDateTime fileDate,
                             TDateTime now) {
    const QString name = QDir::toNativeSeparators(fileName);
    const QString text = Decoded(bytes);
    ImportedFile out;
    if (!text.startsWith(kMagic)) {
        if (text.isEmpty())
            throw Exception(
                QStringLiteral("ファイル %1 は空です。何も保存していません。").arg(name));
        auto memo = std::make_unique<TMemoData>(TMemoData::FromFile{});
        memo->Lines = MemoLines(text, name);
        memo->MemoDate = fileDate;
        memo->SavedAt = now;
        out.memos.push_back(std::move(memo));
        return out;
    }

    static const QRegularExpression header(QStringLiteral(R"(^=== (.+) \((\d+)行\) ===$)"));
    const QStringList lines = SplitLines(text);
    bool ok = false;
    out.box = lines.first().mid(kMagic.size()).section(QLatin1Char(' '), 0, 0).toInt(&ok);
    if (!ok || out.box < 1 || out.box > 6)
        throw Unreadable(fileName, 0);
    qsizetype i = 1;
    while (i < lines.size()) {
        if (lines[i].isEmpty()) {
            ++i;
            continue;
        }
        const QRegularExpressionMatch m = header.match(lines[i]);
        TDateTime date = 0;
        bool countOk = false;
        const qsizetype count = m.hasMatch() ? m.captured(2).toLongLong(&countOk) : 0;
        if (!m.hasMatch() || !countOk || !ParseExportDate(m.captured(1), date) ||
            count > lines.size() - i - 1)
            throw Unreadable(fileName, i);
        const QStringList memoLines = lines.mid(i + 1, count);
        auto memo = std::make_unique<TMemoData>(TMemoData::FromFile{});
        // Lines are taken one by one: an empty last line is part of the memo here.
        for (qsizetype k = 0; k < memoLines.size(); ++k) {
            std::vector<std::string> encoded =
                MemoLines(memoLines[k], QStringLiteral("%1 の %2 行目").arg(name).arg(i + 2 + k));
            memo->Lines.push_back(encoded.empty() ? std::string() : std::move(encoded.front()));
        }
        memo->MemoDate = date;
        memo->SavedAt = now;
        out.memos.push_back(std::move(memo));
        i += 1 + count;
        if (i < lines.size() && !lines[i].isEmpty())
            throw Unreadable(fileName, i);
    }
    return out;
}

ImportedFile ReadImportFile(const QString& fileName, TDateTime now) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception::CannotOpen(QDir::toNativeSeparators(fileName));
    const QByteArray bytes = file.readAll();
    const QDateTime changed = QFileInfo(file).lastModified();
    return ParseImportFile(fileName, bytes, datetime::FromQDateTime(changed), now);
}

std::size_t DropPresent(TMemoList& incoming, const TMemoList& box) {
    using Key = std::pair<QString, std::vector<std::string>>;
    const auto key = [](const TMemoData& memo) {
        return Key(ExportDate(memo.MemoDate), memo.Lines);
    };
    std::set<Key> present;
    for (const auto& memo : box)
        present.insert(key(*memo));
    const std::size_t before = incoming.size();
    std::erase_if(incoming, [&](const auto& memo) { return !present.insert(key(*memo)).second; });
    return before - incoming.size();
}

std::array<TMemoList, 7> ImportTargets(std::vector<ImportedFile> files, int box) {
    std::array<TMemoList, 7> targets;
    for (ImportedFile& file : files) {
        const int to = box != 0 ? box : file.box != 0 ? file.box : 1;
        for (auto& memo : file.memos)
            targets[std::size_t(to)].push_back(std::move(memo));
    }
    return targets;
}

} // namespace cli
