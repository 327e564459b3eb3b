// Where screenshots go: a fixed folder under the user's profile and a file
// name the user types, by default the local date and time.
#pragma once

#include <ctime>

#include "sdk/OdString.h"

// The full path of the PNG file to write: the profile folder with forward
// slashes, the screenshot folder (string 1012), "/", the typed name and
// ".png". Asks for the name on the current document's command line first,
// then creates the folder. Empty when there is no usable folder: the caller
// then reports string 1014 and saves nothing. Without a usable profile
// folder it is empty at once and nobody is asked; a folder that is not an
// absolute path (a Windows value such as D:\Users\user) is not usable, as it
// would be created under whatever the current directory happens to be.
OdString GetScreenshotPath();
// The same at a given moment; the default name is `now` in local time.
OdString GetScreenshotPath(std::time_t now);

// The profile folder ("USERPROFILE", every "\\" turned into "/") followed
// by string 1012; empty when the variable is unset, empty or not valid UTF-8.
OdString ScreenshotFolder();

// "YYYY-MM-DD_HHMMSS" of `now` in local time.
OdString FormatScreenshotName(std::time_t now);

// Asks until a name is typed, offering `defaultName`. A cancelled prompt
// (status -2) or one that can get no input (status 1) ends the asking and
// returns what the answer held, possibly nothing. With no document, or none
// with a command line, nobody can be asked and the answer is empty.
OdString AskScreenshotName(const OdString& defaultName);

// Creates the folder and any missing parents, "/" separated. True when the
// folder exists afterwards, made here or before; false when a file of that
// name is in the way, a parent cannot be made, or the path runs out of "/"
// before an existing folder is found.
bool CreateFolderPath(const OdString& path);
