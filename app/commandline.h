#pragma once

// Tavelo run with arguments: "--set-wallpaper [--region MARKET]" makes the
// newest picture of the day the wallpaper and ends, with no window and no
// display needed; "--help" and "--version" say what they say. Returns the
// exit status: 0 when the wallpaper shows the newest picture, now or
// already; 1 after a failure, each said in one line on standard error; 2
// for arguments it does not know, with no request made.
int runCommandLine(int argc, char *argv[]);
