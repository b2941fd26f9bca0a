// Where the program keeps its files: portable folder or installed layout, the data folder's
// first start, and skins found in the user's folder and among the shipped ones.
#include "TempDir.h"

#include "platform/DataFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

void MakeFolder(const QString& path) {
    ASSERT_TRUE(QDir().mkpath(path)) << path.toStdString();
}

// A fake file system: <root>/usr/bin, <root>/usr/share/tabuko with skins and phrase files, a
// portable folder <root>/portable with skin/, and a home folder.
class DataFolderTest : public ::testing::Test {
protected:
    DataFolderTest() {
        MakeFolder(Path("usr/bin"));
        MakeFolder(Path("usr/share/tabuko/skin/default"));
        MakeFolder(Path("usr/share/tabuko/skin/sakura"));
        WriteBytes(Path("usr/share/tabuko/InsertTime.txt"), "shipped time\r\n");
        WriteBytes(Path("usr/share/tabuko/InsertPart.txt"), "shipped part\r\n");
        MakeFolder(Path("portable/skin/default"));
        MakeFolder(Path("home"));
    }
    ~DataFolderTest() override { datafolder::SetCurrent({}); }

    QString Path(const char* relative) const { return root.filePath(QString::fromUtf8(relative)); }
    datafolder::Environment Home(const QString& xdg = {}) const { return {xdg, Path("home")}; }

    QTemporaryDir root;
};

TEST_F(DataFolderTest, TheExecutablesFolderDecidesTheLayout) {
    // Beside skin/: portable, whatever else exists.
    datafolder::Layout layout = datafolder::Choose(Path("portable"), Home());
    EXPECT_FALSE(layout.installed);
    EXPECT_EQ(layout.dataFolder, Path("portable"));

    // In <prefix>/bin with <prefix>/share/tabuko/skin: installed, data in the XDG data home.
    layout = datafolder::Choose(Path("usr/bin"), Home());
    EXPECT_TRUE(layout.installed);
    EXPECT_EQ(layout.sharedFolder, Path("usr/share/tabuko"));
    EXPECT_EQ(layout.dataFolder, Path("home/.local/share/tabuko"));
    layout = datafolder::Choose(Path("usr/bin"), Home(Path("xdg")));
    EXPECT_EQ(layout.dataFolder, Path("xdg/tabuko"));
    // A relative XDG_DATA_HOME is ignored.
    layout = datafolder::Choose(Path("usr/bin"), Home(QStringLiteral("relative/data")));
    EXPECT_EQ(layout.dataFolder, Path("home/.local/share/tabuko"));
    // Nowhere to keep data: the folder stays unknown, and entering it says so.
    layout = datafolder::Choose(Path("usr/bin"), {});
    EXPECT_TRUE(layout.installed);
    EXPECT_TRUE(layout.dataFolder.isEmpty());
    EXPECT_FALSE(datafolder::Enter(layout).isEmpty());

    // An executable beside its skins inside a prefix is still portable (a copied folder).
    MakeFolder(Path("usr/bin/skin"));
    EXPECT_FALSE(datafolder::Choose(Path("usr/bin"), Home()).installed);
    // Neither layout (a build folder): portable, as before.
    MakeFolder(Path("elsewhere"));
    EXPECT_FALSE(datafolder::Choose(Path("elsewhere"), Home()).installed);
}

TEST_F(DataFolderTest, FirstStartCreatesAPrivateFolderWithTheShippedPhrases) {
    const QString previous = QDir::currentPath();
    const datafolder::Layout layout = datafolder::Choose(Path("usr/bin"), Home());
    ASSERT_EQ(datafolder::Enter(layout), QString());
    EXPECT_EQ(QDir::currentPath(), layout.dataFolder);
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(layout.dataFolder).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(ReadBytes(layout.dataFolder + "/InsertTime.txt"), "shipped time\r\n");
    EXPECT_EQ(ReadBytes(layout.dataFolder + "/InsertPart.txt"), "shipped part\r\n");
    EXPECT_FALSE(QFile::exists(layout.dataFolder + "/InsertFree1.txt"));

    // Later starts keep what the user changed, also a phrase file they removed.
    WriteBytes(layout.dataFolder + "/InsertTime.txt", "mine\r\n");
    QFile::remove(layout.dataFolder + "/InsertPart.txt");
    QDir::setCurrent(previous);
    ASSERT_EQ(datafolder::Enter(layout), QString());
    EXPECT_EQ(QDir::currentPath(), layout.dataFolder);
    EXPECT_EQ(ReadBytes(layout.dataFolder + "/InsertTime.txt"), "mine\r\n");
    EXPECT_FALSE(QFile::exists(layout.dataFolder + "/InsertPart.txt"));
    QDir::setCurrent(previous);

    // A file where the folder should be is refused, and the current folder stays.
    const datafolder::Layout blocked = datafolder::Choose(Path("usr/bin"), Home(Path("blocked")));
    MakeFolder(Path("blocked"));
    WriteBytes(Path("blocked/tabuko"), "");
    EXPECT_FALSE(datafolder::Enter(blocked).isEmpty());
    EXPECT_EQ(QDir::currentPath().toStdString(), previous.toStdString());
    // A portable layout changes nothing.
    EXPECT_EQ(datafolder::Enter(datafolder::Choose(Path("portable"), Home())), QString());
    EXPECT_EQ(QDir::currentPath().toStdString(), previous.toStdString());
}

TEST_F(DataFolderTest, InstalledSkinsComeFromTheUsersFolderFirstAndKeepTheirStoredForm) {
    const datafolder::Layout layout = datafolder::Choose(Path("usr/bin"), Home());
    MakeFolder(layout.dataFolder + "/skin/sakura");
    datafolder::SetCurrent(layout);
    const QString data = datafolder::ProgramFolder(Path("usr/bin"));
    EXPECT_EQ(data, layout.dataFolder);
    EXPECT_EQ(datafolder::SkinRoots(data),
              (QStringList{layout.dataFolder + "/skin", Path("usr/share/tabuko/skin")}));

    // The user's skin wins; a skin only shipped is found there; a missing one stays the user's.
    EXPECT_EQ(datafolder::Locate(data, "/skin/sakura"), layout.dataFolder + "/skin/sakura");
    EXPECT_EQ(datafolder::Locate(data, "/skin/default"), Path("usr/share/tabuko/skin/default"));
    EXPECT_EQ(datafolder::Locate(data, "/skin/gone"), layout.dataFolder + "/skin/gone");
    // Both are kept in the settings in the same form.
    EXPECT_EQ(datafolder::Relative(layout.dataFolder + "/skin/sakura", data), "/skin/sakura");
    EXPECT_EQ(datafolder::Relative(Path("usr/share/tabuko/skin/default"), data), "/skin/default");
    // A folder that only begins like the shipped one is not inside it.
    EXPECT_EQ(datafolder::Relative(Path("usr/share/tabuko2/skin/x"), data),
              Path("usr/share/tabuko2/skin/x"));

    // Portable: only the program's own folder.
    datafolder::SetCurrent(datafolder::Choose(Path("portable"), Home()));
    EXPECT_EQ(datafolder::ProgramFolder(Path("portable")), Path("portable"));
    EXPECT_EQ(datafolder::SkinRoots(Path("portable")), QStringList{Path("portable") + "/skin"});
    EXPECT_EQ(datafolder::Locate(Path("portable"), "/skin/sakura"),
              Path("portable") + "/skin/sakura");
}

} // namespace
