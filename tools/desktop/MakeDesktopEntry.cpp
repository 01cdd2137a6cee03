// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the desktop entry with the types the editor opens as the format table lists them, so
// the desktop offers the editor for exactly the files it reads. Run by the build:
//   tarvok-desktop-entry TEMPLATE OUTPUT
#include "playback/FileFormats.h"

#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3)
    {
        std::cerr << "usage: tarvok-desktop-entry TEMPLATE OUTPUT\n";
        return 2;
    }
    std::ifstream in(argv[1]);
    std::stringstream text;
    text << in.rdbuf();
    std::string entry = text.str();
    const std::string mark = "@MIME_TYPES@";
    const std::size_t at = entry.find(mark);
    if (!in || at == std::string::npos)
    {
        std::cerr << "tarvok-desktop-entry: " << argv[1] << ": no " << mark << " to fill in\n";
        return 1;
    }
    entry.replace(at, mark.size(), DesktopMimeTypes());
    std::ofstream out(argv[2]);
    out << entry;
    out.close();
    if (!out)
    {
        std::cerr << "tarvok-desktop-entry: cannot write " << argv[2] << "\n";
        return 1;
    }
    return 0;
}
