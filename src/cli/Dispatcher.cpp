#include "cli/Dispatcher.h"

#include "cli/Transfer.h"
#include "instance/Channel.h"
#include "mainwindow/Image.h"
#include "mainwindow/Unit1.h"
#include "platform/Guard.h"
#include "platform/Platform.h"
#include "store/BoxCommands.h"
#include "store/BoxFile.h"
#include "util/CP932.h"
#include "util/Exception.h"

#include <QApplication>
#include <QTimer>
#include <exception>

namespace {

int BoxNumber(const QByteArray& text) {
    bool ok = false;
    const int box = text.toInt(&ok);
    if (!ok || box < 1 || box > 6)
        throw Exception(
            QStringLiteral("箱の番号が正しくありません: %1").arg(QString::fromUtf8(text)));
    return box;
}

// Adds memos to their boxes (index = box number) as the editor's OK stores one: into the lists
// in memo order, through the box files' sync, then the menus; all or none (AddToBoxes), so that
// lists and files agree after a failed write. The memo chosen in a box menu is known by its
// serial and stays chosen wherever it moves.
void StoreAdditions(TForm1& form, std::array<TMemoList, 7>& additions) {
    std::array<TMemoList*, 7> lists{};
    for (int n = 1; n <= 6; ++n)
        lists[std::size_t(n)] = &form.BoxMemoLists[std::size_t(n)];
    std::array<bool, 7> touched{};
    for (int n = 1; n <= 6; ++n)
        touched[std::size_t(n)] = !additions[std::size_t(n)].empty();
    std::exception_ptr failure;
    try {
        AddToBoxes(lists, additions);
    } catch (...) {
        failure = std::current_exception();
    }
    for (int n = 1; n <= 6; ++n)
        if (touched[std::size_t(n)])
            form.RebuildBoxMenu(form.BoxMemoLists[std::size_t(n)], form.PopupMenu[std::size_t(n)]);
    form.RefreshIndicators();
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace

CommandDispatcher::CommandDispatcher(QObject* parent) : QObject(parent) {}

QByteArray CommandDispatcher::Answer(const QByteArray& line) {
    try {
        Run(line);
        return channel::OkAnswer();
    } catch (const Exception& e) {
        return channel::ErrorAnswer(e.Message());
    }
}

void CommandDispatcher::Run(const QByteArray& line) {
    const channel::Command command = channel::ParseCommand(line);
    const QList<QByteArray>& args = command.arguments;
    TForm1& form = *Form1;
    // Windows open from the event loop: the answer must not wait for a modal window to close.
    const auto later = [this](std::function<void()> action) {
        QTimer::singleShot(0, this, [action = std::move(action)] { platform::Guard(action); });
    };

    if (command.verb == "show") {
        later([&form] { form.BringForward(); });
    } else if (command.verb == "hide" || command.verb == "toggle") {
        const bool hide = command.verb == "hide" || form.isVisible();
        if (!hide) {
            later([&form] { form.BringForward(); });
        } else if (form.isVisible()) {
            // Without a notification-area icon the wall is the only way to reach the program.
            if (!form.TrayIconReachable())
                throw Exception(QStringLiteral(
                    "通知領域のアイコンがないため、ウィンドウを隠すことはできません。"));
            form.WinHideClick();
        }
    } else if (command.verb == "new" && !args.isEmpty()) {
        const int box = BoxNumber(args[0]);
        form.RequireWritableBox(box);
        const QString text = args.size() > 1 ? QString::fromUtf8(args[1]) : QString();
        if (text.isEmpty()) {
            later([&form, box] {
                // An open editor or dialog is brought forward rather than opened twice.
                if (QApplication::activeModalWidget())
                    form.BringForward();
                else
                    form.ImageFolderDblClick(form.Image[std::size_t(box)]);
            });
            return;
        }
        std::array<TMemoList, 7> additions;
        additions[std::size_t(box)].push_back(cli::NewMemo(text, platform::Current().Now()));
        StoreAdditions(form, additions);
    } else if (command.verb == "search") {
        // No text keeps the last query.
        const QString text =
            args.isEmpty() || args[0].isEmpty() ? QString() : QString::fromUtf8(args[0]);
        later([this, text] { emit SearchRequested(text); });
    } else if (command.verb == "export" && args.size() == 1) {
        std::array<const TMemoList*, 7> lists{};
        std::array<QString, 7> names;
        QStringList unavailable;
        for (int n = 1; n <= 6; ++n) {
            names[std::size_t(n)] = cp932::Decode(form.BoxName(n));
            if (form.BoxUnavailable[std::size_t(n)].isEmpty())
                lists[std::size_t(n)] = &form.BoxMemoLists[std::size_t(n)];
            else
                unavailable << QStringLiteral("%1（%2）")
                                   .arg(BoxFileName(n), form.BoxUnavailable[std::size_t(n)]);
        }
        cli::ExportBoxes(QString::fromUtf8(args[0]), lists, names);
        if (!unavailable.isEmpty())
            throw Exception(QStringLiteral("次の箱は読み込めないため書き出していません: ") +
                            unavailable.join(QStringLiteral("、")));
    } else if (command.verb == "import" && !args.isEmpty() && args.size() % 2 == 0) {
        std::array<TMemoList, 7> additions;
        for (qsizetype i = 0; i < args.size(); i += 2) {
            const int box = BoxNumber(args[i]);
            form.RequireWritableBox(box);
            TMemoList& list = additions[std::size_t(box)];
            if (ParseBoxFile(
                    std::string_view(args[i + 1].constData(), std::size_t(args[i + 1].size())),
                    list)
                    .damaged)
                throw Exception(QStringLiteral("取り込むメモのデータが壊れています。"));
        }
        // Memos already there are left out, so that importing a file again adds nothing.
        for (int n = 1; n <= 6; ++n)
            cli::DropPresent(additions[std::size_t(n)], form.BoxMemoLists[std::size_t(n)]);
        StoreAdditions(form, additions);
    } else {
        throw Exception(
            QStringLiteral("不明なコマンドです: %1").arg(QString::fromUtf8(line.left(40))));
    }
}
