// What the shell shows of the program's notification-area icon. Without a system tray on the X
// display (Xvfb has none), Wine shows the icons in a small window of its own, with a tooltip for
// each icon: the picture is read from the screen and compared with the program's icons drawn the
// way that window draws them, and the tip is read from the tooltip that hovering brings up.
#pragma once

#include <windows.h>

#include <ostream>
#include <string>

namespace e2e {

enum class TrayPicture { None, Disconnected, Connected, App };

std::ostream& operator<<(std::ostream& out, TrayPicture picture);

class ShellTray {
  public:
    // The picture of the program's icon that Wine's tray window shows, and where it is.
    TrayPicture Picture(POINT* center = nullptr) const;
    // Waits until the tray shows the picture; the picture seen last otherwise.
    TrayPicture WaitForPicture(TrayPicture expected, POINT* center = nullptr) const;
    // Hovers over the icon at center and waits until the tray's tooltip shows the expected
    // text; the text seen last otherwise. Wine's tray window shows its tooltips only while it
    // is the active window (its tooltip lacks TTS_ALWAYSTIP), and the program takes the
    // foreground whenever it opens its tray menu: the tray is brought to the front first, as
    // a taskbar always is.
    std::string HoverForTip(POINT center, const std::string& expected) const;
};

}  // namespace e2e
