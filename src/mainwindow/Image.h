#pragma once

#include "ui/Picture.h"

#include <QMenu>
#include <QPointer>
#include <QWidget>
#include <functional>

// An image control: shows its picture at its top-left corner. With Transparent set, the colour
// of a bitmap's bottom-left pixel is left out when painting.
class TImage : public QWidget {
    Q_OBJECT
public:
    explicit TImage(QWidget* parent);

    const TPicture& Picture() const { return picture_; }
    void SetPicture(TPicture picture);
    // Loads the picture from a file (LoadPicture) and repaints.
    void LoadFromFile(const QString& path);

    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent);

    // The context menu, popped up at the pointer on a right click.
    QMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(QMenu* menu) { popupMenu_ = menu; }

    std::function<void(Qt::MouseButton)> OnMouseDown;
    std::function<void()> OnDblClick;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void RebuildDisplay();

    TPicture picture_;
    QPixmap display_;
    bool transparent_ = false;
    QPointer<QMenu> popupMenu_;
};
