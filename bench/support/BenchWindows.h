#pragma once

#include "FakePlatform.h"
#include "mainwindow/ProgramWindows.h"

#include <QDir>
#include <QTemporaryDir>

namespace bench {

// The program's windows as the program entry creates them, once per benchmark program, over the
// platform's test double, with the staged portable folder as the program folder and a temporary
// folder as the current directory.
class Windows {
public:
    static Windows& Get() {
        static Windows windows;
        return windows;
    }

private:
    Windows() {
        QDir::setCurrent(dir_.path());
        fake_->executablePath = QStringLiteral(TABUKO_STAGE_DIR "/tabuko");
        CreateProgramWindows();
    }
    FakePlatform::Scope fake_;
    QTemporaryDir dir_;
};

} // namespace bench
