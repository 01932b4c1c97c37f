#pragma once

#include <functional>
#include <utility>

// A menu, picker or page of the main window that is built the first time anything needs it
// (the window shows it, or code reaches it through the member) and then kept for the
// window's life. Until then it costs nothing: no widgets, no pictures, no style data.
template <class T>
class LazyWidget
{
public:
    LazyWidget() = default;
    LazyWidget(const LazyWidget &) = delete;
    LazyWidget &operator=(const LazyWidget &) = delete;

    // make builds the widget; placed runs after the member holds it, so it may reach the
    // widget through the member again.
    void setBuilder(std::function<T *()> make, std::function<void(T *)> placed = {})
    {
        m_make = std::move(make);
        m_placed = std::move(placed);
    }

    T *get() const
    {
        if (!m_widget && m_make) {
            m_widget = m_make();
            m_make = nullptr;
            if (m_placed)
                std::exchange(m_placed, nullptr)(m_widget);
        }
        return m_widget;
    }
    // nullptr while not built; never builds.
    T *built() const { return m_widget; }

    T *operator->() const { return get(); }
    operator T *() const { return get(); }

private:
    mutable std::function<T *()> m_make;
    mutable std::function<void(T *)> m_placed;
    mutable T *m_widget = nullptr;
};
