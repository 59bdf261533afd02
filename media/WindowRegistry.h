#pragma once
// "parent N" in a command string names a widget by a number of the program's own, so
// that command strings stay plain text and no windowing-system id leaks into them.
class QWidget;

namespace media {

// Returns the widget's number, registering it on first use (numbers start at 1 and are
// never reused). A null widget gives 0.
int registerWindow(QWidget* widget);
// The widget of a number; null for 0, an unknown number or a widget that is gone.
QWidget* windowOf(int id);
void unregisterWindow(int id);

} // namespace media
