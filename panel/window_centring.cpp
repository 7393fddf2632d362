#include "window_centring.h"

#include <QEvent>
#include <QScreen>
#include <QWidget>

namespace panel {
namespace {

void centreWhole(QWidget* window)
{
    window->move(centredPosition(window->screen()->geometry(), window->frameGeometry().size()));
}

// Waits for the window's outer size to change from the one it was centred with, which
// happens when a window manager frames the window after it is shown; the window's
// frame is brought up to date just before each move or resize reaches it.
class FrameWatcher : public QObject {
public:
    explicit FrameWatcher(QWidget* window) : QObject(window), window_(window), centredFor_(window->frameGeometry().size())
    {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == window_ && (event->type() == QEvent::Move || event->type() == QEvent::Resize) &&
            window_->frameGeometry().size() != centredFor_) {
            window_->removeEventFilter(this);
            centreWhole(window_);
            deleteLater();
        }
        return false;
    }

private:
    QWidget* window_;
    QSize centredFor_;
};

} // namespace

QPoint centredPosition(const QRect& screen, const QSize& outer)
{
    return {screen.x() + (screen.width() - outer.width()) / 2, screen.y() + (screen.height() - outer.height()) / 2};
}

void centreOnScreen(QWidget* window)
{
    centreWhole(window);
    new FrameWatcher(window);
}

} // namespace panel
