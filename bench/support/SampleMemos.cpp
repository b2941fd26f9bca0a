#include "SampleMemos.h"

#include "store/BoxFile.h"
#include "util/CP932.h"

#include <QString>

namespace bench {
namespace {

constexpr TDateTime kFirstDate = 46000.5; // 2025-12-09 12:00

std::unique_ptr<TMemoData> MakeMemo(std::size_t i, TDateTime date) {
    auto memo = std::make_unique<TMemoData>();
    memo->Lines = {
        cp932::Encode(QStringLiteral("メモ 第%1号：買い物と予定").arg(i)),
        cp932::Encode(QStringLiteral("牛乳、卵、食パン、りんごを忘れずに買うこと。")),
        cp932::Encode(QStringLiteral("会議は午後三時から第二会議室。資料は前日までに用意する。")),
        cp932::Encode(QStringLiteral("連絡先：山田さん（内線%1）").arg(1000 + i % 9000)),
    };
    memo->MemoDate = date;
    memo->SavedAt = date;
    return memo;
}

} // namespace

TMemoList SampleMemos(std::size_t count) {
    TMemoList list;
    list.reserve(count + 1);
    for (std::size_t i = 0; i < count; ++i)
        list.push_back(MakeMemo(i + 1, kFirstDate - double(i) / 1440.0)); // a minute apart
    return list;
}

std::unique_ptr<TMemoData> NewestMemo() {
    return MakeMemo(0, kFirstDate + 1.0);
}

std::string SampleBoxBytes(std::size_t count) {
    return BoxFileBytes(SampleMemos(count));
}

} // namespace bench
