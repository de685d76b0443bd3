// Where the program's dialogs open: centred on the window they belong to,
// every time they open, and kept on that window's screen.
#pragma once

class QWidget;

namespace tessivo {

// Moves `dialog` (a window with a parent) so that its centre is the centre of
// its parent's window, within the parent's screen. A dialog without a parent
// stays where it is.
void CentreOnParent(QWidget* dialog);

} // namespace tessivo
