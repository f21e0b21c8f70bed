// What a screen reader needs beyond the widgets' own accessibility: the window presented as a
// dialog, and the selected server spoken when the closed list moves to it.
#pragma once

class QComboBox;
class QString;

// Makes the launcher's window a dialog for assistive technologies; Qt presents a plain top-level
// widget as a "filler". Call once, before the window is built.
void installScreenReaderRoles();

// Repeats the selected server's details (its tileset caption and description) in the list's
// accessible description. Call whenever the display has followed a new selection.
void describeSelection(QComboBox &list, const QString &details);
