#pragma once

#include <QtGlobal>
#include <functional>
#include <utility>

// A window built the first time it is used rather than at start-up, so that start-up makes only
// what it shows: the editor, the date window, the about box, the skin information window and
// the search window. It is used like the pointer it replaces (Form2->...); Built() tells
// whether it exists without building it. A window that is given what it works on is built by
// the function passed to the constructor.
template <class Window> class LazyWindow {
public:
    LazyWindow() : make_([] { return new Window; }) {}
    explicit LazyWindow(std::function<Window*()> make) : make_(std::move(make)) {}
    LazyWindow(const LazyWindow&) = delete;
    LazyWindow& operator=(const LazyWindow&) = delete;

    // The window, built now if it does not exist yet. Its constructor must not use it.
    Window* Get() {
        if (!window_) {
            Q_ASSERT(!building_);
            building_ = true;
            window_ = make_();
            building_ = false;
        }
        return window_;
    }
    Window* operator->() { return Get(); }
    bool Built() const { return window_ != nullptr; }
    // Deletes the window if it was built; the next use builds it again.
    void Destroy() { delete std::exchange(window_, nullptr); }

private:
    std::function<Window*()> make_;
    Window* window_ = nullptr;
    bool building_ = false;
};
