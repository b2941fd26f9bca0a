#pragma once

class TForm1;

// While one lives, the main window's notification-area icon ignores clicks: a modal window (the
// editor, the about box, the skin information window) holds one while it is up. Pauses nest;
// the icon acts again when the last one ends.
class TrayIconPause {
public:
    explicit TrayIconPause(TForm1& form);
    ~TrayIconPause();
    TrayIconPause(const TrayIconPause&) = delete;
    TrayIconPause& operator=(const TrayIconPause&) = delete;

private:
    TForm1& form_;
};
