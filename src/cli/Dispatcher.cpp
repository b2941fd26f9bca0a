#include "cli/Dispatcher.h"

#include "cli/Transfer.h"
#include "instance/Channel.h"
#include "mainwindow/Image.h"
#include "mainwindow/Unit1.h"
#include "platform/CP932.h"
#include "platform/Exception.h"
#include "platform/Guard.h"
#include "platform/Platform.h"
#include "store/BoxCommands.h"
#include "store/BoxFile.h"

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

// Adds memos to box n as the editor's OK stores one (AddMemos), then rebuilds the box's menu;
// the memo chosen in a box menu stays chosen (by its serial) wherever it moves.
void AddToBox(TForm1& form, int n, TMemoList memos) {
    TMemoList& list = form.BoxMemoLists[std::size_t(n)];
    std::exception_ptr failure;
    try {
        AddMemos(list, BoxFileName(n), std::move(memos));
    } catch (...) {
        failure = std::current_exception();
    }
    form.RebuildBoxMenu(list, form.PopupMenu[std::size_t(n)]);
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
        TMemoList memos;
        memos.push_back(cli::NewMemo(text, platform::Current().Now()));
        AddToBox(form, box, std::move(memos));
        form.RefreshIndicators();
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
        std::exception_ptr failure;
        for (int n = 1; n <= 6 && !failure; ++n) {
            if (additions[std::size_t(n)].empty())
                continue;
            try {
                AddToBox(form, n, std::move(additions[std::size_t(n)]));
            } catch (...) {
                failure = std::current_exception();
            }
        }
        form.RefreshIndicators();
        if (failure)
            std::rethrow_exception(failure);
    } else {
        throw Exception(
            QStringLiteral("不明なコマンドです: %1").arg(QString::fromUtf8(line.left(40))));
    }
}
