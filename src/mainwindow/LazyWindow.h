#pragma once

#include <QtGlobal>
#include <utility>

// A window built the first time it is used rather than at start-up, so that start-up makes only
// what it shows: the editor, the date window, the about box, the skin information window and
// the search window. It is used like the pointer it replaces (Form2->...); Built() tells
// whether it exists without building it.
template <class Window> class LazyWindow {
public:
    LazyWindow() = default;
    LazyWindow(const LazyWindow&) = delete;
    LazyWindow& operator=(const LazyWindow&) = delete;

    // The window, built now if it does not exist yet. Its constructor must not use it.
    Window* Get() {
        if (!window_) {
            Q_ASSERT(!building_);
            building_ = true;
            window_ = new Window;
            building_ = false;
        }
        return window_;
    }
    Window* operator->() { return Get(); }
    bool Built() const { return window_ != nullptr; }
    // Deletes the window if it was built; the next use builds it again.
    void Destroy() { delete std::exchange(window_, nullptr); }

private:
    Window* window_ = nullptr;
    bool building_ = false;
};
