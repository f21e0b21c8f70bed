// Qt ends a program that finds no display with an abort: to a user that looks like a crash, and
// its message blames a broken installation. These two calls bracket the construction of the
// application object so that the launcher instead says what is missing and exits with its own
// status.
#pragma once

// The launcher's exit status when no display could be opened.
inline constexpr int NoDisplayStatus = 2;

// Holds back Qt's messages until displayOpened(); if Qt gives up on the display meanwhile, prints
// one line (after Qt's own reasons when a display was named) and exits with NoDisplayStatus.
void holdMessagesUntilDisplayOpens();

// Passes the held messages on as Qt would have printed them and restores Qt's message handling.
void displayOpened();
