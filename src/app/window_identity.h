// What the desktop knows the program by: its name in the settings store,
// its desktop entry, the title of its windows and of its message boxes.
#pragma once
#include <QString>

namespace strandex {

// The name of the program's message boxes and of its desktop entry.
inline constexpr const char* kTaskBarName = "HD DVD Strandex";

// Names the application. No display name is set: Qt would append it to
// every window title, and the title bar is to read exactly windowTitle().
void nameApplication();

// "Strandex 0.614".
QString mainWindowTitle();

}  // namespace strandex
