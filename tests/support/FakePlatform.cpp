#include "FakePlatform.h"

#include "platform/Exception.h"
#include "platform/RegionStore.h"

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

int FakePlatform::MessageBox(const QString& text, const QString& caption, unsigned type) {
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

void FakePlatform::SaveFile(const QString& path, const std::string& bytes) {
    ++saveCalls;
    const bool fail = failSaveAt > 0 && --failSaveAt == 0;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || (fail && failSaveStage == SaveFailure::AtStart))
        throw Exception::CannotCreate(path);
    const qint64 size = qint64(bytes.size());
    const qint64 first = (fail && failSaveStage == SaveFailure::HalfWay) ? size / 2 : size;
    if (file.write(bytes.data(), first) != first) {
        file.cancelWriting();
        throw Exception::WriteError();
    }
    if (fail && failSaveStage == SaveFailure::HalfWay) {
        file.cancelWriting();
        throw Exception::WriteError();
    }
    if (fail && failSaveStage == SaveFailure::AtCommit) {
        file.cancelWriting();
        throw Exception::WriteError();
    }
    if (!file.commit())
        throw Exception::WriteError();
    savedFiles.push_back(path);
}
