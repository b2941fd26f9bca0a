#include "ui/MenuDesign.h"

#include <QMenu>
#include <QProxyStyle>

namespace design {
namespace {

// Menus taller than the screen scroll instead of spreading into columns past its edge, so that
// every memo of a large box can be reached.
class ScrollingMenuStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override {
        if (hint == SH_Menu_Scrollable)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, data);
    }
};

// One style for every menu; it lives as long as the program, since menus are destroyed with
// their windows at the very end.
QStyle* MenuStyle() {
    static QStyle* const style = new ScrollingMenuStyle;
    return style;
}

} // namespace

QMenu* NewMenu(QWidget* owner, const QString& name) {
    return SetUpMenu(new QMenu(owner), name);
}

QMenu* SetUpMenu(QMenu* menu, const QString& name) {
    menu->setObjectName(name);
    menu->setSeparatorsCollapsible(false);
    menu->setStyle(MenuStyle());
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
    sub->setStyle(MenuStyle());
    return sub;
}

QString LiteralCaption(QString text) {
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

} // namespace design
