// Skins: a fuzzed skin folder (skin.ini and a few picture files) is applied to the main window.
// Applying it either works or raises the program's Exception, and afterwards the default skin
// applies as before: the window's size, outline picture, box icon places and title colours.
//
// Input: the skin.ini bytes, then any number of files, each introduced by a line
// "@@@ <relative path>" (a path with "/" or "\" between folder names) and followed by its bytes.
#include "FakePlatform.h"
#include "FuzzCheck.h"
#include "TempDir.h"
#include "editor/Unit2.h"
#include "editor/Unit5.h"
#include "mainwindow/FormRgn.h"
#include "mainwindow/Image.h"
#include "mainwindow/ProgramWindows.h"
#include "mainwindow/Unit1.h"
#include "mainwindow/Unit3.h"
#include "mainwindow/Unit4.h"
#include "util/CP932.h"
#include "util/Exception.h"
#include "util/IniFile.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImageReader>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

constexpr std::string_view kFileMarker = "\n@@@ ";
constexpr int kMaxFiles = 12;

struct DefaultSkinState {
    QSize windowSize;
    QImage wall;
    std::array<QPoint, 7> iconPos;
    QColor pen, brush;
};

TempCurrentDir* programDir = nullptr;
QString defaultFolder;
QString fuzzFolder;
DefaultSkinState expected;

DefaultSkinState Capture() {
    DefaultSkinState state;
    state.windowSize = Form1->size();
    state.wall = Form1->ImageWall->Picture().image;
    for (int n = 1; n <= 6; ++n)
        state.iconPos[n] = Form1->Image[n]->pos();
    state.pen = Form1->MenuTitlePen();
    state.brush = Form1->MenuTitleBrush();
    return state;
}

void CopyFolder(const QString& from, const QString& to) {
    QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString target = to + QLatin1Char('/') + QDir(from).relativeFilePath(file);
        QDir().mkpath(QFileInfo(target).absolutePath());
        QFile::copy(file, target);
    }
}

// A relative path of plain names under the skin folder, or an empty string for one that would
// leave it.
QString SafeRelativePath(std::string_view raw) {
    QStringList parts;
    std::string part;
    auto flush = [&] {
        if (part.empty() || part == "." || part == "..")
            return false;
        parts << QString::fromLatin1(part);
        part.clear();
        return true;
    };
    for (char c : raw) {
        if (c == '/' || c == '\\') {
            if (!flush())
                return {};
        } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                   c == '.' || c == '_' || c == '-') {
            part += c;
        } else {
            part += '_';
        }
    }
    if (!flush() || parts.size() > 4)
        return {};
    return parts.join(QLatin1Char('/'));
}

void WriteFile(const QString& path, std::string_view bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    // A name already taken by a folder (or a folder by a file) is left out.
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes.data(), qint64(bytes.size()));
}

// Writes the skin folder; false when its skin.ini names a file outside it.
bool WriteSkinFolder(std::string_view input) {
    QDir(fuzzFolder).removeRecursively();
    QDir().mkpath(fuzzFolder);

    std::size_t end = input.find(kFileMarker);
    const std::string_view ini = input.substr(0, end);
    const IniFile parsed = IniFile::FromBytes(ini);
    for (const std::string& section : parsed.SectionNames())
        for (const auto& [key, value] : parsed.Keys(section))
            if (value.find("..") != std::string::npos)
                return false;
    WriteFile(fuzzFolder + QStringLiteral("/skin.ini"), ini);

    for (int files = 0; end != std::string_view::npos && files < kMaxFiles; ++files) {
        const std::size_t nameStart = end + kFileMarker.size();
        const std::size_t nameEnd = input.find('\n', nameStart);
        if (nameEnd == std::string_view::npos)
            break;
        end = input.find(kFileMarker, nameEnd + 1);
        const std::string_view content =
            input.substr(nameEnd + 1, end == std::string_view::npos ? end : end - (nameEnd + 1));
        const QString name = SafeRelativePath(input.substr(nameStart, nameEnd - nameStart));
        if (!name.isEmpty() && name != QLatin1String("skin.ini"))
            WriteFile(fuzzFolder + QLatin1Char('/') + name, content);
    }
    return true;
}

// Applies a skin folder the way the skin menu does; false when it raised the program's
// Exception. Any other exception escapes and stops the run.
bool Apply(const QString& folder) {
    try {
        Form1->ApplySkinFolder(QDir::toNativeSeparators(folder));
        Form1->update();
        return true;
    } catch (const Exception& e) {
        FUZZ_CHECK(!e.Message().isEmpty(), "a failed skin says why");
        return false;
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    new QApplication(*argc, *argv);
    // Keeps a fuzzed picture header from asking for more memory than a skin picture needs.
    QImageReader::setAllocationLimit(64);

    auto* fake = new FakePlatform::Scope;
    programDir = new TempCurrentDir;
    (*fake)->executablePath = programDir->file(QStringLiteral("tabuko"));
    defaultFolder = programDir->path() + QStringLiteral("/skin/default");
    fuzzFolder = programDir->path() + QStringLiteral("/skin/fuzz");
    CopyFolder(QStringLiteral(TABUKO_SOURCE_DIR "/skin/default"), defaultFolder);

    CreateProgramWindows();
    FUZZ_CHECK(Apply(defaultFolder), "the shipped default skin applies");
    expected = Capture();
    FUZZ_CHECK(!expected.wall.isNull(), "the default skin has a wall");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!WriteSkinFolder(std::string_view(reinterpret_cast<const char*>(data), size)))
        return 0;

    if (Apply(fuzzFolder)) {
        const TPicture& wall = Form1->ImageWall->Picture();
        FUZZ_CHECK(!wall.Empty(), "an applied skin has a wall picture");
        FUZZ_CHECK(Form1->size() == QSize(wall.Width(), wall.Height()),
                   "the window takes the wall's size");
        // The skin menu and the skin information read the same folder.
        try {
            Form1->PopupMenuApl_MainPopup();
            Form1->N12Click();
        } catch (const Exception&) {
        }
    }

    FUZZ_CHECK(Apply(defaultFolder), "the default skin still applies after a fuzzed one");
    const DefaultSkinState now = Capture();
    FUZZ_CHECK(now.windowSize == expected.windowSize, "the default skin gives its window size");
    FUZZ_CHECK(now.wall == expected.wall, "the default skin gives its wall");
    FUZZ_CHECK(now.iconPos == expected.iconPos, "the default skin places its box icons");
    FUZZ_CHECK(now.pen == expected.pen && now.brush == expected.brush,
               "the default skin gives its title colours");
    return 0;
}
