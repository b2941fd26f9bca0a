// Writes sample box files into a folder: tabuko_makeboxes <folder> <memos> <box>...
// Each named box (1 to 6) gets <memos> sample memos (about 200 bytes each, in memo order).
#include "SampleMemos.h"
#include "store/BoxFile.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <folder> <memos> <box>...\n", argv[0]);
        return 2;
    }
    const std::size_t count = std::strtoul(argv[2], nullptr, 10);
    const TMemoList list = bench::SampleMemos(count);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (int i = 3; i < argc; ++i) {
        const int box = std::atoi(argv[i]);
        if (box < 1 || box > 6) {
            std::fprintf(stderr, "box %s is not 1 to 6\n", argv[i]);
            return 2;
        }
        WriteBoxFile(QDir(folder).filePath(BoxFileName(box)), list);
    }
    return 0;
}
