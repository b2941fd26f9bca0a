#pragma once

#include <QDir>
#include <QTemporaryDir>
#include <string>

// A temporary folder that is also the current directory while the object lives, as the program's
// own folder is at a normal start (bare file names resolve against it).
class TempCurrentDir {
public:
    TempCurrentDir() : previous_(QDir::currentPath()) { QDir::setCurrent(dir_.path()); }
    ~TempCurrentDir() { QDir::setCurrent(previous_); }
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
    QString previous_;
};

// Whole-file helpers for tests.
std::string ReadBytes(const QString& path);
void WriteBytes(const QString& path, const std::string& bytes);
