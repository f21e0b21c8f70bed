// What a screen reader needs beyond the widgets' own accessibility: the window presented as a
// dialog, and the selected server spoken when the closed list moves to it.
#pragma once

class QComboBox;
class QLabel;
class QPlainTextEdit;

// Makes the launcher's window a dialog for assistive technologies; Qt presents a plain top-level
// widget as a "filler". Call once, before the window is built.
void installScreenReaderRoles();

// Repeats the selected server's name, tileset caption and description in the list's accessible
// description. Call whenever the display has followed a new selection.
void describeSelection(QComboBox &list, const QLabel &tileset, const QPlainTextEdit &description);
