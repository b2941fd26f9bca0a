#include "cli/Offline.h"

#include "cli/Transfer.h"
#include "platform/DataFolder.h"
#include "platform/Files.h"
#include "store/BoxCommands.h"
#include "store/BoxFile.h"
#include "store/BoxSync.h"
#include "util/CP932.h"
#include "util/Exception.h"
#include "util/IniFile.h"

#include <QDir>
#include <QFile>

namespace cli::offline {
namespace {

// Reads box n; a damaged file is kept as a copy (once) and its readable memos are used.
void ReadBox(int n, TMemoList& list, QStringList& notes) {
    if (ReadBoxFile(n, list).damaged && !HasDamagedCopy(BoxFileName(n))) {
        const QString copy = KeepDamagedCopy(BoxFileName(n));
        notes << (copy.isEmpty()
                      ? QStringLiteral(
                            "ボックスファイル %1 は壊れていました（控えを作れませんでした）。"
                            "読み込めたメモだけを使います。")
                            .arg(BoxFileName(n))
                      : QStringLiteral("ボックスファイル %1 は壊れていたため、控え %2 を残し、"
                                       "読み込めたメモだけを使います。")
                            .arg(BoxFileName(n), copy));
    }
}

} // namespace

std::array<QString, 7> BoxNames(const QString& programFolder) {
    const IniFile settings = IniFile::Load(QDir(programFolder).filePath("TabukoExc.ini"));
    const QString chosen =
        datafolder::Locate(programFolder, platform::NativePath(cp932::Decode(settings.ReadString(
                                              "Skin", "Folder", "\\skin\\default"))));
    QString skinIni = QDir(chosen).filePath(QStringLiteral("skin.ini"));
    if (!QFile::exists(skinIni))
        skinIni = datafolder::Locate(programFolder, QStringLiteral("/skin/default/skin.ini"));
    IniFile skin;
    try {
        skin = IniFile::Load(skinIni);
    } catch (const Exception&) {
        // Names are only labels of the export files: without a readable skin they are "メモ".
    }
    std::array<QString, 7> names;
    for (int n = 1; n <= 6; ++n)
        names[std::size_t(n)] = cp932::Decode(skin.ReadString(
            "Box" + std::to_string(n), "Element", cp932::Encode(QStringLiteral("メモ"))));
    return names;
}

void AddMemos(std::array<TMemoList, 7>& additions, QStringList& notes, bool dropPresent) {
    std::array<TMemoList, 7> lists;
    std::array<TMemoList*, 7> targets{};
    for (int n = 1; n <= 6; ++n) {
        targets[std::size_t(n)] = &lists[std::size_t(n)];
        if (!additions[std::size_t(n)].empty())
            ReadBox(n, lists[std::size_t(n)], notes);
    }
    if (dropPresent)
        for (int n = 1; n <= 6; ++n)
            DropPresent(additions[std::size_t(n)], lists[std::size_t(n)]);
    AddToBoxes(targets, additions);
}

void Export(const QString& folder, const std::array<QString, 7>& boxNames, QStringList& notes) {
    std::array<TMemoList, 7> lists;
    std::array<const TMemoList*, 7> readable{};
    QStringList failed;
    for (int n = 1; n <= 6; ++n) {
        try {
            ReadBox(n, lists[std::size_t(n)], notes);
            SortMemos(lists[std::size_t(n)]);
            readable[std::size_t(n)] = &lists[std::size_t(n)];
        } catch (const Exception& e) {
            failed << e.Message();
        }
    }
    ExportBoxes(folder, readable, boxNames);
    if (!failed.isEmpty())
        throw Exception(QStringLiteral("次の箱は読み込めないため書き出していません: ") +
                        failed.join(QStringLiteral("、")));
}

} // namespace cli::offline
