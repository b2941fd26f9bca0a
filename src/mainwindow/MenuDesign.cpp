#include "mainwindow/MenuDesign.h"

#include <QMenu>

namespace design {

QMenu* NewMenu(QWidget* owner, const QString& name) {
    auto* menu = new QMenu(owner);
    menu->setObjectName(name);
    menu->setSeparatorsCollapsible(false);
    return menu;
}

QAction* AddItem(QMenu* menu, const char* name, const QString& caption) {
    auto* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

QAction* AddSeparator(QMenu* menu, const char* name) {
    auto* action = menu->addSeparator();
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

QMenu* AddSubMenu(QMenu* menu, const char* name, const QString& caption) {
    QMenu* sub = menu->addMenu(caption);
    sub->setObjectName(QString::fromLatin1(name));
    sub->menuAction()->setObjectName(QString::fromLatin1(name));
    sub->setSeparatorsCollapsible(false);
    return sub;
}

} // namespace design
