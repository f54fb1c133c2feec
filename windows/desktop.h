// What a window asks of the desktop: opening a file or web address in the
// program the desktop has for it, and a place in the middle of the screen.
#pragma once

#include <QWidget>
#include <string>

namespace bb::windows {

// Opens a file or web address in the program the desktop has for it; what
// becomes of it is not looked at.
void ShellOpen(const std::string& target);

// How the board's help pages and links are opened.
class Opener {
  public:
    virtual ~Opener() = default;
    virtual void Open(const std::string& target) = 0;
};

// The desktop's opener: ShellOpen.
Opener& DesktopOpener();

// Centres a window on the primary screen.
void CentreOnScreen(QWidget& w);

}  // namespace bb::windows
