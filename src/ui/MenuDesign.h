#pragma once

#include <QString>

class QAction;
class QMenu;
class QWidget;

// Building the windows' menus as their design lays them out: every item and menu named by its
// objectName, separators kept where the design puts them; a menu taller than the screen scrolls.
namespace design {

QMenu* NewMenu(QWidget* owner, const QString& name);
// Gives a menu made elsewhere (a QMenu subclass) the name and the look of NewMenu's menus.
QMenu* SetUpMenu(QMenu* menu, const QString& name);
QAction* AddItem(QMenu* menu, const char* name, const QString& caption);
QAction* AddSeparator(QMenu* menu, const char* name);
// A sub-menu; the menu and the item that opens it both carry the name.
QMenu* AddSubMenu(QMenu* menu, const char* name, const QString& caption);

// The caption under which a menu shows `text` as it is: "&" is doubled, so that it is shown
// instead of marking an access key. For the user's own text, such as memo titles.
QString LiteralCaption(QString text);

} // namespace design
