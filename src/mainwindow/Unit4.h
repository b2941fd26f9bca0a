#pragma once

#include "ui/LazyWindow.h"

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class IniFile;
class QLabel;
class QPlainTextEdit;
class Settings;
class TImage;
class TrayIconPause;

// What the skin menu and the skin information window show for a skin without a name (or an
// author).
inline constexpr char kNoSkinName[] = "No Name";

// The skin information window: name, author, link, comment and picture of the current skin.
// The main window fills it (ShowSkin) each time it is shown.
class TForm4 : public QDialog {
    Q_OBJECT
public:
    // What the window is given: the settings file that holds its position, and a pause of the
    // notification-area icon to hold while it is up.
    using TrayPauser = std::function<std::unique_ptr<TrayIconPause>()>;
    TForm4(Settings& settings, TrayPauser pauseTray);
    ~TForm4() override;

    // Fills the window from a skin description (its SkinInfo section) and the skin's picture,
    // a file that exists, or none.
    void ShowSkin(const IniFile& skinIni, const std::optional<QString>& picture);

    // ---- design ----
    QLabel* Label1 = nullptr;        // "名称"
    QLabel* Label2 = nullptr;        // "作者"
    QLabel* Label3 = nullptr;        // "URL"
    QLabel* Label4 = nullptr;        // "ひとこと"
    QLabel* Label5 = nullptr;        // the skin's name
    QLabel* Label6 = nullptr;        // the skin's author
    TImage* Image1 = nullptr;        // the skin's picture
    QPlainTextEdit* Memo2 = nullptr; // the skin's URL, clickable
    QPlainTextEdit* Memo1 = nullptr; // the skin's comment

    void FormCreate();
    void FormShow();
    void FormClose();
    void Memo2Click();

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateDesign();

    Settings& settings_;
    TrayPauser pauseTray_;
    // The link that the URL field opens (CP932, as the skin holds it); empty for none.
    std::string url_;

    // Held from showing to closing: the notification-area icon ignores clicks meanwhile.
    std::unique_ptr<TrayIconPause> trayPause_;
};

extern LazyWindow<TForm4> Form4;
