#include "platform/DataFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace datafolder {
namespace {

const char* const kPhraseFiles[] = {"InsertTime.txt", "InsertFree1.txt", "InsertFree2.txt",
                                    "InsertPart.txt"};

Layout& Held() {
    static Layout layout;
    return layout;
}

bool HoldsSkins(const QString& folder) {
    return QFileInfo(QDir(folder).filePath(QStringLiteral("skin"))).isDir();
}

} // namespace

Environment CurrentEnvironment() {
    return {qEnvironmentVariable("XDG_DATA_HOME"), qEnvironmentVariable("HOME")};
}

QString ExecutableFolder() {
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath())
        .absolutePath();
}

Layout Choose(const QString& executableFolder, const Environment& environment) {
    Layout layout{false, executableFolder, executableFolder};
    if (HoldsSkins(executableFolder))
        return layout;
    const QString shared = QDir::cleanPath(executableFolder + QStringLiteral("/../share/tabuko"));
    if (!HoldsSkins(shared))
        return layout;
    layout.installed = true;
    layout.sharedFolder = shared;
    // A relative XDG_DATA_HOME is invalid and ignored, as the base directory rules say.
    QString dataHome = environment.xdgDataHome;
    if (!QDir::isAbsolutePath(dataHome))
        dataHome = environment.home.isEmpty() || !QDir::isAbsolutePath(environment.home)
                       ? QString()
                       : environment.home + QStringLiteral("/.local/share");
    layout.dataFolder =
        dataHome.isEmpty() ? QString() : QDir::cleanPath(dataHome + QStringLiteral("/tabuko"));
    return layout;
}

QString Enter(const Layout& layout) {
    if (!layout.installed)
        return {};
    if (layout.dataFolder.isEmpty())
        return QStringLiteral("データフォルダを決められません（HOME も XDG_DATA_HOME "
                              "もありません）。");
    const QByteArray path = QFile::encodeName(layout.dataFolder);
    struct stat info {};
    if (::stat(path.constData(), &info) != 0) {
        // First start: the parents as the base directory rules make them, the folder itself
        // for this user alone, then the shipped phrase files.
        const QString parent = QFileInfo(layout.dataFolder).absolutePath();
        if (!QDir().mkpath(parent) || ::mkdir(path.constData(), 0700) != 0)
            return QStringLiteral("データフォルダ %1 を作れません。").arg(layout.dataFolder);
        for (const char* name : kPhraseFiles) {
            const QString target = QDir(layout.dataFolder).filePath(QString::fromLatin1(name));
            if (QFile::copy(QDir(layout.sharedFolder).filePath(QString::fromLatin1(name)), target))
                QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
        }
        if (::stat(path.constData(), &info) != 0)
            return QStringLiteral("データフォルダ %1 を作れません。").arg(layout.dataFolder);
    }
    // Someone else's folder is not where this user's memos go.
    if (!S_ISDIR(info.st_mode))
        return QStringLiteral("%1 はフォルダではありません。").arg(layout.dataFolder);
    if (info.st_uid != ::getuid())
        return QStringLiteral("データフォルダ %1 の持ち主が違います。").arg(layout.dataFolder);
    if (::chdir(path.constData()) != 0)
        return QStringLiteral("データフォルダ %1 に入れません。").arg(layout.dataFolder);
    return {};
}

const Layout& Current() {
    return Held();
}

void SetCurrent(const Layout& layout) {
    Held() = layout;
}

QString ProgramFolder(const QString& executableFolder) {
    return Current().installed ? QDir::toNativeSeparators(Current().dataFolder) : executableFolder;
}

QStringList SkinRoots(const QString& programFolder) {
    QStringList roots{programFolder + QDir::separator() + QStringLiteral("skin")};
    if (Current().installed)
        roots << QDir::toNativeSeparators(Current().sharedFolder) + QDir::separator() +
                     QStringLiteral("skin");
    return roots;
}

QString Locate(const QString& programFolder, const QString& relative) {
    const QString own = programFolder + relative;
    if (!Current().installed || QFileInfo::exists(own))
        return own;
    const QString shipped = QDir::toNativeSeparators(Current().sharedFolder) + relative;
    return QFileInfo::exists(shipped) ? shipped : own;
}

QString Relative(const QString& folder, const QString& programFolder) {
    QString relative = folder;
    if (const qsizetype at = relative.indexOf(programFolder); at >= 0 && !programFolder.isEmpty())
        return relative.remove(at, programFolder.size());
    const QString shared = QDir::toNativeSeparators(Current().sharedFolder);
    if (Current().installed && !shared.isEmpty() && relative.startsWith(shared + QDir::separator()))
        return relative.remove(0, shared.size());
    return relative;
}

QString Description(const Layout& layout, const QString& currentFolder) {
    if (layout.installed)
        return QStringLiteral("データフォルダ: %1（インストール版。スキンはここの skin と %2 "
                              "から探します）\n")
            .arg(layout.dataFolder, QDir(layout.sharedFolder).filePath(QStringLiteral("skin")));
    return QStringLiteral("データフォルダ: %1（ポータブル版: 起動したフォルダ。プログラムは %2）\n")
        .arg(currentFolder, layout.dataFolder);
}

} // namespace datafolder
