// The phrase sub-menus of the editor's context menu, the phrase files and the date window.
#include "editor/Unit2.h"

#include "editor/Unit5.h"
#include "mainwindow/Unit1.h"
#include "platform/CP932.h"
#include "platform/Exception.h"
#include "platform/Guard.h"
#include "platform/IniFile.h"
#include "platform/LineSplit.h"
#include "platform/Platform.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QMenu>

namespace {

const char* const kInsertTime = "InsertTime.txt";
const char* const kInsertFree1 = "InsertFree1.txt";
const char* const kInsertFree2 = "InsertFree2.txt";
const char* const kInsertPart = "InsertPart.txt";

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
    const IniFile settings = Form1->ReadSettings();
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
        const std::vector<std::string> lines =
            text::SplitLines(ReadPhraseFile(QString::fromLatin1(fileName)));
        menu->clear();
        for (const std::string& line : lines) {
            // The caption is the line as written: "&" marks the access key and "-" alone is a
            // separator. The raw bytes are what gets inserted.
            QAction* item =
                line == "-" ? menu->addSeparator() : menu->addAction(cp932::Decode(line));
            item->setData(QByteArray(line.data(), qsizetype(line.size())));
            connect(item, &QAction::triggered, this,
                    platform::Guarded([this, item] { PhraseItemClick(item); }));
        }
    }
}

void TForm2::PhraseItemClick(QAction* item) {
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
    Form5->move(platform::Current().GetCursorPos());
    platform::Current().ShowModal(Form5);
}
