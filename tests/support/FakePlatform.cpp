#include "FakePlatform.h"

#include "platform/FileReplace.h"
#include "platform/RegionStore.h"
#include "util/Exception.h"

#include <QDialog>
#include <QMenu>
#include <QSaveFile>

FakePlatform::FakePlatform() : regions(std::make_unique<platform::RegionStore>()) {}

FakePlatform::~FakePlatform() = default;

FakePlatform::Scope::Scope() : fake(std::make_unique<FakePlatform>()) {
    platform::SetCurrent(fake.get());
}

FakePlatform::Scope::~Scope() {
    platform::SetCurrent(nullptr);
}

void FakePlatform::Popup(QMenu* menu, QPoint screenPos) {
    popups.push_back({menu, screenPos});
    emit menu->aboutToShow();
}

int FakePlatform::ShowModal(QDialog* dialog) {
    modalShown.push_back(dialog);
    dialog->setResult(0);
    dialog->show();
    if (onModal)
        onModal(dialog);
    if (dialog->isVisible())
        dialog->reject();
    return dialog->result();
}

int FakePlatform::ShowMessageBox(const QString& text, const QString& caption, unsigned type) {
    messageBoxes.push_back({text, caption, type});
    if (messageBoxAnswers.empty())
        return platform::IDOK;
    const int answer = messageBoxAnswers.front();
    messageBoxAnswers.pop_front();
    return answer;
}

int FakePlatform::ShellExecuteA(const std::string& operation, const std::string& file,
                                int showCommand) {
    shellCalls.push_back({operation, file, showCommand});
    return 42;
}

platform::FileStamp FakePlatform::SaveFile(const QString& path, const std::string& bytes) {
    ++saveCalls;
    const bool fail = (failSaveAt > 0 && --failSaveAt == 0) || diskFull;
    if (fail) {
        // The failure is made on a real temporary file, which is then dropped as a failed
        // replace drops it: the old file stays as it was.
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || failSaveStage == SaveFailure::AtStart)
            throw Exception::CannotCreate(path);
        const qint64 size = qint64(bytes.size());
        file.write(bytes.data(), failSaveStage == SaveFailure::HalfWay ? size / 2 : size);
        file.cancelWriting();
        throw Exception::WriteError();
    }
    const platform::FileStamp stamp = platform::ReplaceFileWhole(path, bytes);
    savedFiles.push_back(path);
    if (afterSave)
        afterSave(path);
    return stamp;
}
