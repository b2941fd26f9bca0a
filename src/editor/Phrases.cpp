// The phrase sub-menus of the editor's context menu, the phrase files and the date window.
#include "editor/Unit2.h"

#include "editor/PhraseFile.h"
#include "editor/Unit5.h"
#include "platform/Guard.h"
#include "platform/Platform.h"
#include "ui/Position.h"
#include "ui/Settings.h"
#include "util/CP932.h"
#include "util/Exception.h"
#include "util/IniFile.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QMenu>

namespace {

const char* const kInsertTime = "InsertTime.txt";
const char* const kInsertFree1 = "InsertFree1.txt";
const char* const kInsertFree2 = "InsertFree2.txt";
const char* const kInsertPart = "InsertPart.txt";
// Property of a phrase item whose phrase CP932 cannot hold: the first such character.
const char* const kUnencodable = "unencodable";

// The whole phrase file as bytes; one that cannot be opened raises "ファイル %s は開けません".
std::string ReadPhraseFile(const QString& fileName) {
    QFile file(fileName);
    if (QFileInfo(fileName).isDir() || !file.open(QIODevice::ReadOnly))
        throw Exception::CannotOpen(fileName);
    const QByteArray bytes = file.readAll();
    return std::string(bytes.constData(), std::size_t(bytes.size()));
}

} // namespace

void TForm2::PopupMenu1Popup() {
    const IniFile settings = settings_.Read();
    const QString phrase1 = cp932::Decode(
        settings.ReadString("EditWindow", "Phrase1", cp932::Encode(QStringLiteral("フレーズ１"))));
    const QString phrase2 = cp932::Decode(
        settings.ReadString("EditWindow", "Phrase2", cp932::Encode(QStringLiteral("フレーズ２"))));
    N6->setTitle(phrase1);
    N7->setTitle(phrase2);
    N13->setText(phrase1);
    N14->setText(phrase2);

    const std::pair<const char*, QMenu*> menus[] = {
        {kInsertTime, N5}, {kInsertFree1, N6}, {kInsertFree2, N7}, {kInsertPart, N8}};
    for (const auto& [fileName, menu] : menus) {
        const std::vector<phrases::Phrase> lines =
            phrases::Read(ReadPhraseFile(QString::fromLatin1(fileName)));
        menu->clear();
        for (const phrases::Phrase& line : lines) {
            // The caption is the line as written: "&" marks the access key and "-" alone is a
            // separator. The CP932 bytes are what gets inserted.
            const QString caption = line.unencodable ? line.text : cp932::Decode(line.bytes);
            QAction* item =
                caption == QLatin1String("-") ? menu->addSeparator() : menu->addAction(caption);
            item->setData(QByteArray(line.bytes.data(), qsizetype(line.bytes.size())));
            if (line.unencodable)
                item->setProperty(kUnencodable, uint(*line.unencodable));
            connect(item, &QAction::triggered, this,
                    platform::Guarded([this, item] { PhraseItemClick(item); }));
        }
    }
}

void TForm2::PhraseItemClick(QAction* item) {
    // A phrase the box files cannot hold is refused, as typed text is at OK.
    if (const QVariant bad = item->property(kUnencodable); bad.isValid()) {
        const auto cp = char32_t(bad.toUInt());
        platform::Current().MessageBox(
            QStringLiteral(
                "「%1」（%2）はメモに保存できない文字です。\n"
                "この文字を含むフレーズは挿入できません。フレーズファイルを直してください。")
                .arg(QString::fromUcs4(&cp, 1), cp932::CodePointName(cp)),
            QStringLiteral("Tabuko"), platform::MB_OK | platform::MB_ICONWARNING);
        return;
    }
    const QByteArray bytes = item->data().toByteArray();
    ReplaceSelection(cp932::Decode(std::string_view(bytes.constData(), std::size_t(bytes.size()))));
}

void TForm2::OpenPhraseFile(const char* fileName) {
    if (!QFileInfo(QString::fromLatin1(fileName)).isFile())
        return;
    platform::Current().ShellExecuteA("open", fileName, platform::SW_SHOW);
}

void TForm2::N12Click() {
    OpenPhraseFile(kInsertTime);
}
void TForm2::N13Click() {
    OpenPhraseFile(kInsertFree1);
}
void TForm2::N14Click() {
    OpenPhraseFile(kInsertFree2);
}
void TForm2::N15Click() {
    OpenPhraseFile(kInsertPart);
}

void TForm2::N4Click() {
    PlaceWindow(Form5.Get(), platform::Current().GetCursorPos());
    platform::Current().ShowModal(Form5.Get());
}
