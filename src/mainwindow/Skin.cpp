// The skins of the main window: loading the current skin, the skin menu and the skin information.
#include "mainwindow/FormRgn.h"
#include "mainwindow/Image.h"
#include "mainwindow/SkinColor.h"
#include "mainwindow/Unit1.h"
#include "mainwindow/Unit4.h"
#include "platform/DataFolder.h"
#include "platform/Files.h"
#include "platform/Guard.h"
#include "platform/Platform.h"
#include "trayicon/TrayIcon.h"
#include "ui/Picture.h"
#include "util/CP932.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QMenu>
#include <QPixmap>
#include <algorithm>

namespace {

constexpr std::uint32_t kWallTransparentColor = 0x00FF00; // pure green, "clLime"
// A wall wider or higher than this is refused: no screen shows it, and its outline would be
// more than the window system takes.
constexpr int kMaxWallSide = 8192;
// The shipped default skin, compiled into the program.
const QString kBuiltInSkinFolder = QStringLiteral(":/tabuko/builtin-skin");

QString Joined(const QString& folder, const QString& name) {
    return folder + QDir::separator() + name;
}

// The default skin: the user's skin/default, or else the shipped one.
QString DefaultSkinFolder(const QString& programFolder) {
    return datafolder::Locate(programFolder,
                              platform::NativePath(QStringLiteral("\\skin\\default")));
}

std::string BoxSection(int box) {
    return "Box" + std::to_string(box);
}

// The skin description of a skin menu entry; an entry without a readable one (a plain file, a
// folder without skin.ini, a file the user may not read) has none.
IniFile ReadSkinIniQuietly(const QString& path) {
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return IniFile();
    const QByteArray bytes = file.readAll();
    return IniFile::FromBytes(std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

// A menu caption that shows the text as it is: "&" would otherwise mark an access key.
QString MenuCaption(const QString& text) {
    QString caption = text;
    caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return caption;
}

} // namespace

LazyWindow<TForm4> Form4([] {
    return new TForm4(Form1->ProgramSettings(),
                      [] { return std::make_unique<TrayIconPause>(*Form1); });
});

int CompareSkinNames(const TSkinName& a, const TSkinName& b) {
    const std::string& x = a.DisplayName;
    const std::string& y = b.DisplayName;
    const std::size_t common = std::min(x.size(), y.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto cx = static_cast<unsigned char>(x[i]);
        const auto cy = static_cast<unsigned char>(y[i]);
        if (cx != cy)
            return cx < cy ? -1 : 1;
    }
    if (x.size() == y.size())
        return 0;
    return x.size() < y.size() ? -1 : 1;
}

void TForm1::ApplySkinFolder(const QString& folder) {
    SkinFolder = folder;
    ApplySkin();
}

void TForm1::ApplySkin() {
    // 1. A skin folder that is gone gives the default skin.
    if (!QFileInfo(SkinFolder).isDir())
        SkinFolder = DefaultSkinFolder(ProgramFolder);

    // 2. The skin description, held until the next skin is applied.
    SkinIni = IniFile();
    SkinIni = IniFile::Load(Joined(SkinFolder, QStringLiteral("skin.ini")));

    // 3. The wall.
    const QString wallFile =
        SkinIni.ValueExists("WallPaper", "Image")
            ? SkinFile(SkinIni.ReadString("WallPaper", "Image", ""))
            : datafolder::Locate(ProgramFolder,
                                 platform::NativePath(QStringLiteral("\\skin\\default\\wall.bmp")));
    ImageWall->SetPicture(LoadPicture(wallFile, kMaxWallSide));

    // 4. The window takes the wall's size, and the wall the window's.
    const TPicture& wall = ImageWall->Picture();
    setFixedSize(wall.Width(), wall.Height());
    ImageWall->resize(width(), height());

    // 5. The window's outline: every pixel of the wall but the pure green ones.
    ImageWall->SetTransparent(true);
    ImageWall->SetTransparentColor(kWallTransparentColor);
    ImageWall->BuildRegion();
    ImageWall->ApplyRegion();

    // 6. The box button bitmaps.
    for (int n = 1; n <= 6; ++n)
        BoxButtonImages[n] = SkinFile(SkinIni.ReadString(BoxSection(n), "ImageBtn", ""));

    // 7. The menu pictures: all memo-menu items, then the new-memo items, then the box list.
    for (int n = 1; n <= 6; ++n)
        Move[n]->setIcon(ButtonPicture(BoxButtonImages[n]));
    for (int n = 1; n <= 5; ++n)
        MenuAplNew[n]->setIcon(ButtonPicture(BoxButtonImages[n]));
    for (int n = 1; n <= 6; ++n)
        THFolder[n]->setIcon(ButtonPicture(BoxButtonImages[n]));

    // 8. The box icons, in the wall's pixel coordinates.
    for (int n = 1; n <= 6; ++n)
        Image[n]->move(SkinIni.ReadInteger(BoxSection(n), "PosX", 0),
                       SkinIni.ReadInteger(BoxSection(n), "PosY", 0));

    // 9. The colours of the menu titles.
    const QPalette palette = QGuiApplication::palette();
    MenuTitlePenColor = skincolor::ToQColor(
        skincolor::ParseColor(SkinIni.ReadString("MenuTitle", "PenColor", "$FFFFFF00")), palette,
        palette.color(QPalette::WindowText));
    MenuTitleBrushColor = skincolor::ToQColor(
        skincolor::ParseColor(SkinIni.ReadString("MenuTitle", "BrushColor", "$00000000")), palette,
        palette.color(QPalette::Window));

    // 10. Box pictures, hints, captions and the notification-area icon.
    RefreshIndicators();
}

static void InitBuiltInSkin() {
    // Resources of a static library are registered by hand (outside any namespace).
    Q_INIT_RESOURCE(builtinskin);
}

void TForm1::ApplySkinOrFallback() {
    if (!platform::GuardStep([this] { ApplySkin(); }))
        return;
    // The skin that failed is what the user chose; it is saved at exit unless they choose
    // another one. ApplySkin has already put the default skin in place of a missing folder.
    if (FailedSkinFolder.isEmpty())
        FailedSkinFolder = SkinFolder;
    const QString defaultFolder = DefaultSkinFolder(ProgramFolder);
    if (SkinFolder != defaultFolder) {
        SkinFolder = defaultFolder;
        if (!platform::GuardStep([this] { ApplySkin(); }))
            return;
    }
    if (SkinFolder == kBuiltInSkinFolder)
        return;
    InitBuiltInSkin();
    SkinFolder = kBuiltInSkinFolder;
    platform::GuardStep([this] { ApplySkin(); });
}

void TForm1::PopupMenuApl_MainPopup() {
    // Hiding the wall is offered only while the notification-area icon can bring it back.
    Hide1->setEnabled(TrayIconReachable());
    SkinList.clear();
    const QList<QAction*> items = N8->actions();
    for (auto it = items.rbegin(); it != items.rend(); ++it) {
        N8->removeAction(*it);
        delete *it;
    }

    // Folders and plain files alike; hidden and system entries are left out. A user's skin
    // hides a shipped one of the same folder name.
    QStringList seen;
    for (const QString& root : datafolder::SkinRoots(ProgramFolder)) {
        const QStringList entries =
            QDir(root).entryList(QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot, QDir::Unsorted);
        for (const QString& entry : entries) {
            if (seen.contains(entry))
                continue;
            seen << entry;
            auto skin = std::make_unique<TSkinName>();
            skin->FolderName = entry;
            skin->Root = root;
            const IniFile ini =
                ReadSkinIniQuietly(Joined(Joined(root, entry), QStringLiteral("skin.ini")));
            skin->DisplayName = ini.ReadString("SkinInfo", "SkinName", kNoSkinName);
            SkinList.push_back(std::move(skin));
        }
    }
    std::sort(SkinList.begin(), SkinList.end(),
              [](const auto& a, const auto& b) { return CompareSkinNames(*a, *b) < 0; });

    for (std::size_t i = 0; i < SkinList.size(); ++i) {
        const TSkinName& skin = *SkinList[i];
        const QString caption = skin.DisplayName.empty() ? QString::fromLatin1(kNoSkinName)
                                                         : cp932::Decode(skin.DisplayName);
        auto* item = new QAction(MenuCaption(caption), PopupMenuApl_Main);
        item->setData(int(i));
        item->setCheckable(true);
        item->setChecked(Joined(skin.Root, skin.FolderName) == SkinFolder);
        connect(item, &QAction::triggered, this,
                platform::Guarded([this, item] { SkinMenuItemClick(item->data().toInt()); }));
        N8->addAction(item);
    }

    N15->setChecked(StayOnTop());
}

void TForm1::SkinMenuItemClick(int tag) {
    if (tag < 0 || std::size_t(tag) >= SkinList.size())
        return;
    SkinFolder = Joined(SkinList[std::size_t(tag)]->Root, SkinList[std::size_t(tag)]->FolderName);
    FailedSkinFolder.clear();
    ApplySkinOrFallback();
    update();
}

void TForm1::N14Click() {
    SkinFolder = DefaultSkinFolder(ProgramFolder);
    FailedSkinFolder.clear();
    ApplySkinOrFallback();
    update();
}

void TForm1::N12Click() {
    std::optional<QString> picture = SkinFileInside(SkinIni.ReadString("SkinInfo", "Image", ""));
    if (picture && !QFileInfo(*picture).isFile())
        picture.reset();
    Form4->ShowSkin(SkinIni, picture);
    platform::Current().ShowModal(Form4.Get());
}
