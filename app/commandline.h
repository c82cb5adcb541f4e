#pragma once

// Whether the arguments ask for the command line rather than the window: any
// of "--set-wallpaper", "--region", "--help" ("-h") and "--version" ("-v").
// Every other argument is Qt's ("-style fusion", "-platform xcb"...) and goes
// to the window.
bool isCommandLine(int argc, char *argv[]);

// Tavelo run with arguments: "--set-wallpaper [--region MARKET]" makes the
// newest picture of the day the wallpaper and ends, with no window and no
// display needed; "--help" and "--version" say what they say. Returns the
// exit status: 0 when the wallpaper shows the newest picture, now or
// already; 75 after a failure for want of a connection, which is worth
// trying again within minutes; 1 after any other failure, or a run that took
// two minutes; 2 for arguments it does not know, with no request made. Each
// failure is said in one line on standard error.
int runCommandLine(int argc, char *argv[]);
