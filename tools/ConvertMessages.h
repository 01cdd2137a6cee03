// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "framework/Result.h"

#include <functional>
#include <string>

// What the converter prints on stderr. Every line begins with the program's name and then
// the file it is about, so that a script converting many files can tell which one failed.

// "tarvok-convert: SUBJECT: TEXT"; an empty subject leaves it out.
void PrintNote(const std::string& subject, const std::string& text);
// Prints a failure about subject and returns false, or returns true for a success. A file
// system failure names its own file, and a silent one has been reported already.
bool Report(const std::string& subject, const Status& status);
// A bad command line: what is wrong, and where to read how it goes.
void PrintUsageError(const std::string& text);
// Runs work, turning what it throws (a file that cannot be read, no memory left) into its
// failure.
Status Guarded(const std::function<Status()>& work);
