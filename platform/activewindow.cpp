#include "platform/activewindow.h"

#if !defined(Q_OS_LINUX)
namespace {
class NoActiveWindow : public ActiveWindow
{
public:
    bool available() const override { return false; }
};
} // namespace

std::unique_ptr<ActiveWindow> ActiveWindow::create()
{
    return std::make_unique<NoActiveWindow>();
}
#endif
